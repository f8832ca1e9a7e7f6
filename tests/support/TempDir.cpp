#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/WorkDir.h"

namespace testing_support {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "nivora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void TempDir::Write(const std::string& name, const std::string& content) const
{
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out << content;
}

std::string TempDir::Read(const std::string& name) const
{
    std::ifstream in(File(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& dir)
{
    platform::GetCurrentDir(m_previous);
    if (!platform::ChangeDir(dir))
        throw std::runtime_error("chdir failed: " + dir);
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    platform::ChangeDir(m_previous);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    if (const char* old = std::getenv(name))
        m_old = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    m_old ? (void)::setenv(m_name, m_old->c_str(), 1) : (void)::unsetenv(m_name);
}

} // namespace testing_support
