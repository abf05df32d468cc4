// Writes .reg text into the registry as the platform's importer would, so tests state configurations the
// way administrators do. Inside a RegistrySandbox the writes land in the sandbox.
#pragma once

#include "regtext.h"

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Applies the text; throws std::runtime_error naming the line on a malformed text or a failed write.
// Strings in the text are UTF-8 and are stored as the registry's wide text.
void ImportRegText(std::string_view text);
// Applies parsed operations in order; throws as ImportRegText does.
void ImportRegOperations(const std::vector<regtext::Operation>& operations);
// Whether operations under this hive name can be imported: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (or
// HKCU, HKLM).
bool IsImportableHive(const std::string& hive);

// Imports a file of tests/fixtures/.
void ImportRegFixture(const std::string& name);

} // namespace testing_support
