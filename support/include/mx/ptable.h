// The periodic table: elements by atomic number or symbol with masses, isotopes, valences and physical
// data; classification predicates and column navigation that need no table; one process-wide active table.
//
// Locking: one process-wide lock guards the active-table pointer and whole-table loading (LoadDefault,
// LoadElementsTable). Queries on a table are not locked: do not query a table while it is loaded or changed.
#pragma once

#include "mx/export.h"
#include "mx/realnum.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mx {

using ElementNumber = int;

enum mx_ElementState : int {
    mx_StateUnknown = 0,  // mxPeriodicTable::GetState for an atomic number without an element
    mx_Solid = 1,
    mx_Liquid = 2,
    mx_Gas = 3,
};

class MX_API mxIsotope {
public:
    mxIsotope() = default;
    mxIsotope(const mxRealNum& mass, const mxRealNum& abundance, const std::string& symbol = {});
    mxIsotope(const mxIsotope& other);
    mxIsotope& operator=(const mxIsotope& other);
    mxIsotope(mxIsotope&&) noexcept = default;
    mxIsotope& operator=(mxIsotope&&) noexcept = default;
    ~mxIsotope();

    int GetMassNumber() const noexcept;  // the mass rounded half up
    const mxRealNum& GetMass() const noexcept { return m_mass; }
    const mxRealNum& GetAbundance() const noexcept { return m_abundance; }  // percent; 0 for synthetic
    const std::string& GetSymbol() const noexcept;                          // "D", "T"; empty if unnamed

private:
    mxRealNum m_mass;
    mxRealNum m_abundance;
    // Held only by the few named isotopes: an isotope is 40 bytes instead of 64, which matters for the
    // thousands a table holds (a first load mostly pays for the memory pages it touches).
    std::unique_ptr<std::string> m_symbol;
};

// Valences in ascending order and the preferred one (the first of the list as supplied).
class MX_API mxValenceList {
public:
    mxValenceList() = default;
    mxValenceList(std::vector<int> valences);

    std::size_t size() const noexcept { return m_valences.size(); }
    int operator[](std::size_t index) const noexcept;  // 0 out of range
    int MinValence() const noexcept;
    int MaxValence() const noexcept;
    int PreferredValence() const noexcept { return m_preferred; }
    std::vector<int> GetValenceList() const { return m_valences; }
    bool operator==(const mxValenceList& other) const noexcept;
    bool operator!=(const mxValenceList& other) const noexcept { return !(*this == other); }

    int FindSmallest(int atLeast) const noexcept;             // smallest valence >= atLeast, or -1
    int FindSmallestOrPreferred(int atLeast) const noexcept;  // max(that, preferred); else preferred or -1
    // atLeast <= preferred: the preferred valence; else the smallest valence >= atLeast; else the largest.
    int GetIntendedValence(int atLeast) const noexcept;

private:
    std::vector<int> m_valences;
    int m_preferred = 0;
};

class MX_API mxElement {
public:
    explicit mxElement(ElementNumber atomicNumber = 0);
    // A named-isotope entry: a copy of the element without isotopes, carrying the isotope's symbol, its
    // mass as average mass and its mass number.
    mxElement(const mxElement& element, const std::string& symbol, const mxIsotope& isotope);

    bool IsDefined() const noexcept { return !m_symbol.empty(); }
    bool IsModified() const noexcept { return m_modified; }

    const mxRealNum& GetAverageMass() const noexcept { return m_averageMass; }
    const mxRealNum& GetDensity() const noexcept { return m_density; }
    const mxRealNum& GetMP() const noexcept { return m_meltingPoint; }   // degrees Celsius
    const mxRealNum& GetBP() const noexcept { return m_boilingPoint; }   // degrees Celsius
    const mxRealNum& GetIP() const noexcept { return m_ionizationPotential; }
    const mxRealNum& GetEneg() const noexcept { return m_electronegativity; }
    const std::string& GetSymbol() const noexcept { return m_symbol; }
    const std::string& GetFullName() const noexcept { return m_fullName; }
    const std::string& GetDiscoverer() const noexcept { return m_discoverer; }
    ElementNumber GetAtomicNumber() const noexcept { return m_atomicNumber; }
    short GetMassNumber() const noexcept { return m_massNumber; }
    int GetRadius() const noexcept { return m_radius; }
    int GetGroup() const noexcept { return m_group; }
    int GetPeriod() const noexcept { return m_period; }
    const std::vector<mxIsotope>& GetIsotopes() const noexcept { return m_isotopes; }

