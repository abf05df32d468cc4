// The document model the stand-in host answers from: fragment groups, host IDs, the selection, implicit
// hydrogens and molecular weight, pasting, and the documents built for timing.
#include "chem_test_support.h"

#include "refhost/chem/Synthetic.h"

#include <set>

using namespace chem_test;

TEST(ChemDocument, GroupsAreConnectedComponentsAndIdsAreUniqueAndFindTheirObjects)
{
    const ChemDocument document = ReadFixture("two_reactions.rdf");
    std::set<int> ids;
    for (const Atom& atom : document.Atoms())
        ids.insert(atom.id);
    for (const Bond& bond : document.Bonds())
        ids.insert(bond.id);
    for (const Group& group : document.Groups())
        ids.insert(group.id);
    for (const ReactionScheme& scheme : document.ReactionSchemes()) {
        ids.insert(scheme.id);
        for (const ReactionStep& step : scheme.steps)
            ids.insert(step.id);
    }
    EXPECT_EQ(ids.size(), 34u + 26u + 9u + 2u + 2u);
    EXPECT_EQ(ids.count(0), 0u);

    for (int group = 0; group < static_cast<int>(document.Groups().size()); ++group)
        for (int atom : document.Groups()[group].atoms) {
            EXPECT_EQ(document.Atoms()[atom].group, group);
            for (int bond : document.BondsOfAtom(atom))
                EXPECT_EQ(document.Atoms()[document.Bonds()[bond].atom2].group, group);
        }
    EXPECT_EQ(document.AtomIndex(document.Atoms()[7].id), 7);
    EXPECT_EQ(document.BondIndex(document.Bonds()[3].id), 3);
    EXPECT_EQ(document.GroupIndex(document.Groups()[5].id), 5);
    EXPECT_EQ(document.AtomIndex(document.Bonds()[3].id), std::nullopt);
    EXPECT_EQ(document.ReactionSchemes()[1].steps[0].products[1].groups, std::vector<int>{8});

    // One molecule of three pieces (a salt with its water) makes three groups in one component.
    ChemDocument salt = Read("t\n\n\n" + CountsLine(4, 1) + AtomLine("Na") + AtomLine("O") + AtomLine("Cl")
                             + AtomLine("H") + "  2  4  1  0\nM  END\n");
    EXPECT_EQ(salt.Groups().size(), 3u);
    EXPECT_EQ(salt.Groups()[1].atoms, (std::vector<int>{1, 3}));
}

TEST(ChemDocument, SelectionKeepsOrderDropsRepeatsAndRefusesUnknownObjects)
{
    ChemDocument document = ReadFixture("two_reactions.rdf");
    EXPECT_TRUE(document.SelectedGroups().empty());

    document.Select({{20, 3, 20, 7}, {2, 2}, {}});
    EXPECT_EQ(document.GetSelection().atoms, (std::vector<int>{20, 3, 7}));
    EXPECT_EQ(document.GetSelection().bonds, std::vector<int>{2});
    EXPECT_EQ(document.SelectedGroups(), (std::vector<int>{document.Atoms()[20].group, 0, 1}));
    EXPECT_THROW(document.Select({{34}, {}, {}}), std::out_of_range);
    EXPECT_THROW(document.Select({{}, {}, {2}}), std::out_of_range);
    EXPECT_EQ(document.GetSelection().atoms.size(), 3u);  // a refused selection changes nothing

    // A bond alone still touches its group.
    document.Select({{}, {6}, {}});
    EXPECT_EQ(document.SelectedGroups(), std::vector<int>{1});

    document.SelectSchemes({1});
    EXPECT_EQ(document.GetSelection().schemes, std::vector<int>{1});
    EXPECT_EQ(document.GetSelection().atoms.size(), 14u);
    EXPECT_EQ(document.GetSelection().bonds.size(), 10u);
    EXPECT_EQ(document.SelectedGroups(), (std::vector<int>{5, 6, 7, 8}));

    document.SelectAll();
    EXPECT_EQ(document.GetSelection().schemes.size(), 2u);
    EXPECT_EQ(document.SelectedGroups().size(), 9u);
}

