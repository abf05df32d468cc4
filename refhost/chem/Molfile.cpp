#include "refhost/chem/Molfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>
#include <stdexcept>
#include <utility>

namespace refhost::chem {
namespace {

struct Failure {
    int line;
    std::string message;
};

[[noreturn]] void Fail(int line, std::string message) { throw Failure{line, std::move(message)}; }

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A field as it stands in the text, short enough for a message.
std::string Quoted(std::string_view field)
{
    return "\"" + std::string(field.substr(0, 20)) + (field.size() > 20 ? "...\"" : "\"");
}

// The text line by line; a line ends at LF, and carriage returns before it are dropped.
class Lines {
public:
    explicit Lines(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_position >= m_text.size(); }
    int Number() const { return m_number; }  // the line Next returned last
    std::string_view Peek() const { return Split().first; }
    std::string_view Next(std::string_view what)
    {
        if (AtEnd())
            Fail(m_number + 1, "the text ends before " + std::string(what));
        auto [line, next] = Split();
        m_position = next;
        ++m_number;
        return line;
    }
    bool RestIsBlank() const
    {
        return AtEnd() || m_text.find_first_not_of(" \t\r\n", m_position) == std::string_view::npos;
    }

private:
    std::pair<std::string_view, std::size_t> Split() const
    {
        auto end = m_text.find('\n', m_position);
        if (end == std::string_view::npos)
            end = m_text.size();
        auto line = m_text.substr(m_position, end - m_position);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return {line, end + 1};
    }

    std::string_view m_text;
    std::size_t m_position = 0;
    int m_number = 0;
};

// Fixed columns of a line (0-based start); a line that stops short reads as blanks.
std::string_view Column(std::string_view line, std::size_t start, std::size_t width)
{
    return start < line.size() ? Trim(line.substr(start, width)) : std::string_view{};
}

// A whole number in [low, high]; a blank field reads as 0.
int Integer(std::string_view field, int line, const std::string& what, int low, int high)
{
    int value = 0;
    if (!field.empty()) {
        std::string_view digits = field;
        if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-')
            digits.remove_prefix(1);
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size())
            Fail(line, what + " must be a whole number, not " + Quoted(field));
    }
    if (value < low || value > high)
        Fail(line, what + " must be from " + std::to_string(low) + " to " + std::to_string(high) + ", not "
                       + Quoted(field));
    return value;
}

double Coordinate(std::string_view field, int line)
{
    double value = 0;
    if (field.empty())
        return value;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value))
        Fail(line, "a coordinate must be a decimal number, not " + Quoted(field));
    return value;
}

