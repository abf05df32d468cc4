#include "refhost/chem/ChemDocument.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <stdexcept>

namespace refhost::chem {
namespace {

template <typename Object>
std::optional<int> IndexById(const std::vector<Object>& objects, int id)
{
    auto found = std::lower_bound(objects.begin(), objects.end(), id,
                                  [](const Object& object, int wanted) { return object.id < wanted; });
    if (found == objects.end() || found->id != id)
        return std::nullopt;
    return static_cast<int>(found - objects.begin());
}

void CheckIndex(int index, std::size_t size, const char* what)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        throw std::out_of_range(std::string("no such ") + what + ": " + std::to_string(index));
}

// Appends the indices not seen yet, keeping the order of first appearance.
void AppendUnique(std::vector<int>& into, std::vector<bool>& seen, int index)
{
    if (!seen[index]) {
        seen[index] = true;
        into.push_back(index);
    }
}

std::vector<int> Deduplicated(const std::vector<int>& indices, std::size_t size, const char* what)
{
    std::vector<int> result;
    std::vector<bool> seen(size);
    for (int index : indices) {
        CheckIndex(index, size, what);
        AppendUnique(result, seen, index);
    }
    return result;
}

// The usual valences of the elements whose hydrogens go undrawn, and how a charge moves them: boron's
// column loses a bond per positive charge and gains one per negative one (BH4-), carbon's column and
// hydrogen lose one per charge of either sign (CH3+, CH3-), and from nitrogen's column on the charge adds
// (NH4+, OH-).
enum class ChargeRule { Minus, MinusMagnitude, Plus };
struct ValenceRule {
    std::string_view symbol;
    std::array<int, 4> valences;  // ascending, 0 ends the list
    ChargeRule charge;
};
constexpr ValenceRule kValenceRules[] = {
    {"H", {1}, ChargeRule::MinusMagnitude},  {"D", {1}, ChargeRule::MinusMagnitude},
    {"T", {1}, ChargeRule::MinusMagnitude},  {"B", {3}, ChargeRule::Minus},
    {"C", {4}, ChargeRule::MinusMagnitude},  {"Si", {4}, ChargeRule::MinusMagnitude},
    {"N", {3}, ChargeRule::Plus},            {"P", {3, 5}, ChargeRule::Plus},
    {"O", {2}, ChargeRule::Plus},            {"S", {2, 4, 6}, ChargeRule::Plus},
    {"Se", {2, 4, 6}, ChargeRule::Plus},     {"F", {1}, ChargeRule::Plus},
    {"Cl", {1, 3, 5, 7}, ChargeRule::Plus},  {"Br", {1, 3, 5, 7}, ChargeRule::Plus},
    {"I", {1, 3, 5, 7}, ChargeRule::Plus},
};

int ValenceShift(ChargeRule rule, int charge)
{
    switch (rule) {
    case ChargeRule::Minus: return -charge;
    case ChargeRule::MinusMagnitude: return -std::abs(charge);
    case ChargeRule::Plus: return charge;
    }
    return 0;
}

// Bond orders counted twice over, so that an aromatic bond counts one and a half exactly.
int DoubledOrder(int bondType)
{
    switch (bondType) {
    case 2: return 4;
    case 3: return 6;
    case 4: return 3;
    default: return 2;  // single and the query bond types
    }
}

} // namespace

std::optional<int> ChemDocument::AtomIndex(int id) const { return IndexById(m_atoms, id); }
std::optional<int> ChemDocument::BondIndex(int id) const { return IndexById(m_bonds, id); }
std::optional<int> ChemDocument::GroupIndex(int id) const { return IndexById(m_groups, id); }

void ChemDocument::AddAtom(Atom atom, int group)
{
    atom.id = NextId();
    atom.group = group;
    m_atoms.push_back(std::move(atom));
    m_atomBonds.emplace_back();
}

