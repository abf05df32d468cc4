// Reading a periodic table text. The text is applied to a copy of the table, which replaces the table only
// when every line was accepted, so a failed read leaves the table exactly as it was.
#include "mx/ptable.h"

#include "mx/strings.h"
#include "mx/tokenizer.h"
#include "ptable_lock.h"

#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace mx {

namespace {

// Atomic numbers beyond this are refused: a slot is made for every number up to the highest one read.
constexpr ElementNumber kHighestAtomicNumber = 999;

bool IsBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) noexcept
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The whitespace-separated fields of one line; missing fields read as empty text.
class LineFields {
public:
    explicit LineFields(const std::string& line) : m_tokenizer(line, " \t", mxTokenizer::SkipEmptyTokens | mxTokenizer::NoDefaultNesting)
    {
        m_tokenizer.SetTrimCharacters(" \t");
    }

    std::string Next()
    {
        std::string field;
        if (!m_tokenizer.Next(field))
            field.clear();
        return field;
    }

    std::string Rest() { return std::string(TrimBlanks(m_tokenizer.GetResidue())); }

private:
    mxTokenizer m_tokenizer;
};

// A real field: a missing one is 0 (values a table lacks are 0, as in the built-in data); one that is
// present but not a decimal number makes the line an error rather than storing kUNDEF as data.
bool ReadReal(const std::string& field, mxRealNum& value)
{
    if (field.empty()) {
        value = mxRealNum(0.0, 0.0);
        return true;
    }
    const double read = mxRealNum::StrToDbl(field.c_str());
    if (read == mxRealNum::kUNDEF)
        return false;
    value = mxRealNum(read, 0.0);
    return true;
}

// Average masses are rounded to ten decimals the way the built-in data is: (m * 1e10 + 0.5) / 1e10.
mxRealNum WithMassOffset(const mxRealNum& mass)
{
    const double shifted = (mass.Val() * 1e10 + 0.5) / 1e10;
    return std::isfinite(shifted) ? mxRealNum(shifted, 0.0) : mass;
}

// Each decimal digit after the field's first character is one valence, the first being preferred.
std::vector<int> ReadValences(const std::string& field)
{
    std::vector<int> valences;
    for (std::size_t i = 1; i < field.size(); ++i)
        if (field[i] >= '0' && field[i] <= '9')
            valences.push_back(field[i] - '0');
    return valences;
}

bool ReadElementLine(const std::string& line, mxElement& element)
{
    LineFields fields(line);
    std::string symbol = fields.Next();
    for (char& c : symbol)
        if (c == '_')
            c = ' ';  // underscores stand for spaces
    const ElementNumber z = mxStrToInt(fields.Next().c_str());
    if (z < 1 || z > kHighestAtomicNumber)
        return false;
    element = mxElement(z);
    mxRealNum mass, ionization, electronegativity, melting, boiling, density, radius;
    if (!ReadReal(fields.Next(), mass))
        return false;
    const std::vector<int> valences = ReadValences(fields.Next());
    const std::string name = fields.Next();
    if (!ReadReal(fields.Next(), ionization) || !ReadReal(fields.Next(), electronegativity) ||
        !ReadReal(fields.Next(), melting) || !ReadReal(fields.Next(), boiling) || !ReadReal(fields.Next(), density) ||
        !ReadReal(fields.Next(), radius) || std::fabs(radius.Val()) >= INT_MAX)
        return false;
    const int period = mxStrToInt(fields.Next().c_str());
    const int group = mxStrToInt(fields.Next().c_str());
    element.SetSym(symbol);
    element.SetMass(WithMassOffset(mass));
    element.SetValences(valences);
    element.SetFullName(name);
    element.SetIP(ionization);
    element.SetEneg(electronegativity);
    element.SetMP(melting);
    element.SetBP(boiling);
    element.SetDensity(density);
    element.SetRadius(static_cast<int>(radius.Val()));
    element.SetPeriod(period);
    element.SetGroup(group);
    element.SetDiscoverer(fields.Rest());
    return true;
}

// Mass numbers are rounded masses held in 16 bits (a named isotope's entry stores one as short): a larger
// mass would wrap, and one far larger could not even be converted to an integer.
constexpr double kHighestIsotopeMass = SHRT_MAX + 0.5;

bool ReadIsotopeLine(const std::string& line, mxIsotope& isotope)
{
    LineFields fields(line);
    mxRealNum mass, abundance;
    const std::string massField = fields.Next();
    if (massField.empty() || !ReadReal(massField, mass) || !(mass.Val() > 0) || !(mass.Val() < kHighestIsotopeMass))
        return false;
    if (!ReadReal(fields.Next(), abundance))
        return false;
    isotope = mxIsotope(mass, abundance, fields.Next());
    // A named isotope with mass number 0 would be taken for an element by FindElement.
    return isotope.GetSymbol().empty() || isotope.GetMassNumber() > 0;
}

