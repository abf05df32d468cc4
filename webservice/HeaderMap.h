// The headers of one request: one value per name, ordered byte-wise by name (std::string compares its
// characters as unsigned char), which is also the order in which they are sent.
#pragma once

#include <map>
#include <string>

using HeaderMap = std::map<std::string, std::string>;
