#include "tests/cli/CliRunner.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/TempDir.h"

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
    std::string command = quote(NIVORA_CLI_EXE);
    for (const std::string& arg : args)
        command += " " + quote(arg);
    command += " <" + quote(io.File("in")) + " >" + quote(io.File("out")) + " 2>" + quote(io.File("err"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io.Read("out"), io.Read("err")};
}

} // namespace cli_test
