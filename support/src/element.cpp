// Isotopes, valence lists and elements of the periodic table.
#include "mx/ptable.h"

#include "mx/strings.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace mx {

mxIsotope::mxIsotope(const mxRealNum& mass, const mxRealNum& abundance, const std::string& symbol)
    : m_mass(mass), m_abundance(abundance), m_symbol(symbol.empty() ? nullptr : std::make_unique<std::string>(symbol))
{
}

mxIsotope::mxIsotope(const mxIsotope& other)
    : m_mass(other.m_mass), m_abundance(other.m_abundance),
      m_symbol(other.m_symbol ? std::make_unique<std::string>(*other.m_symbol) : nullptr)
{
}

mxIsotope& mxIsotope::operator=(const mxIsotope& other)
{
    if (this != &other)
        *this = mxIsotope(other);
    return *this;
}

mxIsotope::~mxIsotope() = default;

const std::string& mxIsotope::GetSymbol() const noexcept
{
    static const std::string none;
    return m_symbol ? *m_symbol : none;
}

int mxIsotope::GetMassNumber() const noexcept
{
    const double rounded = std::floor(m_mass.Val() + 0.5);
    // A mass beyond any int (or not a number) has no mass number; converting it would be undefined.
    return rounded >= INT_MIN && rounded <= INT_MAX ? static_cast<int>(rounded) : 0;
}

mxValenceList::mxValenceList(std::vector<int> valences)
    : m_valences(std::move(valences)), m_preferred(m_valences.empty() ? 0 : m_valences.front())
{
    std::sort(m_valences.begin(), m_valences.end());
}

int mxValenceList::operator[](std::size_t index) const noexcept
{
    return index < m_valences.size() ? m_valences[index] : 0;
}

int mxValenceList::MinValence() const noexcept
{
    return m_valences.empty() ? 0 : m_valences.front();
}

int mxValenceList::MaxValence() const noexcept
{
    return m_valences.empty() ? 0 : m_valences.back();
}

bool mxValenceList::operator==(const mxValenceList& other) const noexcept
{
    return m_preferred == other.m_preferred && m_valences == other.m_valences;
}

int mxValenceList::FindSmallest(int atLeast) const noexcept
{
    const auto found = std::lower_bound(m_valences.begin(), m_valences.end(), atLeast);
    return found == m_valences.end() ? -1 : *found;
}

int mxValenceList::FindSmallestOrPreferred(int atLeast) const noexcept
{
    const int smallest = FindSmallest(atLeast);
    if (smallest >= 0)
        return std::max(smallest, m_preferred);
    return m_preferred >= 0 ? m_preferred : -1;
}

int mxValenceList::GetIntendedValence(int atLeast) const noexcept
{
    if (atLeast <= m_preferred)
        return m_preferred;
    const int smallest = FindSmallest(atLeast);
    return smallest >= 0 ? smallest : MaxValence();
}

mxElement::mxElement(ElementNumber atomicNumber) : mxElement(atomicNumber, 64)
{
}

mxElement::mxElement(ElementNumber atomicNumber, std::size_t isotopeRoom) : m_atomicNumber(atomicNumber)
{
    m_isotopes.reserve(isotopeRoom);
}

// Field by field rather than a copy with the isotopes cleared afterwards: copying an element's isotopes for
// each of its named ones made remapping quadratic in their number.
mxElement::mxElement(const mxElement& element, const std::string& symbol, const mxIsotope& isotope)
    : m_modified(element.m_modified), m_averageMass(isotope.GetMass()), m_atomicNumber(element.m_atomicNumber),
      m_massNumber(static_cast<short>(isotope.GetMassNumber())), m_symbol(symbol), m_valences(element.m_valences),
      m_fullName(element.m_fullName), m_density(element.m_density), m_meltingPoint(element.m_meltingPoint),
      m_boilingPoint(element.m_boilingPoint), m_ionizationPotential(element.m_ionizationPotential),
      m_electronegativity(element.m_electronegativity), m_radius(element.m_radius), m_group(element.m_group),
      m_period(element.m_period), m_discoverer(element.m_discoverer)
{
}

template <class T> void mxElement::Assign(T& field, const T& value)
{
    if (field != value) {
        field = value;
        m_modified = true;
    }
}

