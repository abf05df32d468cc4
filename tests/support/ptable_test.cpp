// The periodic table: the built-in data, lookups, valences, navigation and the active table.
#include "mx/ptable.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

using mx::mxPeriodicTable;

namespace {

// The tests never load the library's own table, so it stays as the library starts it.
TEST(PeriodicTable, ActiveTableIsEmptyBeforeAnyLoad)
{
    const mxPeriodicTable* table = mxPeriodicTable::GetPTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table, mx::mxGetPTable());
    EXPECT_EQ(table->MaxAtomicNo(), -1);
    EXPECT_FALSE(table->IsDefaultLoaded());
    EXPECT_EQ(table->LookupElement("C"), nullptr);
    EXPECT_EQ(table->GetSymbol(1), "?");
    EXPECT_EQ(table->GetMass(1).Val(), 0);
}

class BuiltInTable : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_table = new mxPeriodicTable;
        s_table->LoadDefault();
    }
    static void TearDownTestSuite()
    {
        delete s_table;
        s_table = nullptr;
    }
    static const mx::mxElement& Element(mx::ElementNumber z) { return *s_table->GetElement(z); }

    static mxPeriodicTable* s_table;
};

mxPeriodicTable* BuiltInTable::s_table = nullptr;

TEST_F(BuiltInTable, HoldsAllElementsWithTheirNamesAndIsotopes)
{
    const mxPeriodicTable& table = *s_table;
    EXPECT_EQ(table.MaxAtomicNo(), 118);
    EXPECT_TRUE(table.IsDefaultLoaded());
    EXPECT_FALSE(table.IsLoaded());
    std::size_t isotopes = 0;
    for (int z = 1; z <= 118; ++z) {
        SCOPED_TRACE(z);
        ASSERT_TRUE(table.ElementExists(z));
        EXPECT_EQ(table.GetAtomicNo(table.GetSymbol(z)), z);
        EXPECT_EQ(Element(z).GetAtomicNumber(), z);
        EXPECT_FALSE(Element(z).IsModified());
        isotopes += Element(z).GetIsotopes().size();
        if (z >= 113) {
            EXPECT_EQ(Element(z).GetDiscoverer(), "");
        }
    }
    EXPECT_EQ(isotopes, 2930u);
    EXPECT_EQ(Element(1).GetFullName(), "Hydrogen");
    EXPECT_EQ(Element(13).GetFullName(), "Aluminum");
    EXPECT_EQ(Element(55).GetFullName(), "Cesium");
    EXPECT_EQ(Element(118).GetFullName(), "Oganesson");
    EXPECT_EQ(Element(1).GetIsotopesDescription(), "1 (99.9885), 2 (0.0115)");
}

