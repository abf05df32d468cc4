// Where the drawing host draws a document: reactions laid out in rows, free molecules left where the file put
// them unless something covers them, the fit into a window, what a click hits, and the atom labels.
#include "chem_test_support.h"

#include "refhost/chem/Layout.h"

using namespace chem_test;

namespace {

Box BoxOf(const Layout& layout, const std::vector<int>& atoms)
{
    Box box;
    for (int atom : atoms)
        box.Add(layout.atoms[atom]);
    return box;
}

std::vector<int> AtomsOf(const ChemDocument& document, const Component& component)
{
    std::vector<int> atoms;
    for (int group : component.groups)
        atoms.insert(atoms.end(), document.Groups()[group].atoms.begin(), document.Groups()[group].atoms.end());
    return atoms;
}

} // namespace

TEST(Layout, ReactionStepsAreRowsOfReactantsArrowProductsThatDoNotOverlap)
{
    const ChemDocument document = ReadFixture("esterification.rxn");
    const Layout layout = ArrangeDocument(document);
    ASSERT_EQ(layout.arrows.size(), 1u);
    EXPECT_EQ(layout.pluses.size(), 2u);   // one between the reactants, one between the products
    EXPECT_NEAR(layout.bondLength, 1.0, 1e-3);

    const Arrow& arrow = layout.arrows.front();
    const ReactionStep& step = document.ReactionSchemes()[0].steps[0];
    std::vector<Box> boxes;
    for (const Component& reactant : step.reactants) {
        boxes.push_back(BoxOf(layout, AtomsOf(document, reactant)));
        EXPECT_LT(boxes.back().high.x, arrow.from.x);
    }
    for (const Component& product : step.products) {
        boxes.push_back(BoxOf(layout, AtomsOf(document, product)));
        EXPECT_GT(boxes.back().low.x, arrow.to.x);
    }
    for (std::size_t one = 0; one < boxes.size(); ++one)
        for (std::size_t two = one + 1; two < boxes.size(); ++two)
            EXPECT_FALSE(boxes[one].Overlaps(boxes[two], 0.5)) << one << " and " << two;
    // A component keeps its own shape: only moved, never stretched.
    const Component& acid = step.reactants[0];
    const int first = AtomsOf(document, acid)[0], second = AtomsOf(document, acid)[1];
    EXPECT_NEAR(layout.atoms[second].x - layout.atoms[first].x, document.Atoms()[second].x - document.Atoms()[first].x, 1e-9);

    // Each step of a multi-step scheme is a row below the one before.
    const Layout steps = ArrangeDocument(ReadFixture("two_steps.rdf"));
    ASSERT_EQ(steps.arrows.size(), 2u);
    EXPECT_LT(steps.arrows[1].from.y, steps.arrows[0].from.y - steps.bondLength);
}

TEST(Layout, FreeMoleculesKeepTheirPlaceUnlessAPasteCoversThem)
{
    const ChemDocument salt = ReadFixture("sodium_acetate_13c.mol");
    const Layout kept = ArrangeDocument(salt);
    for (std::size_t atom = 0; atom < salt.Atoms().size(); ++atom) {
        EXPECT_EQ(kept.atoms[atom].x, salt.Atoms()[atom].x);
        EXPECT_EQ(kept.atoms[atom].y, salt.Atoms()[atom].y);
    }
    EXPECT_TRUE(kept.arrows.empty() && kept.pluses.empty());

    // Structures pasted at the coordinates of one already drawn move right of everything, keeping their height.
    ChemDocument document = ReadFixture("ethanol.mol");
    const ChemDocument ethanol = document;
    document.Insert(ethanol);
    document.Insert(ethanol);
    const Layout layout = ArrangeDocument(document);
    const Box original = BoxOf(layout, {0, 1, 2}), first = BoxOf(layout, {3, 4, 5}), second = BoxOf(layout, {6, 7, 8});
    EXPECT_EQ(original.low.x, 0.0);
    EXPECT_GT(first.low.x, original.high.x);
    EXPECT_GT(second.low.x, first.high.x);
    EXPECT_EQ(second.low.y, original.low.y);
}

