#include "tests/cli/CliRunner.h"

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tools/cli/Command.h"

namespace cli_test {

CliResult RunCli(const std::vector<std::string>& args, const std::string& input)
{
    const auto quote = [](const std::string& text) { // for the shell, quotes included
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    };
    testing_support::TempDir io;
    io.Write("in", input);
    // The fixed pauses of a port run are skipped (the bytes are what is tested). A
    // sanitizer build accepts the preloaded library only when told to. A program that
    // hangs is ended after a minute (status 124) rather than holding the suite.
    std::string command =
        "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" + quote(NIVORA_NO_SLEEP_LIBRARY) +
        " timeout 60 " + quote(NIVORA_CLI_EXE);
    for (const std::string& arg : args)
        command += " " + quote(arg);
    command += " <" + quote(io.File("in")) + " >" + quote(io.File("out")) + " 2>" + quote(io.File("err"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io.Read("out"), io.Read("err")};
}

CliResult RunCliOnTerminal(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {NIVORA_CLI_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::setenv("LD_PRELOAD", NIVORA_NO_SLEEP_LIBRARY, 1);
        ::setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    CliResult result;
    if (child < 0)
        return result;
    char buffer[4096];
    // Until the program has ended and closed its side (EIO then).
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        result.out.append(buffer, static_cast<size_t>(n));
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int Occurrences(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

CliResult InProcess::Run(const std::string& command, const std::vector<std::string>& args)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = cli::Registry::Find(command)->Run(context, args);
    return {status, ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr()};
}

} // namespace cli_test