TEST_F(BuiltInTable, ReferenceRowsAreExact)
{
    struct Row {
        int z;
        const char* symbol;
        double mass, mp, bp, density, ip;
        int group, period;
        double eneg;
        int radius;
        std::vector<int> valences;  // preferred first
    } const rows[] = {
        {1, "H", 1.00800000005, -259.14, -252.87, 0.07, 1312, 1, 1, 2.2, 25, {1}},
        {2, "He", 4.00260200005, -272.2, -268.93, 0.15, 2372.3, 18, 1, 0, 0, {0}},
        {6, "C", 12.01100000005, 3527, 4000, 2.267, 1086.5, 14, 2, 2.55, 70, {4}},
        {7, "N", 14.00700000005, -210.1, -195.79, 0.81, 1402.3, 15, 2, 3.04, 65, {3}},
        {16, "S", 32.06000000005, 115.21, 444.72, 1.96, 999.6, 16, 3, 2.58, 100, {2, 4, 6}},
        {17, "Cl", 35.45000000005, -101.55, -34.04, 1.56, 1251.2, 17, 3, 3.16, 100, {1, 3, 5, 7}},
        {26, "Fe", 55.84500000005, 1538, 2861, 7.874, 762.5, 8, 4, 1.83, 140, {}},
        {32, "Ge", 72.63000000005, 938.25, 2820, 5.323, 762, 14, 4, 2.01, 125, {4, 2}},
        {118, "Og", 294.00000000005, 0, 0, 0, 0, 4, 7, 0, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.symbol);
        const mx::mxElement& e = Element(row.z);
        EXPECT_EQ(e.GetSymbol(), row.symbol);
        EXPECT_EQ(e.GetAverageMass().Val(), row.mass);
        EXPECT_EQ(e.GetAverageMass().Tolerance(), 0);
        EXPECT_EQ(e.GetMP().Val(), row.mp);
        EXPECT_EQ(e.GetBP().Val(), row.bp);
        EXPECT_EQ(e.GetDensity().Val(), row.density);
        EXPECT_EQ(e.GetIP().Val(), row.ip);
        EXPECT_EQ(e.GetGroup(), row.group);
        EXPECT_EQ(e.GetPeriod(), row.period);
        EXPECT_EQ(e.GetEneg().Val(), row.eneg);
        EXPECT_EQ(e.GetRadius(), row.radius);
        EXPECT_EQ(e.GetValences(), mx::mxValenceList(row.valences));
    }
}

TEST_F(BuiltInTable, MainGroupValenceListsAndFBlockGroups)
{
    struct Valences {
        std::vector<const char*> symbols;
        std::vector<int> list;  // preferred first
    } const groups[] = {
        {{"Li", "Na", "K", "Rb", "Cs", "Fr"}, {0, 1}}, {{"Be", "Mg", "Ca", "Sr", "Ba", "Ra"}, {0, 2}},
        {{"B", "Al"}, {3}}, {{"Ga"}, {2, 3}}, {{"In"}, {1, 2, 3}}, {{"Tl"}, {1, 3}}, {{"C", "Si"}, {4}},
        {{"Ge", "Sn", "Pb"}, {4, 2}}, {{"N"}, {3}}, {{"P", "As", "Sb", "Bi"}, {3, 5}}, {{"O"}, {2}},
        {{"S", "Se", "Te"}, {2, 4, 6}}, {{"Po"}, {2, 3, 4, 6}}, {{"F"}, {1}}, {{"Cl", "Br", "I", "At"}, {1, 3, 5, 7}},
        {{"He", "Ne", "Ar", "Rn"}, {0}}, {{"Kr"}, {0, 2}}, {{"Xe"}, {0, 2, 4, 6}},
        {{"Sc", "Fe", "Hg", "La", "Ce", "U", "Lr", "Rf", "Nh", "Fl", "Mc", "Lv", "Ts", "Og"}, {}},
    };
    for (const Valences& group : groups)
        for (const char* symbol : group.symbols) {
            SCOPED_TRACE(symbol);
            const mx::mxValenceList& valences = s_table->LookupElement(symbol)->GetValences();
            EXPECT_EQ(valences, mx::mxValenceList(group.list));
            EXPECT_EQ(valences.PreferredValence(), group.list.empty() ? 0 : group.list.front());
        }
    EXPECT_EQ(Element(16).GetValencesDescription(), "2, 4, 6");
    const std::pair<int, int> fBlockGroups[] = {{57, 3}, {58, 4}, {70, 16}, {71, 3}, {89, 3}, {90, 4}, {103, 17}};
    for (const auto& [z, group] : fBlockGroups)
        EXPECT_EQ(Element(z).GetGroup(), group) << z;
}

