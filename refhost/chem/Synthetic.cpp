#include "refhost/chem/Synthetic.h"

#include <stdexcept>

namespace refhost::chem {
namespace {

Molecule Chain(int atoms, double y)
{
    Molecule chain;
    for (int i = 0; i < atoms; ++i) {
        Atom atom;
        atom.symbol.assign(1, i % 5 == 4 ? 'O' : 'C');
        atom.x = 0.866 * i;
        atom.y = y + (i % 2 ? 0.5 : 0.0);
        chain.atoms.push_back(atom);
        if (i > 0)
            chain.bonds.push_back({0, i - 1, i, 1, 0});
    }
    return chain;
}

} // namespace

ChemDocument MakeChainsDocument(int atoms, int fragments)
{
    if (fragments < 1 || fragments > atoms)
        throw std::invalid_argument("a chains document needs 1 to `atoms` fragments");
    ChemDocument document;
    std::vector<int> chains;
    ReactionStep step;
    for (int fragment = 0; fragment < fragments; ++fragment) {
        const int size = atoms / fragments + (fragment < atoms % fragments ? 1 : 0);
        const Component reactant = document.AddMolecule(Chain(size, 2.0 * fragment));
        chains.insert(chains.end(), reactant.groups.begin(), reactant.groups.end());
        step.reactants.push_back(reactant);
    }
    step.products.push_back(document.AddMolecule(Chain(3, -2.0)));
    document.AddReactionScheme({step});
    document.SelectGroups(chains);
    return document;
}

} // namespace refhost::chem