    // Setters mark the element modified only when the value changes.
    void SetMass(const mxRealNum& mass);
    void SetMP(const mxRealNum& meltingPoint);
    void SetBP(const mxRealNum& boilingPoint);
    void SetDensity(const mxRealNum& density);
    void SetIP(const mxRealNum& ionizationPotential);
    void SetEneg(const mxRealNum& electronegativity);
    void SetGroup(int group);
    void SetPeriod(int period);
    void SetRadius(int radius);
    void SetSym(const std::string& symbol);
    void SetFullName(const std::string& fullName);
    void SetDiscoverer(const std::string& discoverer);
    void SetValences(const std::vector<int>& valences);  // preferred first
    void AddIsotope(const mxIsotope& isotope);           // appended; the modified flag is untouched

    // The element's own list for charge 0 or when it has none; otherwise the list of the isoelectronic
    // element (atomic number minus charge) in the active table, empty when that does not exist.
    const mxValenceList& GetValences(int charge = 0) const;
    short GetMaxValence() const noexcept;
    short GetPreferredValence() const noexcept;

    // The most abundant isotope's mass (the average mass when there are no isotopes).
    const mxRealNum& GetExactMass() const noexcept;
    const mxIsotope* GetMostCommonIsotope() const noexcept;
    const mxIsotope* GetLightestIsotope() const noexcept;  // first natural one, else the first
    const mxIsotope* GetIsotope(int massNumber) const noexcept;
    int GetState(float temperatureCelsius) const noexcept;  // mx_ElementState

    std::string GetIsotopesDescription() const;  // "1 (99.9885), 2 (0.0115)"
    std::string GetValencesDescription() const;  // "2, 4, 6"

    // Isotopes, group and period are not compared.
    bool operator==(const mxElement& other) const noexcept;
    bool operator!=(const mxElement& other) const noexcept { return !(*this == other); }

private:
    friend class mxPeriodicTable;  // fills elements from the built-in records directly
    mxElement(ElementNumber atomicNumber, std::size_t isotopeRoom);
    template <class T> void Assign(T& field, const T& value);

    bool m_modified = false;
    mxRealNum m_averageMass;
    std::vector<mxIsotope> m_isotopes;
    ElementNumber m_atomicNumber = 0;
    short m_massNumber = 0;
    std::string m_symbol;
    mxValenceList m_valences;
    std::string m_fullName;
    mxRealNum m_density;
    mxRealNum m_meltingPoint;
    mxRealNum m_boilingPoint;
    mxRealNum m_ionizationPotential;
    mxRealNum m_electronegativity;
    int m_radius = 0;
    int m_group = 0;
    int m_period = 0;
    std::string m_discoverer;
};

class MX_API mxPeriodicTable {
public:
    mxPeriodicTable();
    virtual ~mxPeriodicTable();
    mxPeriodicTable(const mxPeriodicTable&) = default;
    mxPeriodicTable& operator=(const mxPeriodicTable&) = default;

    // The active table (initially the library's own, empty until loaded).
    static mxPeriodicTable* GetPTable();
    // Makes a caller-owned table active and returns the previous one; null makes the library's own table
    // active again. The library never deletes a table passed to it.
    static mxPeriodicTable* SetPTable(mxPeriodicTable* table);

    // Replaces the table's content with the built-in data (118 elements with their isotopes, named isotopes
    // "D" and "T"). Always true.
    bool LoadDefault();
    // Table text: element lines (symbol, atomic number, average mass, valences, name, ionization
    // potential, electronegativity, melting point, boiling point, density, radius, period, group,
    // discoverer) each followed by isotope lines (mass, abundance, optional symbol); '#' comments. The
    // table changes only when the whole text is accepted. On failure lineNumber and message tell where.
    bool LoadElementsTable(std::string_view text, int& lineNumber, std::string& message);
    bool ReadPTableFromString(std::string_view text, std::string* error = nullptr);
    bool ReadPTableFile(const char* path, std::string* error = nullptr);

    void Clear();
    bool IsLoaded() const noexcept { return m_loaded; }  // content came from a table text
    bool IsDefaultLoaded() const noexcept { return !m_loaded && !m_elements.empty(); }
    bool IsModified() const noexcept { return m_modified; }
    void SetModified(bool modified) noexcept { m_modified = modified; }

    int MaxAtomicNo() const noexcept { return static_cast<int>(m_elements.size()) - 1; }
    bool LegalElmNo(ElementNumber z) const noexcept { return z >= 1 && z <= MaxAtomicNo(); }
    bool ElementExists(ElementNumber z) const noexcept;
    const mxElement* GetElement(ElementNumber z) const noexcept;
    mxElement* GetElement(ElementNumber z) noexcept;
    // Grows the table to z if needed and maps the element's symbol to z; z below 1 is ignored.
    void SetElement(ElementNumber z, const mxElement& element);