void mxElement::SetMass(const mxRealNum& mass) { Assign(m_averageMass, mass); }
void mxElement::SetMP(const mxRealNum& meltingPoint) { Assign(m_meltingPoint, meltingPoint); }
void mxElement::SetBP(const mxRealNum& boilingPoint) { Assign(m_boilingPoint, boilingPoint); }
void mxElement::SetDensity(const mxRealNum& density) { Assign(m_density, density); }
void mxElement::SetIP(const mxRealNum& ionizationPotential) { Assign(m_ionizationPotential, ionizationPotential); }
void mxElement::SetEneg(const mxRealNum& electronegativity) { Assign(m_electronegativity, electronegativity); }
void mxElement::SetGroup(int group) { Assign(m_group, group); }
void mxElement::SetPeriod(int period) { Assign(m_period, period); }
void mxElement::SetRadius(int radius) { Assign(m_radius, radius); }
void mxElement::SetSym(const std::string& symbol) { Assign(m_symbol, symbol); }
void mxElement::SetFullName(const std::string& fullName) { Assign(m_fullName, fullName); }
void mxElement::SetDiscoverer(const std::string& discoverer) { Assign(m_discoverer, discoverer); }
void mxElement::SetValences(const std::vector<int>& valences) { Assign(m_valences, mxValenceList(valences)); }

void mxElement::AddIsotope(const mxIsotope& isotope)
{
    m_isotopes.push_back(isotope);
}

const mxValenceList& mxElement::GetValences(int charge) const
{
    static const mxValenceList none;
    if (charge == 0 || m_valences.size() == 0)
        return m_valences;
    // Widened: a charge near INT_MIN or INT_MAX must not overflow the subtraction.
    const long long z = static_cast<long long>(m_atomicNumber) - charge;
    const mxPeriodicTable* table = mxPeriodicTable::GetPTable();
    const mxElement* isoelectronic =
        table && z >= 1 && z <= INT_MAX ? table->GetElement(static_cast<ElementNumber>(z)) : nullptr;
    return isoelectronic && isoelectronic->IsDefined() ? isoelectronic->m_valences : none;
}

short mxElement::GetMaxValence() const noexcept
{
    return static_cast<short>(m_valences.MaxValence());
}

short mxElement::GetPreferredValence() const noexcept
{
    return static_cast<short>(m_valences.PreferredValence());
}

const mxIsotope* mxElement::GetMostCommonIsotope() const noexcept
{
    if (m_isotopes.empty())
        return nullptr;
    const mxIsotope* most = &m_isotopes.front();
    for (const mxIsotope& isotope : m_isotopes)
        if (isotope.GetAbundance().Val() > most->GetAbundance().Val())
            most = &isotope;
    return most;
}

const mxRealNum& mxElement::GetExactMass() const noexcept
{
    const mxIsotope* most = GetMostCommonIsotope();
    return most ? most->GetMass() : m_averageMass;
}

const mxIsotope* mxElement::GetLightestIsotope() const noexcept
{
    if (m_isotopes.empty())
        return nullptr;
    for (const mxIsotope& isotope : m_isotopes)
        if (isotope.GetAbundance().Val() > 0)
            return &isotope;
    return &m_isotopes.front();
}

const mxIsotope* mxElement::GetIsotope(int massNumber) const noexcept
{
    for (const mxIsotope& isotope : m_isotopes)
        if (isotope.GetMassNumber() == massNumber)
            return &isotope;
    return nullptr;
}

int mxElement::GetState(float temperatureCelsius) const noexcept
{
    if (temperatureCelsius > m_boilingPoint.Val())
        return mx_Gas;
    if (temperatureCelsius > m_meltingPoint.Val())
        return mx_Liquid;
    return mx_Solid;
}

std::string mxElement::GetIsotopesDescription() const
{
    std::string description;
    for (const mxIsotope& isotope : m_isotopes) {
        if (isotope.GetAbundance().Val() == 0)
            continue;
        if (!description.empty())
            description += ", ";
        description += NumToStr(isotope.GetMassNumber());
        description += " (" + NumToStr(isotope.GetAbundance().Val()) + ")";
    }
    return description;
}

std::string mxElement::GetValencesDescription() const
{
    std::string description;
    for (int valence : m_valences.GetValenceList()) {
        if (!description.empty())
            description += ", ";
        description += NumToStr(valence);
    }
    return description;
}

bool mxElement::operator==(const mxElement& other) const noexcept
{
    return m_atomicNumber == other.m_atomicNumber && m_symbol == other.m_symbol &&
           m_fullName == other.m_fullName && m_valences == other.m_valences && m_radius == other.m_radius &&
           m_averageMass == other.m_averageMass && m_massNumber == other.m_massNumber &&
           m_meltingPoint == other.m_meltingPoint && m_boilingPoint == other.m_boilingPoint &&
           m_density == other.m_density && m_ionizationPotential == other.m_ionizationPotential &&
           m_electronegativity == other.m_electronegativity && m_discoverer == other.m_discoverer;
}

} // namespace mx
