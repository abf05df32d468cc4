// Reading and writing chemical documents as MDL connection-table text (V2000):
//   - a molfile, or several molfiles of an SD file: molecules without reactions;
//   - an RXN file ("$RXN"): one reaction scheme of one step, its reactants, products and optional agents;
//   - an RD file ("$RDFILE 1"): "$MFMT" molecule records and "$RFMT" reaction records. Reaction records with
//     the same value of the data field "SCHEME" are the steps of one scheme in file order; a record without
//     it is a scheme of its own. This is how several reactions and multi-step schemes are written.
// The reader takes outside text (users' files, structures a service sends back): any bytes give either a
// document or an error naming the line. Lines end with LF or CR LF.
#pragma once

#include "refhost/chem/ChemDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace refhost::chem {

struct ReadError {
    int line = 0;          // 1-based line of the text where reading stopped
    std::string message;
    std::string ToString() const { return "line " + std::to_string(line) + ": " + message; }
};

std::optional<ChemDocument> ReadChemDocument(std::string_view text, ReadError* error = nullptr);

// The whole document: a molfile when it has no reactions, an RXN file when it is one single-step reaction
// and nothing else, an RD file otherwise. Reading the text back gives the same document (coordinates
// rounded to the four decimals of the format). Throws std::length_error for a molecule of more than 999
// atoms or bonds, which V2000 cannot count.
std::string WriteChemDocument(const ChemDocument& document);

// The selection as the host hands it out: the selected reaction schemes (an RXN file for one single-step
// scheme, an RD file otherwise) or, without them, a molfile of the selected atoms and of the selected bonds
// whose two atoms are both selected.
std::string WriteSelection(const ChemDocument& document);

} // namespace refhost::chem
