// The periodic table: the active table and its lock, the built-in data, lookups by number and symbol,
// named isotopes, and the classification predicates and column navigation that need no table.
#include "mx/ptable.h"

#include "../data/builtin_ptable.h"
#include "ptable_lock.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace mx {

namespace {

mxPeriodicTable g_defaultTable;  // the library's own table, empty until loaded
mxPeriodicTable* g_activeTable = &g_defaultTable;

const mxRealNum kExactZero(0.0, 0.0);

struct Range {
    ElementNumber low, high;
};

template <std::size_t N> constexpr bool InRanges(ElementNumber z, const Range (&ranges)[N]) noexcept
{
    for (const Range& range : ranges)
        if (z >= range.low && z <= range.high)
            return true;
    return false;
}

constexpr Range kAlkaliMetals[] = {{3, 3}, {11, 11}, {19, 19}, {37, 37}, {55, 55}, {87, 87}};
constexpr Range kAlkalineEarthMetals[] = {{4, 4}, {12, 12}, {20, 20}, {38, 38}, {56, 56}, {88, 88}};
constexpr Range kGroup13[] = {{5, 5}, {13, 13}, {31, 31}, {49, 49}, {81, 81}};
constexpr Range kGroup14[] = {{6, 6}, {14, 14}, {32, 32}, {50, 50}, {82, 82}};
constexpr Range kGroup15[] = {{7, 7}, {15, 15}, {33, 33}, {51, 51}, {83, 83}};
constexpr Range kGroup16[] = {{8, 8}, {16, 16}, {34, 34}, {52, 52}, {84, 84}};
constexpr Range kLikeSulfur[] = {{16, 16}, {34, 34}, {52, 52}, {84, 84}};
constexpr Range kHalogens[] = {{9, 9}, {17, 17}, {35, 35}, {53, 53}, {85, 85}};
constexpr Range kNobleGases[] = {{2, 2}, {10, 10}, {18, 18}, {36, 36}, {54, 54}, {86, 86}};
constexpr Range kLanthanides[] = {{57, 71}};
constexpr Range kActinides[] = {{89, 103}};
constexpr Range kTransitionMetals[] = {{21, 30}, {39, 48}, {57, 80}, {89, 118}};
constexpr Range kAlkaliAlkalineEarthTransition[] = {{3, 4}, {11, 12}, {19, 30}, {37, 48}, {55, 80}, {87, 118}};
constexpr Range kMainGroup[] = {{1, 20}, {31, 38}, {49, 56}, {81, 88}};
constexpr Range kMetals[] = {{3, 4}, {11, 13}, {19, 32}, {37, 51}, {55, 84}, {87, INT_MAX}};
constexpr Range kImplicitHydrogen[] = {{1, 1}, {6, 9}, {14, 16}};

// First atomic number of the next row: row r holds numbers below kRowEnds[r].
constexpr ElementNumber kRowEnds[] = {3, 11, 19, 37, 55, 89, 125};

// Default valence by atomic number, 0..103.
constexpr signed char kDefaultValences[104] = {
    0,                                                           // no element
    1, 0,                                                        // H He
    1, 2, 3, 4, 3, 2, 1, 0,                                      // Li .. Ne
    1, 2, 3, 4, 5, 6, 1, 0,                                      // Na .. Ar
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 2, 2, 3, 4, 5, 2, 1, 0,       // K .. Kr
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 3, 2, 1, 0,       // Rb .. Xe
    1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,        // Cs Ba La, Ce .. Hf
    5, 6, 7, 4, 3, 4, 1, 2, 3, 4, 3, 2, 1, 0,                    // Ta .. Rn
    1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,           // Fr .. U, Np .. Lr
};

// The 18 columns of the table, each ascending.
constexpr ElementNumber kColumns[18][7] = {
    {1, 3, 11, 19, 37, 55, 87}, {4, 12, 20, 38, 56, 88}, {21, 39, 57, 89}, {22, 40, 72, 104},
    {23, 41, 73, 105}, {24, 42, 74, 106}, {25, 43, 75, 107}, {26, 44, 76, 108}, {27, 45, 77, 109},
    {28, 46, 78, 110}, {29, 47, 79, 111}, {30, 48, 80, 112}, {5, 13, 31, 49, 81, 113}, {6, 14, 32, 50, 82, 114},
    {7, 15, 33, 51, 83, 115}, {8, 16, 34, 52, 84, 116}, {9, 17, 35, 53, 85, 117}, {2, 10, 18, 36, 54, 86, 118},
};

// Finds z in the columns: the column and z's place in it, or false. Unused places hold 0.
bool FindInColumns(ElementNumber z, int& column, int& place) noexcept
{
    if (z < 1)
        return false;
    for (column = 0; column < 18; ++column)
        for (place = 0; place < 7; ++place)
            if (kColumns[column][place] == z)
                return true;
    return false;
}

} // namespace

