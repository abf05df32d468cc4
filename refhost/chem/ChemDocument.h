// The stand-in host's chemical document: atoms, bonds, fragment groups (the connected components), reaction
// schemes with their steps, and the user's selection. Portable C++ so that it is tested and fuzzed natively;
// the host's automation objects are thin views over it.
//
// Objects are addressed by index inside the document; every atom, bond, group, step and scheme also carries
// a host ID, unique across all kinds and never 0 (the add-in reads 0 as "no object"). IDs grow with the
// index within each kind, so an ID finds its object by binary search.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace refhost::chem {

inline constexpr int kFragmentGroup = 1;  // group type of a connected component

struct Atom {
    int id = 0;
    std::string symbol;        // as drawn: "C", "Cl", "D", or a query symbol such as "R#" or "*"
    double x = 0, y = 0, z = 0;
    int charge = 0;
    int massNumber = 0;        // 0: the natural isotope mixture
    int massDifference = 0;    // molfile atom-block shift from the table's mass; used only when massNumber is 0
    int radical = 0;           // 0 none, 1 singlet, 2 doublet, 3 triplet
    int valence = 0;           // explicit valence: 0 not given, 15 means zero, else the valence
    int group = -1;            // index of the atom's fragment group
};

struct Bond {
    int id = 0;
    int atom1 = 0, atom2 = 0;  // atom indices
    int type = 1;              // 1 single, 2 double, 3 triple, 4 aromatic, 5 to 8 query bonds
    int stereo = 0;
};

struct Group {
    int id = 0;
    int type = kFragmentGroup;
    std::vector<int> atoms;    // atom indices, ascending
};

// One reactant, product or agent of a step: the groups of one molecule. A molecule without atoms has none.
struct Component {
    std::vector<int> groups;
};

struct ReactionStep {
    int id = 0;
    std::vector<Component> reactants, products, agents;
};

// Calls visit with each reactant, product and agent of a step, in that order.
template <typename Step, typename Visit>
void ForEachComponent(Step& step, const Visit& visit)
{
    for (auto* components : {&step.reactants, &step.products, &step.agents})
        for (auto& component : *components)
            visit(component);
}

struct ReactionScheme {
    int id = 0;
    std::vector<ReactionStep> steps;
};

// One molecule as a file describes it, before it joins a document: bonds refer to atoms of the same molecule.
struct Molecule {
    std::vector<Atom> atoms;
    std::vector<Bond> bonds;
};

// What the user has chosen, each index once, in the order chosen (the host's collections keep that order).
struct Selection {
    std::vector<int> atoms, bonds, schemes;
};

// Element masses in daltons: massNumber 0 asks for the standard atomic weight, any other value for that
// isotope's exact mass; 0.0 for a symbol or isotope the table does not know. The periodic table supplies it.
using ElementMassFunction = std::function<double(std::string_view symbol, int massNumber)>;

class ChemDocument {
public:
    std::string name;  // the molfile or reaction title

    const std::vector<Atom>& Atoms() const { return m_atoms; }
    const std::vector<Bond>& Bonds() const { return m_bonds; }
    const std::vector<Group>& Groups() const { return m_groups; }
    const std::vector<ReactionScheme>& ReactionSchemes() const { return m_schemes; }
    const std::vector<int>& BondsOfAtom(int atom) const { return m_atomBonds.at(atom); }

    std::optional<int> AtomIndex(int id) const;
    std::optional<int> BondIndex(int id) const;
    std::optional<int> GroupIndex(int id) const;

    // Adds a molecule with fresh IDs and makes a fragment group of each of its connected components;
    // returns the new groups in the order of their first atoms. Throws std::invalid_argument for a bond
    // that does not join two distinct atoms of the molecule.
    Component AddMolecule(const Molecule& molecule);
    // Adds a scheme over groups already in the document; returns its index. Throws std::out_of_range for
    // an unknown group.
    int AddReactionScheme(std::vector<ReactionStep> steps);
    // Lets a test give a group another type than a fragment's (the add-in skips those).
    void SetGroupType(int group, int type) { m_groups.at(group).type = type; }

    // Appends everything of another document with fresh IDs and selects what was added (a paste).
    void Insert(const ChemDocument& other);

    const Selection& GetSelection() const { return m_selection; }
    // Replaces the selection; duplicates are dropped, unknown indices throw std::out_of_range.
    void Select(const Selection& selection);
    void SelectGroups(const std::vector<int>& groups);    // the groups' atoms and bonds
    void SelectSchemes(const std::vector<int>& schemes);  // the schemes with all atoms and bonds they hold
    void SelectAll();
    void ClearSelection() { m_selection = {}; }
    // The groups the selection touches through its atoms, then its bonds, in order of first appearance.
    std::vector<int> SelectedGroups() const;

    // Hydrogens the atom carries without drawing them, from the usual valences of the organic elements
    // (0 for other elements, or when the drawn bonds already exceed every usual valence).
    int ImplicitHydrogens(int atom) const;
    // Mass of the atoms with their implicit hydrogens; 0.0 for no atoms.
    double MolecularWeight(const std::vector<int>& atoms, const ElementMassFunction& masses) const;
    double SelectionWeight(const ElementMassFunction& masses) const
    {
        return MolecularWeight(m_selection.atoms, masses);
    }

private:
    int NextId() { return m_nextId++; }
    void AddAtom(Atom atom, int group);
    void AddBond(Bond bond, int atomOffset);

    std::vector<Atom> m_atoms;
    std::vector<Bond> m_bonds;
    std::vector<Group> m_groups;
    std::vector<ReactionScheme> m_schemes;
    std::vector<std::vector<int>> m_atomBonds;  // bond indices of each atom, in bond order
    Selection m_selection;
    int m_nextId = 1;
};

} // namespace refhost::chem