// Where a line of the text is, for reporting a conflict found after it was read.
struct TextLine {
    int number = 0;
    std::string text;
};

// A named isotope whose symbol is also an element's would take over that element's lookups: the later of
// the two lines of the text is the error. A conflict in which the text has no part is left as it was.
bool FindSymbolConflict(const mxPeriodicTable& table, const std::map<std::string, TextLine>& elementLines,
                        const std::map<std::string, TextLine>& isotopeLines, TextLine& conflict)
{
    for (ElementNumber z = 1; z <= table.MaxAtomicNo(); ++z)
        for (const mxIsotope& isotope : table.GetElement(z)->GetIsotopes()) {
            const std::string& symbol = isotope.GetSymbol();
            if (symbol.empty())
                continue;
            const ElementNumber owner = table.GetAtomicNo(symbol);
            if (owner < 1 || table.GetSymbol(owner) != symbol)
                continue;
            const auto element = elementLines.find(symbol);
            const auto named = isotopeLines.find(symbol);
            const TextLine none;
            const TextLine& elementLine = element == elementLines.end() ? none : element->second;
            const TextLine& isotopeLine = named == isotopeLines.end() ? none : named->second;
            conflict = elementLine.number > isotopeLine.number ? elementLine : isotopeLine;
            if (conflict.number > 0)
                return true;
        }
    return false;
}

} // namespace

bool mxPeriodicTable::LoadElementsTable(std::string_view text, int& lineNumber, std::string& message)
{
    std::lock_guard<std::mutex> hold(TableLock());
    mxPeriodicTable working(*this);
    ElementNumber current = 0;
    std::map<std::string, TextLine> elementLines, isotopeLines;
    lineNumber = 0;
    message.clear();
    std::size_t at = 0;
    while (at < text.size()) {
        // Lines end at CR, LF or CR LF; every line counts, comments and empty ones too.
        const std::size_t end = text.find_first_of("\r\n", at);
        const std::string line(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        at = end == std::string_view::npos ? text.size() : end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++lineNumber;
        // A line of blanks is empty too: a stray space must not make the table unreadable.
        if (TrimBlanks(line).empty() || line[0] == '#')
            continue;
        bool accepted = false;
        if ((line[0] >= 'A' && line[0] <= 'Z') || line[0] == '*') {
            mxElement element;
            accepted = ReadElementLine(line, element);
            if (accepted) {
                current = element.GetAtomicNumber();
                working.SetElement(current, element);
                elementLines[element.GetSymbol()] = TextLine{lineNumber, line};
            }
        } else if (current != 0) {
            mxIsotope isotope;
            accepted = ReadIsotopeLine(line, isotope);
            if (accepted) {
                if (!isotope.GetSymbol().empty())
                    isotopeLines[isotope.GetSymbol()] = TextLine{lineNumber, line};
                working.m_elements[current].AddIsotope(isotope);
            }
        }
        if (!accepted) {
            message = line;
            return false;
        }
    }
    if (TextLine conflict; FindSymbolConflict(working, elementLines, isotopeLines, conflict)) {
        lineNumber = conflict.number;
        message = conflict.text;
        return false;
    }
    *this = std::move(working);
    RemapNamedIsotopes();
    return true;
}

bool mxPeriodicTable::ReadPTableFromString(std::string_view text, std::string* error)
{
    int lineNumber = 0;
    std::string message;
    if (!LoadElementsTable(text, lineNumber, message)) {
        if (error)
            *error = "Error in periodic table at line " + NumToStr(lineNumber) + ":\r\n" + message;
        return false;
    }
    m_loaded = true;
    return true;
}

bool mxPeriodicTable::ReadPTableFile(const char* path, std::string* error)
{
    std::string content;
    if (path && *path) {
        // Reading a folder, or a file that fails part-way, throws from inside the stream on some runtimes
        // (std::ios_base::failure from libstdc++'s underflow); any such path is a bad file, never an escape.
        try {
            std::ifstream file(path, std::ios::binary);
            if (file)
                content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        } catch (const std::ios_base::failure&) {
            content.clear();
        }
    }
    if (content.empty()) {
        if (error)
            *error = std::string("Bad periodic table file (") + (path ? path : "") + ")";
        return false;
    }
    return ReadPTableFromString(content, error);
}

} // namespace mx