std::mutex& TableLock()
{
    static std::mutex lock;
    return lock;
}

mxPeriodicTable::mxPeriodicTable()
{
    m_elements.reserve(119);
}

mxPeriodicTable::~mxPeriodicTable() = default;

mxPeriodicTable* mxPeriodicTable::GetPTable()
{
    std::lock_guard<std::mutex> hold(TableLock());
    return g_activeTable;
}

mxPeriodicTable* mxPeriodicTable::SetPTable(mxPeriodicTable* table)
{
    std::lock_guard<std::mutex> hold(TableLock());
    mxPeriodicTable* previous = g_activeTable;
    g_activeTable = table ? table : &g_defaultTable;
    return previous;
}

mxPeriodicTable* mxGetPTable()
{
    return mxPeriodicTable::GetPTable();
}

bool mxPeriodicTable::LoadDefault()
{
    std::lock_guard<std::mutex> hold(TableLock());
    // Starts from an empty table so the result is exactly the built-in data (and IsDefaultLoaded holds).
    Clear();
    m_elements.push_back(mxElement(0, 0));
    for (const builtin::ElementRecord& record : builtin::kElements) {
        // Room for exactly its isotopes: the general reserve of 64 would take a page per element, and fresh
        // pages are most of what a first load costs.
        m_elements.push_back(mxElement(record.atomicNumber, static_cast<std::size_t>(record.isotopeCount)));
        mxElement& element = m_elements.back();
        element.m_symbol = record.symbol;
        element.m_fullName = record.name;
        element.m_averageMass = mxRealNum(record.averageMass, 0);
        element.m_meltingPoint = mxRealNum(record.meltingPoint, 0);
        element.m_boilingPoint = mxRealNum(record.boilingPoint, 0);
        element.m_density = mxRealNum(record.density, 0);
        element.m_ionizationPotential = mxRealNum(record.ionizationPotential, 0);
        element.m_electronegativity = mxRealNum(record.electronegativity, 0);
        element.m_group = record.group;
        element.m_period = record.period;
        element.m_radius = record.radius;
        element.m_discoverer = record.discoverer;
        element.m_valences = mxValenceList(std::vector<int>(record.valences, record.valences + record.valenceCount));
        for (int i = record.firstIsotope; i < record.firstIsotope + record.isotopeCount; ++i)
            element.m_isotopes.emplace_back(mxRealNum(builtin::kIsotopes[i].mass, 0),
                                            mxRealNum(builtin::kIsotopes[i].abundance, 0));
        MapSymbol(element.m_symbol, record.atomicNumber);
    }
    for (std::size_t i = 0; i < builtin::kNamedIsotopeCount; ++i) {
        const builtin::NamedIsotopeRecord& named = builtin::kNamedIsotopes[i];
        mxIsotope& isotope = m_elements[named.atomicNumber].m_isotopes[named.position];
        isotope = mxIsotope(isotope.GetMass(), isotope.GetAbundance(), named.symbol);
    }
    RemapNamedIsotopes();
    return true;
}

