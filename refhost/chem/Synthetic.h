// Documents of a chosen size, built in memory, for timing the selection analysis on selections of tens to
// thousands of atoms (more than one V2000 molfile can hold).
#pragma once

#include "refhost/chem/ChemDocument.h"

namespace refhost::chem {

// `fragments` zigzag chains sharing `atoms` atoms (carbon, every fifth one oxygen), each a reactant of one
// single-step reaction scheme whose product is a separate small molecule, with the chains selected whole
// (their atoms, then their bonds, in document order) and no scheme selected. Throws std::invalid_argument
// unless 1 <= fragments <= atoms.
ChemDocument MakeChainsDocument(int atoms, int fragments = 1);

} // namespace refhost::chem
