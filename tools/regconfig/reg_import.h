// Writes .reg text into the registry as the platform's importer would: tests state configurations the way
// administrators do, and the stand-in host previews an administrator's file. Inside a RegistrySandbox the
// writes land in the sandbox.
#pragma once

#include "regtext.h"

#include <string>
#include <string_view>
#include <vector>

namespace regconfig {

// Applies the text; throws std::runtime_error naming the line on a malformed text or a failed write.
// Strings in the text are UTF-8 and are stored as the registry's wide text.
void ImportRegText(std::string_view text);
// Applies parsed operations in order; throws as ImportRegText does.
void ImportRegOperations(const std::vector<regtext::Operation>& operations);
// Whether operations under this hive name can be imported: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (or
// HKCU, HKLM).
bool IsImportableHive(const std::string& hive);


} // namespace regconfig
