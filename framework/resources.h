// The add-in's own resources (string table, dialogs, logo). They are read from the module that holds this
// code: the add-in DLL in production, the test executable when a test links the add-in's core statically
// together with its resources.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

HMODULE ResourceModule() noexcept;

// The string table entry as narrow text (system code page); empty when the module has no such string.
std::string LoadResourceString(UINT id);

} // namespace fw