std::vector<std::string_view> Tokens(std::string_view text)
{
    std::vector<std::string_view> tokens;
    while (!(text = Trim(text)).empty()) {
        auto end = std::min(text.find_first_of(" \t"), text.size());
        tokens.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return tokens;
}

// Atom-block charge codes: 1 to 3 are +3 to +1, 4 a doublet radical, 5 to 7 are -1 to -3.
constexpr int kChargeOfCode[] = {0, 3, 2, 1, 0, -1, -2, -3};
constexpr int kDoubletCode = 4;

struct MolfileBlock {
    std::string name;
    Molecule molecule;
};

// "M  CHG", "M  RAD" and "M  ISO": a count of 1 to 8, then that many pairs of atom number and value.
void ReadAtomProperty(std::string_view line, int number, Molecule& molecule)
{
    struct Property {
        std::string_view tag;
        const char* what;
        int low, high;
        int Atom::*field;
    };
    static constexpr Property kProperties[] = {
        {"M  CHG", "a charge", -15, 15, &Atom::charge},
        {"M  RAD", "a radical", 0, 3, &Atom::radical},
        {"M  ISO", "a mass number", 1, 999, &Atom::massNumber},
    };
    const auto property = std::find_if(std::begin(kProperties), std::end(kProperties),
                                       [&](const Property& p) { return StartsWith(line, p.tag); });
    if (property == std::end(kProperties))
        return;
    const auto tokens = Tokens(line.substr(6));
    const int count = tokens.empty() ? 0 : Integer(tokens[0], number, "the number of entries", 1, 8);
    if (tokens.size() != static_cast<std::size_t>(1 + 2 * count))
        Fail(number, std::string(property->tag) + " needs a count of 1 to 8 and as many pairs of atom and value");
    const int atoms = static_cast<int>(molecule.atoms.size());
    for (int entry = 0; entry < count; ++entry) {
        const int atom = Integer(tokens[1 + 2 * entry], number, "an atom number", 1, atoms) - 1;
        const int value = Integer(tokens[2 + 2 * entry], number, property->what, property->low, property->high);
        molecule.atoms[atom].*property->field = value;
        if (property->field == &Atom::massNumber)
            molecule.atoms[atom].massDifference = 0;
    }
}

MolfileBlock ReadMolfileBlock(Lines& lines)
{
    MolfileBlock block;
    block.name = lines.Next("the molfile header");
    lines.Next("the molfile header");
    lines.Next("the molfile header");
    const auto counts = lines.Next("the counts line");
    const int countsLine = lines.Number();
    const auto version = Column(counts, 33, 6);
    if (version == "V3000")
        Fail(countsLine, "V3000 molfiles are not supported; save the structure as V2000");
    if (!version.empty() && version != "V2000")
        Fail(countsLine, "unknown molfile version " + Quoted(version));
    const int atomCount = Integer(Column(counts, 0, 3), countsLine, "the number of atoms", 0, 999);
    const int bondCount = Integer(Column(counts, 3, 3), countsLine, "the number of bonds", 0, 999);
    const int atomLists = Integer(Column(counts, 6, 3), countsLine, "the number of atom lists", 0, 999);

    Molecule& molecule = block.molecule;
    for (int i = 0; i < atomCount; ++i) {
        const auto line = lines.Next("the atom block ends");
        const int number = lines.Number();
        Atom atom;
        atom.x = Coordinate(Column(line, 0, 10), number);
        atom.y = Coordinate(Column(line, 10, 10), number);
        atom.z = Coordinate(Column(line, 20, 10), number);
        const auto symbol = Column(line, 31, 3);
        if (symbol.empty())
            Fail(number, "an atom line needs an element symbol in columns 32 to 34");
        if (!std::all_of(symbol.begin(), symbol.end(), [](char c) { return c > ' ' && c < 127; }))
            Fail(number, "the element symbol " + Quoted(symbol) + " holds characters that are not printable");
        atom.symbol = symbol;
        atom.massDifference = Integer(Column(line, 34, 2), number, "the mass difference", -9, 99);
        const int chargeCode = Integer(Column(line, 36, 3), number, "the charge code", 0, 7);
        atom.charge = kChargeOfCode[chargeCode];
        atom.radical = chargeCode == kDoubletCode ? 2 : 0;
        atom.valence = Integer(Column(line, 48, 3), number, "the valence", 0, 15);
        molecule.atoms.push_back(std::move(atom));
    }

    std::set<std::pair<int, int>> bonded;
    for (int i = 0; i < bondCount; ++i) {
        const auto line = lines.Next("the bond block ends");
        const int number = lines.Number();
        Bond bond;
        bond.atom1 = Integer(Column(line, 0, 3), number, "the first atom of a bond", 1, atomCount) - 1;
        bond.atom2 = Integer(Column(line, 3, 3), number, "the second atom of a bond", 1, atomCount) - 1;
        bond.type = Integer(Column(line, 6, 3), number, "the bond type", 1, 8);
        bond.stereo = Integer(Column(line, 9, 3), number, "the bond stereo code", 0, 6);
        if (bond.atom1 == bond.atom2)
            Fail(number, "a bond joins atom " + std::to_string(bond.atom1 + 1) + " to itself");
        if (!bonded.insert(std::minmax(bond.atom1, bond.atom2)).second)
            Fail(number, "atoms " + std::to_string(bond.atom1 + 1) + " and " + std::to_string(bond.atom2 + 1)
                             + " are bonded twice");
        molecule.bonds.push_back(bond);
    }
    for (int i = 0; i < atomLists; ++i)
        lines.Next("the atom list block ends");

    // The properties block ends at "M  END", or at the next record of an RXN, RD or SD file.
    bool chargesFromProperties = false;
    while (!lines.AtEnd() && !StartsWith(lines.Peek(), "$")) {
        const auto line = lines.Next("");
        const int number = lines.Number();
        if (StartsWith(line, "M  END"))
            break;
        if ((StartsWith(line, "M  CHG") || StartsWith(line, "M  RAD")) && !chargesFromProperties) {
            // The first charge or radical line makes the atom block's charges and radicals void.
            chargesFromProperties = true;
            for (Atom& atom : molecule.atoms)
                atom.charge = atom.radical = 0;
        }
        if (StartsWith(line, "M  "))
            ReadAtomProperty(line, number, molecule);
        else if (StartsWith(line, "A  ") || StartsWith(line, "G  "))
            lines.Next("the text of an atom alias or group abbreviation");
        else if (StartsWith(line, "S  SKP"))
            for (int skip = Integer(Column(line, 6, 3), number, "the number of lines to skip", 0, 999); skip > 0; --skip)
                lines.Next("the lines to skip end");
    }
    return block;
}

ReactionStep ReadRxn(Lines& lines, ChemDocument& document, std::string* name)
{
    const auto header = lines.Next("the reaction");
    const auto version = Trim(header.substr(std::min<std::size_t>(4, header.size())));
    if (!StartsWith(header, "$RXN") || !(version.empty() || version == "V3000"))
        Fail(lines.Number(), "a reaction must start with a line $RXN");
    if (version == "V3000")
        Fail(lines.Number(), "V3000 reactions are not supported; save the reaction as V2000");
    const auto title = lines.Next("the reaction header");
    if (name)
        *name = title;
    lines.Next("the reaction header");
    lines.Next("the reaction header");
    const auto counts = lines.Next("the reaction counts line");
    const int number = lines.Number();
    const int reactants = Integer(Column(counts, 0, 3), number, "the number of reactants", 0, 999);
    const int products = Integer(Column(counts, 3, 3), number, "the number of products", 0, 999);
    const int agents = Integer(Column(counts, 6, 3), number, "the number of agents", 0, 999);

    ReactionStep step;
    auto readMolecules = [&](int count, std::vector<Component>& into) {
        for (int i = 0; i < count; ++i) {
            if (!StartsWith(lines.Next("a $MOL line"), "$MOL"))
                Fail(lines.Number(), "each molecule of a reaction must start with a line $MOL");
            into.push_back(document.AddMolecule(ReadMolfileBlock(lines).molecule));
        }
    };
    readMolecules(reactants, step.reactants);
    readMolecules(products, step.products);
    readMolecules(agents, step.agents);
    return step;
}

void ReadRdFile(Lines& lines, ChemDocument& document)
{
    if (Trim(lines.Next("the RD file header").substr(7)) != "1")
        Fail(lines.Number(), "an RD file must start with a line $RDFILE 1");
    if (!lines.AtEnd() && StartsWith(lines.Peek(), "$DATM"))
        lines.Next("");

    struct PendingStep {
        ReactionStep step;
        std::string scheme;  // the "SCHEME" data field; empty when the record has none
    };
    std::vector<PendingStep> steps;
    bool inRecord = false, inReaction = false;
    while (!lines.AtEnd()) {
        const auto line = lines.Next("");
        if (Trim(line).empty())
            continue;
        if (StartsWith(line, "$MFMT")) {
            document.AddMolecule(ReadMolfileBlock(lines).molecule);
            inRecord = true;
            inReaction = false;
        } else if (StartsWith(line, "$RFMT")) {
            steps.push_back({ReadRxn(lines, document, nullptr), {}});
            inRecord = inReaction = true;
        } else if (StartsWith(line, "$DTYPE")) {
            if (!inRecord)
                Fail(lines.Number(), "a data field before the first record");
            const auto field = Trim(line.substr(6));
            const auto datum = lines.Next("the $DATUM line");
            if (!StartsWith(datum, "$DATUM"))
                Fail(lines.Number(), "a $DTYPE line must be followed by a $DATUM line");
            // A long value goes on over the following lines, up to the next line that starts with $.
            while (!lines.AtEnd() && !StartsWith(lines.Peek(), "$"))
                lines.Next("");
            if (field == "SCHEME" && inReaction)
                steps.back().scheme = Trim(datum.substr(6));
        } else {
            Fail(lines.Number(), "expected a record ($MFMT or $RFMT) or a data field ($DTYPE)");
        }
    }

    // Steps that name the same scheme join it in file order; each unnamed step is a scheme of its own.
    std::vector<std::vector<ReactionStep>> schemes;
    std::map<std::string, std::size_t> schemeOfName;
    for (PendingStep& pending : steps) {
        std::size_t scheme = schemes.size();
        if (!pending.scheme.empty())
            scheme = schemeOfName.try_emplace(pending.scheme, scheme).first->second;
        if (scheme == schemes.size())
            schemes.emplace_back();
        schemes[scheme].push_back(std::move(pending.step));
    }
    for (auto& scheme : schemes)
        document.AddReactionScheme(std::move(scheme));
}

// Molfiles one after another, each ended by "$$$$" (an SD file); data items after a molfile are skipped.
void ReadSdFile(Lines& lines, ChemDocument& document)
{
    bool first = true;
    do {
        auto block = ReadMolfileBlock(lines);
        if (first)
            document.name = std::move(block.name);
        first = false;
        document.AddMolecule(block.molecule);
        while (!lines.AtEnd() && !StartsWith(lines.Next(""), "$$$$")) {
        }
    } while (!lines.RestIsBlank());
}

ChemDocument ReadDocument(std::string_view text)
{
    if (text.empty())
        Fail(0, "the text is empty");
    Lines lines(text);
    ChemDocument document;
    const auto first = lines.Peek();
    if (StartsWith(first, "$RDFILE")) {
        ReadRdFile(lines, document);
    } else if (StartsWith(first, "$RXN")) {
        document.AddReactionScheme({ReadRxn(lines, document, &document.name)});
        if (!lines.RestIsBlank())
            Fail(lines.Number() + 1, "unexpected text after the reaction");
    } else {
        ReadSdFile(lines, document);
    }
    return document;
}

// Writes V2000 text; lines end with LF.
class Writer {
public:
    explicit Writer(const ChemDocument& document) : m_document(document) {}
    std::string Take() { return std::move(m_text); }

    void Line(std::string_view text)
    {
        m_text += text;
        m_text += '\n';
    }

    // A molfile of chosen atoms and bonds (ascending indices; each bond's atoms among the atoms).
    void Molfile(std::string_view name, const std::vector<int>& atoms, const std::vector<int>& bonds)
    {
        if (atoms.size() > 999 || bonds.size() > 999)
            throw std::length_error("a V2000 molfile holds at most 999 atoms and 999 bonds");
        Line(name);
        Line("");
        Line("");
        Line(Format("%3zu%3zu  0  0  0  0  0  0  0  0999 V2000", atoms.size(), bonds.size()));
        std::vector<int> numberOfAtom(m_document.Atoms().size());
        // Charges, radicals and mass numbers also go to the properties block, which can hold every value.
        constexpr std::string_view kPropertyTags[] = {"M  CHG", "M  RAD", "M  ISO"};
        std::vector<std::pair<int, int>> properties[3];  // atom number and value, per tag
        for (std::size_t position = 0; position < atoms.size(); ++position) {
            const Atom& atom = m_document.Atoms()[atoms[position]];
            const int number = static_cast<int>(position) + 1;
            numberOfAtom[atoms[position]] = number;
            if (atom.symbol.empty() || atom.symbol.size() > 3)
                throw std::length_error("an element symbol has 1 to 3 characters in a molfile");
            const auto code = std::find(std::begin(kChargeOfCode) + 1, std::end(kChargeOfCode), atom.charge);
            const int chargeCode = atom.charge != 0 && code != std::end(kChargeOfCode)
                                       ? static_cast<int>(code - std::begin(kChargeOfCode)) : 0;
            Line(Coordinate(atom.x) + Coordinate(atom.y) + Coordinate(atom.z)
                 + Format(" %-3s%2d%3d  0  0  0%3d  0  0  0  0  0  0", atom.symbol.c_str(),
                          atom.massNumber == 0 ? atom.massDifference : 0, chargeCode, atom.valence));
            const int values[] = {atom.charge, atom.radical, atom.massNumber};
            for (int tag = 0; tag < 3; ++tag)
                if (values[tag] != 0)
                    properties[tag].push_back({number, values[tag]});
        }
        for (int index : bonds) {
            const Bond& bond = m_document.Bonds()[index];
            Line(Format("%3d%3d%3d%3d  0  0  0", numberOfAtom.at(bond.atom1), numberOfAtom.at(bond.atom2),
                        bond.type, bond.stereo));
        }
        for (int tag = 0; tag < 3; ++tag)
            for (std::size_t first = 0; first < properties[tag].size(); first += 8) {
                const auto& entries = properties[tag];
                const std::size_t count = std::min<std::size_t>(8, entries.size() - first);
                std::string line = std::string(kPropertyTags[tag]) + Format("%3zu", count);
                for (std::size_t i = first; i < first + count; ++i)
                    line += Format(" %3d %3d", entries[i].first, entries[i].second);
                Line(line);
            }
        Line("M  END");
    }

    // A molfile of whole groups: their atoms and every bond between them.
    void MolfileOfGroups(const std::vector<int>& groups)
    {
        std::vector<bool> chosen(m_document.Atoms().size());
        std::vector<int> atoms, bonds;
        for (int group : groups)
            for (int atom : m_document.Groups()[group].atoms)
                chosen[atom] = true;
        for (int atom = 0; atom < static_cast<int>(chosen.size()); ++atom)
            if (chosen[atom])
                atoms.push_back(atom);
        for (int bond = 0; bond < static_cast<int>(m_document.Bonds().size()); ++bond)
            if (chosen[m_document.Bonds()[bond].atom1])
                bonds.push_back(bond);
        Molfile("", atoms, bonds);
    }

    void Rxn(std::string_view name, const ReactionStep& step)
    {
        Line("$RXN");
        Line(name);
        Line("");
        Line("");
        Line(Format("%3zu%3zu", step.reactants.size(), step.products.size())
             + (step.agents.empty() ? "" : Format("%3zu", step.agents.size())));
        ForEachComponent(step, [&](const Component& component) {
            Line("$MOL");
            MolfileOfGroups(component.groups);
        });
    }

    void RdFile(const std::vector<int>& looseGroups, const std::vector<int>& schemes)
    {
        Line("$RDFILE 1");
        for (int group : looseGroups) {
            Line("$MFMT");
            MolfileOfGroups({group});
        }
        for (int scheme : schemes)
            for (const ReactionStep& step : m_document.ReactionSchemes()[scheme].steps) {
                Line("$RFMT");
                Rxn("", step);
                Line("$DTYPE SCHEME");
                Line("$DATUM " + std::to_string(scheme + 1));
            }
    }

private:
    template <typename... Arguments>
    static std::string Format(const char* format, Arguments... arguments)
    {
        char buffer[128];
        const int length = std::snprintf(buffer, sizeof buffer, format, arguments...);
        return std::string(buffer, std::clamp(length, 0, static_cast<int>(sizeof buffer) - 1));
    }

    // Ten columns: four decimals, or fewer where the whole part needs the room.
    static std::string Coordinate(double value)
    {
        for (int decimals = 4; decimals >= 0; --decimals) {
            auto text = Format("%10.*f", decimals, value);
            if (text.size() == 10)
                return text;
        }
        throw std::length_error("a coordinate does not fit the ten columns of a molfile");
    }

    const ChemDocument& m_document;
    std::string m_text;
};

bool IsSingleStep(const ReactionScheme& scheme) { return scheme.steps.size() == 1; }

} // namespace