void mxPeriodicTable::Clear()
{
    m_elements.clear();
    m_namedIsotopes.clear();
    m_symbolMap.clear();
    m_shortSymbolCodes.fill(0);
    m_modified = false;
    m_loaded = false;
}

bool mxPeriodicTable::ElementExists(ElementNumber z) const noexcept
{
    return LegalElmNo(z) && m_elements[z].IsDefined();
}

const mxElement* mxPeriodicTable::GetElement(ElementNumber z) const noexcept
{
    return LegalElmNo(z) ? &m_elements[z] : nullptr;
}

mxElement* mxPeriodicTable::GetElement(ElementNumber z) noexcept
{
    return LegalElmNo(z) ? &m_elements[z] : nullptr;
}

void mxPeriodicTable::SetElement(ElementNumber z, const mxElement& element)
{
    if (z < 1)
        return;  // slot 0 is never an element
    if (static_cast<std::size_t>(z) >= m_elements.size())
        m_elements.resize(static_cast<std::size_t>(z) + 1);
    const std::string& previous = m_elements[z].GetSymbol();
    const auto mapped = m_symbolMap.find(previous);
    if (!previous.empty() && mapped != m_symbolMap.end() && mapped->second == z)
        UnmapSymbol(mapped);
    m_elements[z] = element;
    if (element.IsDefined())
        MapSymbol(element.GetSymbol(), z);
}

std::string mxPeriodicTable::GetSymbol(ElementNumber z) const
{
    return ElementExists(z) ? m_elements[z].GetSymbol() : std::string("?");
}

int mxPeriodicTable::GetRadius(ElementNumber z) const noexcept
{
    return ElementExists(z) ? m_elements[z].GetRadius() : 0;
}

const mxRealNum& mxPeriodicTable::GetMass(ElementNumber z) const noexcept
{
    return ElementExists(z) ? m_elements[z].GetAverageMass() : kExactZero;
}

const mxRealNum& mxPeriodicTable::GetWeight(ElementNumber z) const noexcept
{
    return GetMass(z);
}

int mxPeriodicTable::GetState(ElementNumber z, float temperatureCelsius) const noexcept
{
    return ElementExists(z) ? m_elements[z].GetState(temperatureCelsius) : mx_StateUnknown;
}

int mxPeriodicTable::GetIntendedValence(ElementNumber z, int atLeast) const noexcept
{
    return ElementExists(z) ? m_elements[z].GetValences().GetIntendedValence(atLeast) : 0;
}

namespace {

// The index of a symbol of one capital and at most one small letter in m_shortSymbolCodes, else -1.
int ShortSymbolSlot(std::string_view symbol) noexcept
{
    if (symbol.empty() || symbol.size() > 2 || symbol[0] < 'A' || symbol[0] > 'Z')
        return -1;
    if (symbol.size() == 1)
        return (symbol[0] - 'A') * 27;
    if (symbol[1] < 'a' || symbol[1] > 'z')
        return -1;
    return (symbol[0] - 'A') * 27 + (symbol[1] - 'a') + 1;
}

} // namespace

void mxPeriodicTable::MapSymbol(const std::string& symbol, int code)
{
    m_symbolMap[symbol] = code;
    if (const int slot = ShortSymbolSlot(symbol); slot >= 0)
        m_shortSymbolCodes[slot] = code;
}

void mxPeriodicTable::UnmapSymbol(std::map<std::string, int, std::less<>>::const_iterator mapped)
{
    if (const int slot = ShortSymbolSlot(mapped->first); slot >= 0)
        m_shortSymbolCodes[slot] = 0;
    m_symbolMap.erase(mapped);
}

int mxPeriodicTable::FindCode(std::string_view symbol) const noexcept
{
    if (const int slot = ShortSymbolSlot(symbol); slot >= 0)
        return m_shortSymbolCodes[slot];
    const auto found = m_symbolMap.find(symbol);
    return found == m_symbolMap.end() ? 0 : found->second;
}

