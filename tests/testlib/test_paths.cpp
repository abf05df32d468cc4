#include "test_paths.h"

#include "reg_import.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {
namespace {

std::string FromUnix(const char* variable, const std::string& relative)
{
    const char* root = std::getenv(variable);
    if (!root || !*root)
        throw std::runtime_error(std::string(variable) + " is not set (run the tests through ctest)");
    std::string path = std::string(root) + "/" + relative;
    if (path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

} // namespace

std::string SourcePath(const std::string& relative) { return FromUnix("ULNARA_SOURCE_DIR", relative); }
std::string BinaryPath(const std::string& relative) { return FromUnix("ULNARA_BINARY_DIR", relative); }
std::string FixturePath(const std::string& name) { return SourcePath("tests/fixtures/" + name); }
void ImportRegFixture(const std::string& name) { regconfig::ImportRegText(ReadTextFile(FixturePath(name))); }

std::string ReadTextFile(const std::string& windowsPath)
{
    std::ifstream in(windowsPath, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + windowsPath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace testing_support