TEST(Layout, FitCentresTheDrawingKeepsItsShapeAndDoesNotBlowUpALoneAtom)
{
    const Layout layout = ArrangeDocument(ReadFixture("esterification.rxn"));
    const Viewport view = FitLayout(layout, 640, 400, 20, 48);
    Box pixels;
    for (const Point& atom : layout.atoms)
        pixels.Add(view.ToPixels(atom));
    EXPECT_GE(pixels.low.x, 20 - 1e-9);
    EXPECT_LE(pixels.high.x, 620 + 1e-9);
    EXPECT_GE(pixels.low.y, 20 - 1e-9);
    EXPECT_LE(pixels.high.y, 380 + 1e-9);
    // y turns downwards: the upper atom of a bond drawn upwards lands on a smaller pixel row.
    EXPECT_LT(view.ToPixels({0, 1}).y, view.ToPixels({0, 0}).y);
    EXPECT_NEAR(view.ToPixels({1, 0}).x - view.ToPixels({0, 0}).x, view.ToPixels({0, 0}).y - view.ToPixels({0, 1}).y, 1e-9);

    const Layout lone = ArrangeDocument(Read("t\n\n\n" + CountsLine(1, 0) + AtomLine("O") + "M  END\n"));
    const Viewport centred = FitLayout(lone, 300, 200, 20, 48);
    EXPECT_EQ(centred.scale, 48.0);
    EXPECT_EQ(centred.ToPixels(lone.atoms[0]).x, 150.0);
    EXPECT_EQ(centred.ToPixels(lone.atoms[0]).y, 100.0);
    const Viewport empty = FitLayout(ArrangeDocument(ChemDocument()), 300, 200, 20, 48);
    EXPECT_EQ(empty.scale, 48.0);
}

TEST(Layout, AClickHitsTheNearestAtomElseABondElseNothing)
{
    const ChemDocument document = ReadFixture("ethanol.mol");
    const Layout layout = ArrangeDocument(document);
    const Viewport view = FitLayout(layout, 400, 300, 20, 48);
    const Point oxygen = view.ToPixels(layout.atoms[2]);
    EXPECT_EQ(AtomAt(layout, view, {oxygen.x + 3, oxygen.y - 3}, 8), 2);
    EXPECT_EQ(AtomAt(layout, view, {oxygen.x + 9, oxygen.y}, 8), std::nullopt);

    const Point first = view.ToPixels(layout.atoms[0]), second = view.ToPixels(layout.atoms[1]);
    const Point middle{(first.x + second.x) / 2, (first.y + second.y) / 2};
    EXPECT_EQ(AtomAt(layout, view, middle, 8), std::nullopt);
    EXPECT_EQ(BondAt(document, layout, view, {middle.x, middle.y + 2}, 8), 0);
    EXPECT_EQ(BondAt(document, layout, view, {middle.x, middle.y + 40}, 8), std::nullopt);
}

TEST(Layout, LabelsShowHeteroatomsChargesAndHydrogensButNotSkeletonCarbons)
{
    const ChemDocument salt = ReadFixture("sodium_acetate_13c.mol");
    // 13CH3, the carboxyl carbon, C=O, O-, Na+
    const std::vector<std::string> expected = {"CH3", "", "O", "O", "Na"};
    for (int atom = 0; atom < 5; ++atom)
        EXPECT_EQ(AtomLabel(salt, atom), expected[static_cast<std::size_t>(atom)]) << atom;

    // Lone atoms: hydrogens go before a halogen or chalcogen, after the rest.
    const std::pair<std::string, const char*> lone[] = {
        {AtomLine("O"), "H2O"}, {AtomLine("Cl"), "HCl"}, {AtomLine("C"), "CH4"}, {AtomLine("N", 0, 3), "NH4"}};
    for (const auto& [atom, label] : lone)
        EXPECT_EQ(AtomLabel(Read("t\n\n\n" + CountsLine(1, 0) + atom + "M  END\n"), 0), label);
    EXPECT_EQ(AtomLabel(ReadFixture("ethanol.mol"), 2), "OH");

    for (const auto& [charge, text] : {std::pair{0, ""}, {1, "+"}, {-1, "-"}, {2, "2+"}, {-3, "3-"}})
        EXPECT_EQ(ChargeText(charge), text) << charge;
}