const mxElement* mxPeriodicTable::Entry(int code) const noexcept
{
    if (code >= 1)
        return code <= MaxAtomicNo() ? &m_elements[code] : nullptr;
    const std::size_t named = static_cast<std::size_t>(-(static_cast<long long>(code) + 1));
    return code <= -1 && named < m_namedIsotopes.size() ? &m_namedIsotopes[named] : nullptr;
}

ElementNumber mxPeriodicTable::GetAtomicNo(std::string_view symbol) const noexcept
{
    const int code = FindCode(symbol);
    if (code >= 1)
        return code <= MaxAtomicNo() ? code : 0;  // an element's code is its atomic number
    const mxElement* entry = Entry(code);
    return entry ? entry->GetAtomicNumber() : 0;
}

ElementNumber mxPeriodicTable::GetAtomicNo(const char* symbol) const noexcept
{
    return symbol ? GetAtomicNo(std::string_view(symbol)) : 0;
}

const mxElement* mxPeriodicTable::LookupElement(std::string_view text) const noexcept
{
    if (text.empty())
        return nullptr;
    if (const int code = FindCode(text); code != 0)
        return Entry(code);
    // Symbols beginning with the text's first character are adjacent in the ordered map.
    const mxElement* best = nullptr;
    std::size_t bestLength = 0;
    for (auto it = m_symbolMap.lower_bound(text.substr(0, 1)); it != m_symbolMap.end() && it->first[0] == text[0];
         ++it) {
        const std::string& symbol = it->first;
        if (symbol.size() > bestLength && text.substr(0, symbol.size()) == symbol) {
            best = Entry(it->second);
            bestLength = symbol.size();
        }
    }
    return best;
}

const mxElement* mxPeriodicTable::LookupElement(const char* text) const noexcept
{
    return text ? LookupElement(std::string_view(text)) : nullptr;
}

ElementNumber mxPeriodicTable::FindElement(const char* text, int* matchedLength, bool allowIsotopes,
                                           short* massNumber) const noexcept
{
    const mxElement* entry = LookupElement(text);
    if (matchedLength)
        *matchedLength = entry ? static_cast<int>(entry->GetSymbol().size()) : 0;
    if (!entry)
        return 0;
    if (allowIsotopes) {
        if (massNumber)
            *massNumber = entry->GetMassNumber();
    } else if (entry->GetMassNumber() != 0) {
        return 0;
    }
    return entry->GetAtomicNumber();
}

void mxPeriodicTable::AddNamedIsotope(const mxElement& element)
{
    m_namedIsotopes.push_back(element);
    MapSymbol(element.GetSymbol(), -static_cast<int>(m_namedIsotopes.size()));
}

void mxPeriodicTable::RemapNamedIsotopes()
{
    for (auto mapped = m_symbolMap.begin(); mapped != m_symbolMap.end();)
        if (mapped->second < 0)
            UnmapSymbol(mapped++);
        else
            ++mapped;
    m_namedIsotopes.clear();
    for (ElementNumber z = 1; z <= MaxAtomicNo(); ++z) {
        const mxElement& element = m_elements[z];
        if (!element.IsDefined())
            continue;
        for (const mxIsotope& isotope : element.GetIsotopes()) {
            // An entry's mass number is a short, and 0 marks an element: an isotope added by a caller
            // whose mass number does not fit in between cannot be told apart, so it gets no symbol.
            const int massNumber = isotope.GetMassNumber();
            if (!isotope.GetSymbol().empty() && massNumber >= 1 && massNumber <= SHRT_MAX)
                AddNamedIsotope(mxElement(element, isotope.GetSymbol(), isotope));
        }
    }
}

bool mxPeriodicTable::operator==(const mxPeriodicTable& other) const noexcept
{
    return m_elements == other.m_elements;
}