std::optional<ChemDocument> ReadChemDocument(std::string_view text, ReadError* error)
{
    try {
        return ReadDocument(text);
    } catch (const Failure& failure) {
        if (error)
            *error = {failure.line, failure.message};
        return std::nullopt;
    }
}

std::string WriteChemDocument(const ChemDocument& document)
{
    Writer writer(document);
    const auto& schemes = document.ReactionSchemes();
    if (schemes.empty()) {
        std::vector<int> atoms(document.Atoms().size()), bonds(document.Bonds().size());
        std::iota(atoms.begin(), atoms.end(), 0);
        std::iota(bonds.begin(), bonds.end(), 0);
        writer.Molfile(document.name, atoms, bonds);
        return writer.Take();
    }
    std::vector<bool> inReaction(document.Groups().size());
    for (const ReactionScheme& scheme : schemes)
        for (const ReactionStep& step : scheme.steps)
            ForEachComponent(step, [&](const Component& component) {
                for (int group : component.groups)
                    inReaction[group] = true;
            });
    std::vector<int> looseGroups;
    for (int group = 0; group < static_cast<int>(inReaction.size()); ++group)
        if (!inReaction[group])
            looseGroups.push_back(group);

    if (schemes.size() == 1 && IsSingleStep(schemes[0]) && looseGroups.empty()) {
        writer.Rxn(document.name, schemes[0].steps[0]);
    } else {
        std::vector<int> all(schemes.size());
        std::iota(all.begin(), all.end(), 0);
        writer.RdFile(looseGroups, all);
    }
    return writer.Take();
}

std::string WriteSelection(const ChemDocument& document)
{
    Writer writer(document);
    const Selection& selection = document.GetSelection();
    if (selection.schemes.size() == 1 && IsSingleStep(document.ReactionSchemes()[selection.schemes[0]])) {
        writer.Rxn("", document.ReactionSchemes()[selection.schemes[0]].steps[0]);
    } else if (!selection.schemes.empty()) {
        writer.RdFile({}, selection.schemes);
    } else {
        std::vector<int> atoms = selection.atoms;
        std::sort(atoms.begin(), atoms.end());
        std::vector<int> bonds;
        for (int bond : selection.bonds) {
            const Bond& b = document.Bonds()[bond];
            if (std::binary_search(atoms.begin(), atoms.end(), b.atom1)
                && std::binary_search(atoms.begin(), atoms.end(), b.atom2))
                bonds.push_back(bond);
        }
        std::sort(bonds.begin(), bonds.end());
        writer.Molfile("", atoms, bonds);
    }
    return writer.Take();
}

} // namespace refhost::chem