void ChemDocument::AddBond(Bond bond, int atomOffset)
{
    bond.id = NextId();
    bond.atom1 += atomOffset;
    bond.atom2 += atomOffset;
    const int index = static_cast<int>(m_bonds.size());
    m_bonds.push_back(bond);
    m_atomBonds[bond.atom1].push_back(index);
    m_atomBonds[bond.atom2].push_back(index);
}

Component ChemDocument::AddMolecule(const Molecule& molecule)
{
    const int count = static_cast<int>(molecule.atoms.size());
    for (const Bond& bond : molecule.bonds)
        if (bond.atom1 < 0 || bond.atom1 >= count || bond.atom2 < 0 || bond.atom2 >= count
            || bond.atom1 == bond.atom2)
            throw std::invalid_argument("a bond must join two distinct atoms of its molecule");

    // Connected components by union-find; each root ends up naming its component.
    std::vector<int> parent(count);
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](int atom) {
        while (parent[atom] != atom)
            atom = parent[atom] = parent[parent[atom]];
        return atom;
    };
    for (const Bond& bond : molecule.bonds)
        parent[root(bond.atom1)] = root(bond.atom2);

    const int firstAtom = static_cast<int>(m_atoms.size());
    Component added;
    std::vector<int> groupOfRoot(count, -1);
    for (int atom = 0; atom < count; ++atom) {
        int& group = groupOfRoot[root(atom)];
        if (group < 0) {
            group = static_cast<int>(m_groups.size());
            m_groups.push_back({NextId(), kFragmentGroup, {}});
            added.groups.push_back(group);
        }
        m_groups[group].atoms.push_back(firstAtom + atom);
        AddAtom(molecule.atoms[atom], group);
    }
    for (const Bond& bond : molecule.bonds)
        AddBond(bond, firstAtom);
    return added;
}

int ChemDocument::AddReactionScheme(std::vector<ReactionStep> steps)
{
    ReactionScheme scheme{NextId(), std::move(steps)};
    for (ReactionStep& step : scheme.steps) {
        step.id = NextId();
        ForEachComponent(step, [&](const Component& component) {
            for (int group : component.groups)
                CheckIndex(group, m_groups.size(), "group");
        });
    }
    m_schemes.push_back(std::move(scheme));
    return static_cast<int>(m_schemes.size()) - 1;
}

void ChemDocument::Insert(const ChemDocument& other)
{
    const int atomOffset = static_cast<int>(m_atoms.size());
    const int bondOffset = static_cast<int>(m_bonds.size());
    const int groupOffset = static_cast<int>(m_groups.size());
    const int schemeOffset = static_cast<int>(m_schemes.size());
    for (const Group& group : other.m_groups) {
        Group copy{NextId(), group.type, group.atoms};
        for (int& atom : copy.atoms)
            atom += atomOffset;
        m_groups.push_back(std::move(copy));
    }
    for (const Atom& atom : other.m_atoms)
        AddAtom(atom, atom.group + groupOffset);
    for (const Bond& bond : other.m_bonds)
        AddBond(bond, atomOffset);
    for (ReactionScheme scheme : other.m_schemes) {
        for (ReactionStep& step : scheme.steps)
            ForEachComponent(step, [&](Component& component) {
                for (int& group : component.groups)
                    group += groupOffset;
            });
        AddReactionScheme(std::move(scheme.steps));
    }

    m_selection = {};
    for (int atom = atomOffset; atom < static_cast<int>(m_atoms.size()); ++atom)
        m_selection.atoms.push_back(atom);
    for (int bond = bondOffset; bond < static_cast<int>(m_bonds.size()); ++bond)
        m_selection.bonds.push_back(bond);
    for (int scheme = schemeOffset; scheme < static_cast<int>(m_schemes.size()); ++scheme)
        m_selection.schemes.push_back(scheme);
}