bool mxPeriodicTable::IsAlkaliMetal(ElementNumber z) noexcept { return InRanges(z, kAlkaliMetals); }
bool mxPeriodicTable::IsAlkalineEarthMetal(ElementNumber z) noexcept { return InRanges(z, kAlkalineEarthMetals); }
bool mxPeriodicTable::IsInGroup13(ElementNumber z) noexcept { return InRanges(z, kGroup13); }
bool mxPeriodicTable::IsLikeBoron(ElementNumber z) noexcept { return InRanges(z, kGroup13); }
bool mxPeriodicTable::IsInGroup14(ElementNumber z) noexcept { return InRanges(z, kGroup14); }
bool mxPeriodicTable::IsLikeCarbon(ElementNumber z) noexcept { return InRanges(z, kGroup14); }
bool mxPeriodicTable::IsInGroup15(ElementNumber z) noexcept { return InRanges(z, kGroup15); }
bool mxPeriodicTable::IsPnictogen(ElementNumber z) noexcept { return InRanges(z, kGroup15); }
bool mxPeriodicTable::IsLikeNitrogen(ElementNumber z) noexcept { return InRanges(z, kGroup15); }
bool mxPeriodicTable::IsInGroup16(ElementNumber z) noexcept { return InRanges(z, kGroup16); }
bool mxPeriodicTable::IsChalcogen(ElementNumber z) noexcept { return InRanges(z, kGroup16); }
bool mxPeriodicTable::IsLikeSulfur(ElementNumber z) noexcept { return InRanges(z, kLikeSulfur); }
bool mxPeriodicTable::IsHalogen(ElementNumber z) noexcept { return InRanges(z, kHalogens); }
bool mxPeriodicTable::IsNobleGas(ElementNumber z) noexcept { return InRanges(z, kNobleGases); }
bool mxPeriodicTable::IsLanthanide(ElementNumber z) noexcept { return InRanges(z, kLanthanides); }
bool mxPeriodicTable::IsActinide(ElementNumber z) noexcept { return InRanges(z, kActinides); }
bool mxPeriodicTable::IsTransitionMetal(ElementNumber z) noexcept { return InRanges(z, kTransitionMetals); }
bool mxPeriodicTable::IsAlkaliOrAlkalineEarthOrTransitionMetal(ElementNumber z) noexcept
{
    return InRanges(z, kAlkaliAlkalineEarthTransition);
}
bool mxPeriodicTable::IsMainGroupElement(ElementNumber z) noexcept { return InRanges(z, kMainGroup); }
bool mxPeriodicTable::IsMetal(ElementNumber z) noexcept { return InRanges(z, kMetals); }
bool mxPeriodicTable::CanInferImplicitHydrogen(ElementNumber z) noexcept { return InRanges(z, kImplicitHydrogen); }

int mxPeriodicTable::GetRow(ElementNumber z) noexcept
{
    for (int row = 0; row < static_cast<int>(std::size(kRowEnds)); ++row)
        if (z < kRowEnds[row])
            return row;
    return -1;
}

int mxPeriodicTable::DefaultValence(ElementNumber z) noexcept
{
    return z >= 1 && z <= 103 ? kDefaultValences[z] : 0;
}

ElementNumber mxPeriodicTable::NextHigherElementInColumn(ElementNumber z) noexcept
{
    int column = 0, place = 0;
    if (!FindInColumns(z, column, place) || place == 6 || kColumns[column][place + 1] == 0)
        return z;
    return kColumns[column][place + 1];
}

ElementNumber mxPeriodicTable::NextLowerElementInColumn(ElementNumber z) noexcept
{
    int column = 0, place = 0;
    if (FindInColumns(z, column, place) && place > 0)
        return kColumns[column][place - 1];
    // Lanthanides and actinides below the table step up to the head of their series.
    if (z >= 58 && z <= 71)
        return 57;
    if (z >= 90 && z <= 103)
        return 89;
    return z;
}

} // namespace mx
