// Opening a fetched file in the host that asked for it.
#pragma once

#include "host/wrappers.h"

#include <string>

// A drawing host gets the file's bytes as structure data for its active document (an empty file changes
// nothing); a 3D modeller opens the path as a document; the database host is left alone. Throws
// std::runtime_error "Unknown application" for a host outside the suite, and "Cannot read <path>" when a
// drawing host's file cannot be read. Host errors propagate.
void OpenGetNetFile(Application& application, const std::string& path);