void ChemDocument::Select(const Selection& selection)
{
    Selection checked{Deduplicated(selection.atoms, m_atoms.size(), "atom"),
                      Deduplicated(selection.bonds, m_bonds.size(), "bond"),
                      Deduplicated(selection.schemes, m_schemes.size(), "reaction scheme")};
    m_selection = std::move(checked);
}

void ChemDocument::SelectGroups(const std::vector<int>& groups)
{
    Selection selection;
    std::vector<bool> chosen(m_atoms.size());
    for (int group : groups) {
        CheckIndex(group, m_groups.size(), "group");
        for (int atom : m_groups[group].atoms) {
            chosen[atom] = true;
            selection.atoms.push_back(atom);
        }
    }
    for (int bond = 0; bond < static_cast<int>(m_bonds.size()); ++bond)
        if (chosen[m_bonds[bond].atom1])
            selection.bonds.push_back(bond);
    Select(selection);
}

void ChemDocument::SelectSchemes(const std::vector<int>& schemes)
{
    std::vector<int> groups;
    for (int scheme : schemes) {
        CheckIndex(scheme, m_schemes.size(), "reaction scheme");
        for (const ReactionStep& step : m_schemes[scheme].steps)
            ForEachComponent(step, [&](const Component& component) {
                groups.insert(groups.end(), component.groups.begin(), component.groups.end());
            });
    }
    SelectGroups(groups);
    m_selection.schemes = Deduplicated(schemes, m_schemes.size(), "reaction scheme");
}

void ChemDocument::SelectAll()
{
    Selection all;
    all.atoms.resize(m_atoms.size());
    all.bonds.resize(m_bonds.size());
    all.schemes.resize(m_schemes.size());
    std::iota(all.atoms.begin(), all.atoms.end(), 0);
    std::iota(all.bonds.begin(), all.bonds.end(), 0);
    std::iota(all.schemes.begin(), all.schemes.end(), 0);
    m_selection = std::move(all);
}

std::vector<int> ChemDocument::SelectedGroups() const
{
    std::vector<int> groups;
    std::vector<bool> seen(m_groups.size());
    for (int atom : m_selection.atoms)
        AppendUnique(groups, seen, m_atoms[atom].group);
    for (int bond : m_selection.bonds)
        AppendUnique(groups, seen, m_atoms[m_bonds[bond].atom1].group);
    return groups;
}

int ChemDocument::ImplicitHydrogens(int atomIndex) const
{
    const Atom& atom = m_atoms.at(atomIndex);
    int doubledBonds = 0;
    for (int bond : m_atomBonds[atomIndex])
        doubledBonds += DoubledOrder(m_bonds[bond].type);
    // A doublet radical holds one bonding electron back, a singlet or triplet two.
    int used = (doubledBonds + 1) / 2 + (atom.radical == 2 ? 1 : atom.radical != 0 ? 2 : 0);

    if (atom.valence != 0)
        return std::max(0, (atom.valence == 15 ? 0 : atom.valence) - used);
    for (const ValenceRule& rule : kValenceRules) {
        if (rule.symbol != atom.symbol)
            continue;
        const int shift = ValenceShift(rule.charge, atom.charge);
        for (int valence : rule.valences) {
            if (valence == 0)
                break;
            if (valence + shift >= used)
                return valence + shift - used;
        }
        return 0;
    }
    return 0;
}

double ChemDocument::MolecularWeight(const std::vector<int>& atoms, const ElementMassFunction& masses) const
{
    double weight = 0;
    const double hydrogen = masses("H", 0);
    for (int index : atoms) {
        const Atom& atom = m_atoms.at(index);
        int massNumber = atom.massNumber;
        if (massNumber == 0 && atom.massDifference != 0)
            massNumber = static_cast<int>(std::lround(masses(atom.symbol, 0))) + atom.massDifference;
        weight += masses(atom.symbol, massNumber) + ImplicitHydrogens(index) * hydrogen;
    }
    return weight;
}

} // namespace refhost::chem