TEST_F(BuiltInTable, SymbolLookupsTakeTheLongestPrefixAndKnowNamedIsotopes)
{
    const mxPeriodicTable& table = *s_table;
    EXPECT_EQ(table.LookupElement("Clxyz")->GetAtomicNumber(), 17);
    EXPECT_EQ(table.LookupElement("CL")->GetAtomicNumber(), 6);  // case-sensitive
    EXPECT_EQ(table.LookupElement("cl"), nullptr);
    EXPECT_EQ(table.LookupElement("Q"), nullptr);
    EXPECT_EQ(table.LookupElement(""), nullptr);
    EXPECT_EQ(table.LookupElement(static_cast<const char*>(nullptr)), nullptr);
    EXPECT_EQ(table.GetAtomicNo("Clx"), 0);  // exact only

    int length = -1;
    short massNumber = -1;
    EXPECT_EQ(table.FindElement("Cl2", &length), 17);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(table.FindElement("xyz", &length), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(table.FindElement("D", &length, false, &massNumber), 0);
    EXPECT_EQ(massNumber, -1);
    EXPECT_EQ(table.FindElement("D", &length, true, &massNumber), 1);
    EXPECT_EQ(massNumber, 2);
    EXPECT_EQ(table.FindElement("Cl", nullptr, true, &massNumber), 17);
    EXPECT_EQ(massNumber, 0);

    EXPECT_EQ(table.GetAtomicNo("D"), 1);
    EXPECT_EQ(table.GetAtomicNo("T"), 1);
    const mx::mxElement* deuterium = table.LookupElement("D");
    ASSERT_NE(deuterium, nullptr);
    EXPECT_EQ(deuterium->GetAtomicNumber(), 1);
    EXPECT_EQ(deuterium->GetMassNumber(), 2);
    EXPECT_EQ(deuterium->GetAverageMass().Val(), 2.014101778);
    EXPECT_TRUE(deuterium->GetIsotopes().empty());
    EXPECT_EQ(table.LookupElement("T")->GetMassNumber(), 3);
}

TEST_F(BuiltInTable, MassesAndIsotopes)
{
    const mx::mxElement& carbon = Element(6);
    EXPECT_EQ(carbon.GetExactMass().Val(), 12.0);
    EXPECT_EQ(carbon.GetMostCommonIsotope()->GetMassNumber(), 12);
    EXPECT_EQ(carbon.GetLightestIsotope()->GetMassNumber(), 12);  // the first natural one
    EXPECT_EQ(carbon.GetIsotope(14)->GetAbundance().Val(), 0);
    EXPECT_EQ(carbon.GetIsotope(99), nullptr);
    const mx::mxElement& oganesson = Element(118);
    EXPECT_TRUE(oganesson.GetIsotopes().empty());
    EXPECT_EQ(oganesson.GetExactMass().Val(), 294.00000000005);
    EXPECT_EQ(oganesson.GetMostCommonIsotope(), nullptr);
    EXPECT_EQ(oganesson.GetLightestIsotope(), nullptr);
    // Technetium has no natural isotope: its lightest is simply the first.
    EXPECT_EQ(Element(43).GetLightestIsotope(), &Element(43).GetIsotopes().front());
    for (int z : {0, 119, -1}) {
        EXPECT_EQ(s_table->GetMass(z).Val(), 0);
        EXPECT_EQ(s_table->GetWeight(z).Tolerance(), 0);
        EXPECT_EQ(s_table->GetSymbol(z), "?");
        EXPECT_EQ(s_table->GetRadius(z), 0);
    }
}

TEST_F(BuiltInTable, ChargedAtomsTakeTheValencesOfTheirIsoelectronicElement)
{
    mxPeriodicTable* previous = mxPeriodicTable::SetPTable(s_table);
    EXPECT_EQ(Element(7).GetValences(1), mx::mxValenceList({4}));   // N+ like C
    EXPECT_EQ(Element(8).GetValences(-1), mx::mxValenceList({1}));  // O- like F
    EXPECT_EQ(Element(5).GetValences(5).size(), 0u);                // no element 0
    // Charges at the ends of the int range name no element (and must not overflow getting there).
    EXPECT_EQ(Element(7).GetValences(INT_MIN).size(), 0u);
    EXPECT_EQ(Element(7).GetValences(INT_MAX).size(), 0u);
    EXPECT_EQ(Element(26).GetValences(2).size(), 0u);               // no list: its own (empty) one
    EXPECT_EQ(Element(16).GetValences(0), Element(16).GetValences());
    EXPECT_EQ(Element(16).GetMaxValence(), 6);
    EXPECT_EQ(Element(16).GetPreferredValence(), 2);
    // Null restores the library's own table.
    EXPECT_EQ(mxPeriodicTable::SetPTable(nullptr), s_table);
    EXPECT_EQ(mxPeriodicTable::GetPTable(), previous);
    EXPECT_EQ(Element(7).GetValences(1).size(), 0u);  // the empty active table knows no carbon
}

TEST_F(BuiltInTable, IntendedValences)
{
    for (const auto& [z, valence, intended] : {std::tuple{16, 3, 4}, {16, 1, 2}, {16, 7, 6}, {26, 3, 0}, {0, 3, 0}})
        EXPECT_EQ(s_table->GetIntendedValence(z, valence), intended) << z << " at " << valence;
    const mx::mxValenceList empty, tin({4, 2});
    EXPECT_EQ(empty.GetIntendedValence(3), 0);
    EXPECT_EQ(empty.FindSmallestOrPreferred(1), 0);
    EXPECT_EQ(tin[0], 2);
    EXPECT_EQ(tin[5], 0);
    EXPECT_EQ(tin.FindSmallest(3), 4);
    EXPECT_EQ(tin.FindSmallest(5), -1);
    EXPECT_EQ(tin.FindSmallestOrPreferred(1), 4);
    EXPECT_EQ(tin.FindSmallestOrPreferred(5), 4);
    EXPECT_EQ(mx::mxValenceList({-1}).FindSmallestOrPreferred(0), -1);
    EXPECT_NE(tin, mx::mxValenceList({2, 4}));  // same valences, other preference
}

// An atomic number without an element has a defined state instead of reading outside the table.
TEST_F(BuiltInTable, StateAtATemperature)
{
    EXPECT_EQ(s_table->GetState(1, 25), mx::mx_Gas);
    EXPECT_EQ(s_table->GetState(80, 25), mx::mx_Liquid);
    EXPECT_EQ(s_table->GetState(26, 25), mx::mx_Solid);
    EXPECT_EQ(s_table->GetState(26, 1600), mx::mx_Liquid);
    for (int z : {0, -3, 119, 100000})
        EXPECT_EQ(s_table->GetState(z, 25), mx::mx_StateUnknown) << z;
    EXPECT_EQ(mxPeriodicTable().GetState(1, 25), mx::mx_StateUnknown);
}

TEST(PeriodicTableStatics, ColumnsRowsValencesAndPredicates)
{
    using Function = int (*)(mx::ElementNumber) noexcept;
    const struct {
        const char* name;
        Function function;
        std::vector<std::pair<int, int>> answers;  // atomic number, result
    } functions[] = {
        {"lower in column", mxPeriodicTable::NextLowerElementInColumn,
         {{60, 57}, {95, 89}, {57, 39}, {3, 1}, {1, 1}, {0, 0}}},
        {"higher in column", mxPeriodicTable::NextHigherElementInColumn,
         {{118, 118}, {88, 88}, {1, 3}, {60, 60}, {200, 200}}},
        {"row", mxPeriodicTable::GetRow,
         {{-1, 0}, {2, 0}, {3, 1}, {10, 1}, {18, 2}, {36, 3}, {54, 4}, {87, 5}, {88, 5}, {89, 6}, {124, 6}, {125, -1}}},
        {"default valence", mxPeriodicTable::DefaultValence,
         {{0, 0}, {1, 1}, {26, 8}, {28, 10}, {57, 3}, {58, 0}, {72, 0}, {73, 5}, {92, 6}, {93, 0}, {103, 0}, {104, 0}}},
    };
    for (const auto& f : functions)
        for (const auto& [z, expected] : f.answers)
            EXPECT_EQ(f.function(z), expected) << f.name << " of " << z;

    EXPECT_FALSE(mxPeriodicTable::IsAlkaliMetal(1));
    EXPECT_TRUE(mxPeriodicTable::IsAlkaliMetal(87));
    EXPECT_TRUE(mxPeriodicTable::IsChalcogen(8));
    EXPECT_FALSE(mxPeriodicTable::IsLikeSulfur(8));
    EXPECT_TRUE(mxPeriodicTable::IsLikeSulfur(84));
    EXPECT_FALSE(mxPeriodicTable::IsHalogen(117));
    EXPECT_TRUE(mxPeriodicTable::IsNobleGas(86));
    EXPECT_TRUE(mxPeriodicTable::IsLanthanide(71));
    EXPECT_FALSE(mxPeriodicTable::IsActinide(104));
    EXPECT_TRUE(mxPeriodicTable::IsTransitionMetal(57));
    EXPECT_FALSE(mxPeriodicTable::IsTransitionMetal(31));
    EXPECT_TRUE(mxPeriodicTable::IsAlkaliOrAlkalineEarthOrTransitionMetal(4));
    EXPECT_FALSE(mxPeriodicTable::IsAlkaliOrAlkalineEarthOrTransitionMetal(5));
    EXPECT_TRUE(mxPeriodicTable::IsMainGroupElement(88));
    EXPECT_FALSE(mxPeriodicTable::IsMainGroupElement(21));
    for (const auto& [z, metal] : {std::pair{13, true}, {14, false}, {84, true}, {85, false}, {300, true}})
        EXPECT_EQ(mxPeriodicTable::IsMetal(z), metal) << z;
    std::vector<int> implicitHydrogen;
    for (int z = -5; z <= 130; ++z)
        if (mxPeriodicTable::CanInferImplicitHydrogen(z))
            implicitHydrogen.push_back(z);
    EXPECT_EQ(implicitHydrogen, (std::vector<int>{1, 6, 7, 8, 9, 14, 15, 16}));
}

TEST(PeriodicTableElements, SettersMarkOnlyRealChanges)
{
    mx::mxElement element(6);
    element.SetGroup(0);
    element.SetSym("");
    element.SetMass(mxRealNum());
    EXPECT_FALSE(element.IsModified());
    element.SetMass(mxRealNum(12.011, 0));
    EXPECT_TRUE(element.IsModified());

    mx::mxElement copy(element);
    copy.SetGroup(14);  // groups, periods and isotopes are not part of equality
    copy.SetPeriod(2);
    copy.AddIsotope(mx::mxIsotope(mxRealNum(12.0, 0), mxRealNum(98.9, 0)));
    EXPECT_EQ(copy, element);
    copy.SetRadius(70);
    EXPECT_NE(copy, element);
}

TEST(PeriodicTableElements, SetElementReplacesTheSlotAndItsSymbol)
{
    mxPeriodicTable table;
    mx::mxElement element(5);
    element.SetSym("Xa");
    table.SetElement(5, element);
    EXPECT_EQ(table.MaxAtomicNo(), 5);
    EXPECT_FALSE(table.ElementExists(4));
    EXPECT_EQ(table.GetSymbol(4), "?");
    EXPECT_EQ(table.GetAtomicNo("Xa"), 5);
    element.SetSym("Xb");
    table.SetElement(5, element);
    EXPECT_EQ(table.GetAtomicNo("Xa"), 0);
    EXPECT_EQ(table.GetAtomicNo("Xb"), 5);
    mxPeriodicTable copy(table);
    EXPECT_EQ(copy, table);
    table.Clear();
    EXPECT_NE(copy, table);
    EXPECT_EQ(table.MaxAtomicNo(), -1);
}

} // namespace
