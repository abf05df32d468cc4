// What the chemical document tests share: fixtures, a small mass table, molfile lines in their columns and
// a summary of a document to compare documents by.
#pragma once

#include "refhost/chem/Molfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include "test_paths.h"
#endif

namespace chem_test {

using namespace refhost::chem;

inline std::string FixtureText(const std::string& name)
{
#ifdef _WIN32
    return testing_support::ReadTextFile(testing_support::FixturePath(name));
#else
    const char* root = std::getenv("ULNARA_SOURCE_DIR");
    if (!root)
        throw std::runtime_error("ULNARA_SOURCE_DIR is not set (run the tests through ctest)");
    std::ifstream in(std::string(root) + "/tests/fixtures/" + name, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read fixture " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
#endif
}

inline ChemDocument Read(std::string_view text)
{
    ReadError error;
    auto document = ReadChemDocument(text, &error);
    if (!document)
        throw std::runtime_error(error.ToString());
    return std::move(*document);
}

inline ChemDocument ReadFixture(const std::string& name) { return Read(FixtureText(name)); }

// Conventional standard atomic weights (IUPAC) and the isotopes the tests use.
inline double TestMasses(std::string_view symbol, int massNumber)
{
    static const std::map<std::pair<std::string_view, int>, double> masses = {
        {{"H", 0}, 1.008},      {{"B", 0}, 10.81},    {{"C", 0}, 12.011},    {{"N", 0}, 14.007},
        {{"O", 0}, 15.999},     {{"Na", 0}, 22.990},  {{"Cl", 0}, 35.45},    {{"D", 0}, 2.014101778},
        {{"C", 13}, 13.003354835}, {{"H", 2}, 2.014101778},
    };
    auto found = masses.find({symbol, massNumber});
    return found == masses.end() ? 0.0 : found->second;
}

// An atom line with the fields the reader looks at, in their columns.
inline std::string AtomLine(const char* symbol, int massDifference = 0, int chargeCode = 0, int valence = 0)
{
    char line[96];
    std::snprintf(line, sizeof line, "    0.0000    0.0000    0.0000 %-3s%2d%3d  0  0  0%3d  0  0  0  0  0  0\n", symbol,
                  massDifference, chargeCode, valence);
    return line;
}

inline std::string CountsLine(int atoms, int bonds)
{
    char line[64];
    std::snprintf(line, sizeof line, "%3d%3d  0  0  0  0  0  0  0  0999 V2000\n", atoms, bonds);
    return line;
}

// Everything chemical about a document, in order (not its IDs or coordinates).
inline std::string Describe(const ChemDocument& document)
{
    std::ostringstream out;
    for (const Atom& atom : document.Atoms())
        out << atom.symbol << '/' << atom.charge << '/' << atom.massNumber << '/' << atom.massDifference << '/'
            << atom.radical << '/' << atom.valence << '/' << atom.group << ' ';
    out << "| ";
    for (const Bond& bond : document.Bonds())
        out << bond.atom1 << '-' << bond.atom2 << ':' << bond.type << '/' << bond.stereo << ' ';
    out << "| groups " << document.Groups().size();
    for (const ReactionScheme& scheme : document.ReactionSchemes()) {
        out << " | scheme";
        for (const ReactionStep& step : scheme.steps) {
            out << " [";
            for (const auto* components : {&step.reactants, &step.products, &step.agents}) {
                for (const Component& component : *components) {
                    out << '(';
                    for (int group : component.groups)
                        out << group << ' ';
                    out << ')';
                }
                out << ';';
            }
            out << ']';
        }
    }
    return out.str();
}

} // namespace chem_test