    std::string GetSymbol(ElementNumber z) const;  // "?" when there is no element
    int GetRadius(ElementNumber z) const noexcept;
    const mxRealNum& GetMass(ElementNumber z) const noexcept;  // average mass; exact 0 when no element
    const mxRealNum& GetWeight(ElementNumber z) const noexcept;
    // mx_ElementState at the temperature; mx_StateUnknown when there is no element.
    int GetState(ElementNumber z, float temperatureCelsius) const noexcept;
    int GetIntendedValence(ElementNumber z, int atLeast) const noexcept;

    // Exact symbol: the atomic number (of the element, or of a named isotope such as "D"); else 0.
    ElementNumber GetAtomicNo(std::string_view symbol) const noexcept;
    ElementNumber GetAtomicNo(const char* symbol) const noexcept;
    // Exact symbol, else the longest symbol that is a prefix of the text (case-sensitive); else null.
    const mxElement* LookupElement(std::string_view text) const noexcept;
    const mxElement* LookupElement(const char* text) const noexcept;
    // LookupElement; the matched length and, with isotopes allowed, the mass number are stored when
    // asked for. A named isotope gives 0 unless isotopes are allowed.
    ElementNumber FindElement(const char* text, int* matchedLength = nullptr, bool allowIsotopes = false,
                              short* massNumber = nullptr) const noexcept;

    // Rebuilds the named-isotope entries and their symbols ("D" -> -1, "T" -> -2) from the isotopes.
    void RemapNamedIsotopes();

    bool operator==(const mxPeriodicTable& other) const noexcept;
    bool operator!=(const mxPeriodicTable& other) const noexcept { return !(*this == other); }

    static bool IsAlkaliMetal(ElementNumber z) noexcept;
    static bool IsAlkalineEarthMetal(ElementNumber z) noexcept;
    static bool IsInGroup13(ElementNumber z) noexcept;
    static bool IsLikeBoron(ElementNumber z) noexcept;
    static bool IsInGroup14(ElementNumber z) noexcept;
    static bool IsLikeCarbon(ElementNumber z) noexcept;
    static bool IsInGroup15(ElementNumber z) noexcept;
    static bool IsPnictogen(ElementNumber z) noexcept;
    static bool IsLikeNitrogen(ElementNumber z) noexcept;
    static bool IsInGroup16(ElementNumber z) noexcept;
    static bool IsChalcogen(ElementNumber z) noexcept;
    static bool IsLikeSulfur(ElementNumber z) noexcept;
    static bool IsHalogen(ElementNumber z) noexcept;
    static bool IsNobleGas(ElementNumber z) noexcept;
    static bool IsLanthanide(ElementNumber z) noexcept;
    static bool IsActinide(ElementNumber z) noexcept;
    static bool IsTransitionMetal(ElementNumber z) noexcept;
    static bool IsAlkaliOrAlkalineEarthOrTransitionMetal(ElementNumber z) noexcept;
    static bool IsMainGroupElement(ElementNumber z) noexcept;
    static bool IsMetal(ElementNumber z) noexcept;
    static bool CanInferImplicitHydrogen(ElementNumber z) noexcept;
    static int GetRow(ElementNumber z) noexcept;          // 0-based; -1 beyond 124
    static int DefaultValence(ElementNumber z) noexcept;  // 0 outside 1..103
    static ElementNumber NextHigherElementInColumn(ElementNumber z) noexcept;
    static ElementNumber NextLowerElementInColumn(ElementNumber z) noexcept;

protected:
    void AddNamedIsotope(const mxElement& element);

private:
    const mxElement* Entry(int code) const noexcept;
    int FindCode(std::string_view symbol) const noexcept;  // 0 when the symbol is not mapped
    void MapSymbol(const std::string& symbol, int code);
    void UnmapSymbol(std::map<std::string, int, std::less<>>::const_iterator mapped);

    std::vector<mxElement> m_elements;       // indexed by atomic number; slot 0 is never an element
    std::vector<mxElement> m_namedIsotopes;
    std::map<std::string, int, std::less<>> m_symbolMap;  // >= 1 atomic number; -n named isotope n - 1
    bool m_modified = false;
    bool m_loaded = false;
    // The codes of the map's symbols made of a capital and at most one small letter (nearly all of them),
    // indexed directly so that the common lookups need no string comparisons. 0: not mapped.
    std::array<int, 26 * 27> m_shortSymbolCodes{};
};

// The active table.
MX_API mxPeriodicTable* mxGetPTable();

} // namespace mx
