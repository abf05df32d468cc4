// The command line and lifetime every stand-in service shares: [--port N] [--port-file PATH]
// [--lifetime SECONDS] plus options of its own. Prints the port it listens on (or writes it to the port
// file); runs until the shutdown control path, SIGTERM or SIGINT, or the end of its lifetime, so a test that
// dies never leaves it behind for long.
#pragma once

#include "stand_in_server.h"

#include <functional>
#include <string_view>

namespace standin {

// Takes one option of the service's own and its value; false for an unknown option or a bad value.
using ExtraOption = std::function<bool(std::string_view name, std::string_view value)>;

// `setup` prepares the server before it listens; false ends the service with status 1.
int RunService(int argc, char** argv, std::string_view name, const ExtraOption& extraOption,
               const std::function<bool(StandInServer&)>& setup);

} // namespace standin
