// Element masses for the stand-in host's molecular weights, from the support library's built-in periodic
// table. The host keeps a table of its own, so it never loads or replaces the process's active table.
#pragma once

#include <string_view>

namespace refhost {

// A chem::ElementMassFunction: the standard atomic weight for mass number 0, otherwise that isotope's mass;
// 0.0 for a symbol that is not exactly an element's or a named isotope's ("D", "T"), or an unknown isotope.
double PeriodicTableMass(std::string_view symbol, int massNumber);

} // namespace refhost
