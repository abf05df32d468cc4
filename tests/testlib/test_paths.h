// Where a Windows test finds the source tree's files: ctest passes the folders in the environment, and
// Wine maps the Unix root to drive Z:.
#pragma once

#include <string>

namespace testing_support {

std::string SourcePath(const std::string& relative);   // Windows path of a file in the source tree
std::string BinaryPath(const std::string& relative);   // Windows path of a file in the build tree
std::string ReadTextFile(const std::string& windowsPath);
std::string FixturePath(const std::string& name);      // tests/fixtures/<name>
void ImportRegFixture(const std::string& name);        // imports tests/fixtures/<name> (a .reg file)

} // namespace testing_support