TEST(ChemDocument, MolecularWeightCountsImplicitHydrogensAndIsotopes)
{
    struct Case {
        std::string name, text;
        double weight;
    };
    const std::string head = "t\n\n\n";
    const std::string one = head + CountsLine(1, 0);
    const Case cases[] = {
        {"ethanol C2H6O", FixtureText("ethanol.mol"), 2 * 12.011 + 6 * 1.008 + 15.999},
        {"13C-acetate and sodium", FixtureText("sodium_acetate_13c.mol"),
         13.003354835 + 3 * 1.008 + 12.011 + 2 * 15.999 + 22.990},
        {"aromatic benzene C6H6", head + CountsLine(6, 6)
             + AtomLine("C") + AtomLine("C") + AtomLine("C") + AtomLine("C") + AtomLine("C") + AtomLine("C")
             + "  1  2  4\n  2  3  4\n  3  4  4\n  4  5  4\n  5  6  4\n  6  1  4\nM  END\n",
         6 * 12.011 + 6 * 1.008},
        {"ammonium NH4+", one + AtomLine("N", 0, 3), 14.007 + 4 * 1.008},
        {"hydroxide OH-", one + AtomLine("O", 0, 5), 15.999 + 1.008},
        {"borohydride BH4-", one + AtomLine("B", 0, 5), 10.81 + 4 * 1.008},
        {"methyl cation CH3+", one + AtomLine("C", 0, 3), 12.011 + 3 * 1.008},
        {"methyl radical", one + AtomLine("C", 0, 4), 12.011 + 3 * 1.008},
        {"carbene (triplet)", one + AtomLine("C") + "M  RAD  1   1   3\n", 12.011 + 2 * 1.008},
        {"explicit valence zero", one + AtomLine("C", 0, 0, 15), 12.011},
        {"mass difference +1 on carbon", one + AtomLine("C", 1), 13.003354835 + 4 * 1.008},
        {"a lone deuterium atom is HD", one + AtomLine("D"), 2.014101778 + 1.008},
        {"unknown element", one + AtomLine("R#"), 0.0},
        {"sulfuric acid: hexavalent sulfur keeps no hydrogen (the table has no sulfur)", head + CountsLine(5, 4) + AtomLine("S") + AtomLine("O")
             + AtomLine("O") + AtomLine("O") + AtomLine("O") + "  1  2  2\n  1  3  2\n  1  4  1\n  1  5  1\nM  END\n",
         4 * 15.999 + 2 * 1.008},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChemDocument document = Read(c.text);
        document.SelectAll();
        EXPECT_NEAR(document.SelectionWeight(TestMasses), c.weight, 1e-9);
    }

    ChemDocument ethanol = ReadFixture("ethanol.mol");
    EXPECT_EQ(ethanol.SelectionWeight(TestMasses), 0.0);  // nothing selected
    ethanol.Select({{2}, {}, {}});                         // the oxygen of C-C-OH only
    EXPECT_NEAR(ethanol.SelectionWeight(TestMasses), 15.999 + 1.008, 1e-9);
}

TEST(ChemDocument, InsertAddsACopyWithFreshIdsAndSelectsIt)
{
    ChemDocument document = ReadFixture("ethanol.mol");
    const ChemDocument reaction = ReadFixture("esterification.rxn");
    document.Insert(reaction);
    document.Insert(reaction);

    EXPECT_EQ(document.Atoms().size(), 3u + 2 * 14u);
    EXPECT_EQ(document.Groups().size(), 1u + 2 * 4u);
    ASSERT_EQ(document.ReactionSchemes().size(), 2u);
    EXPECT_EQ(document.ReactionSchemes()[1].steps[0].reactants[0].groups, std::vector<int>{5});
    EXPECT_EQ(document.Bonds().back().atom1, reaction.Bonds().back().atom1 + 3 + 14);
    EXPECT_EQ(document.GetSelection().schemes, std::vector<int>{1});
    EXPECT_EQ(document.GetSelection().atoms.front(), 17);
    EXPECT_EQ(document.GetSelection().atoms.size(), 14u);
    EXPECT_EQ(document.SelectedGroups(), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_NE(document.Atoms()[17].id, document.Atoms()[3].id);
    EXPECT_LT(document.Atoms()[16].id, document.Atoms()[17].id);  // IDs still grow with the index
    EXPECT_EQ(document.AtomIndex(document.Atoms()[20].id), 20);
    EXPECT_EQ(document.BondsOfAtom(18).size(), reaction.BondsOfAtom(1).size());
}

TEST(ChemDocument, ChainsDocumentsHaveTheAskedSizeAndSelectTheReactants)
{
    for (auto [atoms, fragments] : {std::pair{10, 1}, {100, 3}, {1000, 10}}) {
        SCOPED_TRACE(atoms);
        const ChemDocument document = MakeChainsDocument(atoms, fragments);
        EXPECT_EQ(document.GetSelection().atoms.size(), static_cast<std::size_t>(atoms));
        EXPECT_EQ(document.GetSelection().bonds.size(), static_cast<std::size_t>(atoms - fragments));
        EXPECT_TRUE(document.GetSelection().schemes.empty());
        EXPECT_EQ(document.SelectedGroups().size(), static_cast<std::size_t>(fragments));
        ASSERT_EQ(document.ReactionSchemes().size(), 1u);
        EXPECT_EQ(document.ReactionSchemes()[0].steps[0].reactants.size(), static_cast<std::size_t>(fragments));
        EXPECT_EQ(document.Groups().size(), static_cast<std::size_t>(fragments) + 1);
    }
    EXPECT_THROW(MakeChainsDocument(3, 4), std::invalid_argument);
}
