// Reading periodic table texts: what a good text changes, and that every malformed text is refused with
// the right line and leaves the table exactly as it was.
#include "mx/ptable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <fstream>
#include <string>

using mx::mxPeriodicTable;

#ifndef _WIN32
// Allocations made while g_countAllocations is set, counted by replacing the global operator new (natively
// the support library is a shared library and shares it; on Windows it sits in the DLL with its own).
namespace {
thread_local bool g_countAllocations = false;
thread_local std::size_t g_allocations = 0;
} // namespace

void* operator new(std::size_t size)
{
    if (g_countAllocations)
        ++g_allocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#endif

namespace {

// Element equality leaves out isotopes, group and period; a failed read must not change those either.
void ExpectSameContent(const mxPeriodicTable& actual, const mxPeriodicTable& expected)
{
    ASSERT_EQ(actual, expected);
    EXPECT_EQ(actual.IsLoaded(), expected.IsLoaded());
    for (int z = 1; z <= expected.MaxAtomicNo(); ++z) {
        const mx::mxElement& a = *actual.GetElement(z);
        const mx::mxElement& e = *expected.GetElement(z);
        EXPECT_EQ(a.GetGroup(), e.GetGroup()) << z;
        EXPECT_EQ(a.GetPeriod(), e.GetPeriod()) << z;
        ASSERT_EQ(a.GetIsotopes().size(), e.GetIsotopes().size()) << z;
        for (std::size_t i = 0; i < e.GetIsotopes().size(); ++i) {
            EXPECT_EQ(a.GetIsotopes()[i].GetMass(), e.GetIsotopes()[i].GetMass());
            EXPECT_EQ(a.GetIsotopes()[i].GetAbundance(), e.GetIsotopes()[i].GetAbundance());
            EXPECT_EQ(a.GetIsotopes()[i].GetSymbol(), e.GetIsotopes()[i].GetSymbol());
        }
        EXPECT_EQ(actual.GetAtomicNo(e.GetSymbol()), expected.GetAtomicNo(e.GetSymbol())) << z;
    }
    for (const char* named : {"D", "T", "Cx"})
        EXPECT_EQ(actual.GetAtomicNo(named), expected.GetAtomicNo(named)) << named;
}

const char kCarbonLine[] = "C 6 12.011 v42 Carbon_black 1086.5 2.55 3527 4000 2.267 70.9 2 14  ancient  people  ";

TEST(PeriodicTableText, GoodTextReplacesOnlyTheElementsItNames)
{
    mxPeriodicTable table;
    table.LoadDefault();
    const mxPeriodicTable before(table);
    // Mixed line ends: CR LF, CR, LF.
    const std::string text = std::string("# replaced carbon\r\n") + kCarbonLine + "\r" +
                             "  12 98.9\n"
                             "  13.0033548 1.1 Cx\n"
                             "\n"
                             "   \t\n"
                             "Uue 119 315 v1 Ununennium 0 0 0 0 0 0 8 1\n"
                             "R_1 120 1 v Rest\n";
    std::string error = "untouched";
    ASSERT_TRUE(table.ReadPTableFromString(text, &error));
    EXPECT_EQ(error, "untouched");
    EXPECT_TRUE(table.IsLoaded());
    EXPECT_FALSE(table.IsDefaultLoaded());
    EXPECT_EQ(table.MaxAtomicNo(), 120);

    const mx::mxElement& carbon = *table.GetElement(6);
    EXPECT_EQ(carbon.GetFullName(), "Carbon_black");  // underscores are spaces in symbols only
    EXPECT_EQ(carbon.GetDiscoverer(), "ancient  people");
    EXPECT_EQ(carbon.GetAverageMass(), before.GetElement(6)->GetAverageMass());  // the same offset
    EXPECT_EQ(carbon.GetValences(), mx::mxValenceList({4, 2}));
    EXPECT_EQ(carbon.GetRadius(), 70);
    EXPECT_EQ(carbon.GetGroup(), 14);
    EXPECT_EQ(carbon.GetIsotopesDescription(), "12 (98.9), 13 (1.1)");
    // The named isotope of the text joins D and T.
    EXPECT_EQ(table.GetAtomicNo("Cx"), 6);
    EXPECT_EQ(table.LookupElement("Cx")->GetMassNumber(), 13);
    EXPECT_EQ(table.GetAtomicNo("D"), 1);
    // Elements the text does not name keep everything.
    EXPECT_EQ(*table.GetElement(7), *before.GetElement(7));
    EXPECT_EQ(table.GetElement(7)->GetIsotopes().size(), before.GetElement(7)->GetIsotopes().size());
    EXPECT_EQ(table.GetAtomicNo("Uue"), 119);
    EXPECT_EQ(table.GetElement(119)->GetPeriod(), 8);
    EXPECT_EQ(table.GetAtomicNo("R 1"), 120);
    EXPECT_EQ(table.GetElement(120)->GetValences().size(), 0u);
}

TEST(PeriodicTableText, MalformedTextIsRefusedWholeWithItsLine)
{
    struct Case {
        const char* name;
        std::string text;
        int line;
        std::string message;
    } const cases[] = {
        {"isotope before any element", "# header\n 12 98.9\n", 2, " 12 98.9"},
        {"atomic number zero", "X 0 1 v Nothing\n", 1, "X 0 1 v Nothing"},
        {"negative atomic number", "X -4 1\n", 1, "X -4 1"},
        {"atomic number not a number", "\n\nX abc 1\n", 3, "X abc 1"},
        {"atomic number too large", "X 1000 1\n", 1, "X 1000 1"},
        {"isotope mass zero", std::string(kCarbonLine) + "\n 12 98.9\n 0 1.1\n", 3, " 0 1.1"},
        {"isotope mass negative", std::string(kCarbonLine) + "\r\n -12 98.9\r\n", 2, " -12 98.9"},
        {"isotope mass unreadable", std::string(kCarbonLine) + "\r 0x10 98.9\r", 2, " 0x10 98.9"},
        {"isotope abundance unreadable", std::string(kCarbonLine) + "\n 12 nan\n", 2, " 12 nan"},
        {"element mass unreadable", "C 6 12.0.1 v4 Carbon\n", 1, "C 6 12.0.1 v4 Carbon"},
        {"element real unreadable", "C 6 12 v4 Carbon 1086.5 2.55 hot\n", 1, "C 6 12 v4 Carbon 1086.5 2.55 hot"},
        {"radius beyond an int", "C 6 12 v4 Carbon 1 1 1 1 1 1e30 2 14\n", 1, "C 6 12 v4 Carbon 1 1 1 1 1 1e30 2 14"},
        // Mass numbers are held in 16 bits: larger ones would wrap (65536 to 0, an element's mark) or, far
        // larger, not convert at all.
        {"isotope mass far beyond any", std::string(kCarbonLine) + "\n 1e20 1\n", 2, " 1e20 1"},
        {"isotope mass number beyond 16 bits", std::string(kCarbonLine) + "\n 40000 0\n", 2, " 40000 0"},
        {"named isotope of mass number 0", std::string(kCarbonLine) + "\n 0.3 0 Cz\n", 2, " 0.3 0 Cz"},
        // A named isotope may not take an element's symbol, whichever of the two lines comes later.
        {"named isotope with an element's symbol", "H 1 1.008 v1 Hydrogen\n 1.0078 99.9\n 2.014 0.01 C\n", 3,
         " 2.014 0.01 C"},
        {"element with a named isotope's symbol", "H 1 1.008 v1 Hydrogen\n 2.014 0.01 Qq\n#\nQq 130 1 v Q\n", 4,
         "Qq 130 1 v Q"},
        {"element taking the built-in deuterium's symbol", "D 131 2 v Dee\n", 1, "D 131 2 v Dee"},
        {"lower-case line after good elements",
         std::string(kCarbonLine) + "\nN 7 14.007 v3 Nitrogen\n 14 99.6\nn 7 14\n", 4, "n 7 14"},
    };
    mxPeriodicTable table;
    table.LoadDefault();
    const mxPeriodicTable before(table);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        int line = -1;
        std::string message;
        EXPECT_FALSE(table.LoadElementsTable(test.text, line, message));
        EXPECT_EQ(line, test.line);
        EXPECT_EQ(message, test.message);
        ExpectSameContent(table, before);

        std::string error;
        EXPECT_FALSE(table.ReadPTableFromString(test.text, &error));
        EXPECT_EQ(error, "Error in periodic table at line " + std::to_string(test.line) + ":\r\n" + test.message);
        EXPECT_FALSE(table.ReadPTableFromString(test.text));  // the error text is optional
        ExpectSameContent(table, before);
    }
}

#ifndef _WIN32
// Named isotopes are remapped from their elements: the work must grow with their number, not its square
// (each entry once copied its element's whole isotope list, thousands of named ones taking seconds while
// every reader of the table waited on its lock).
TEST(PeriodicTableText, ManyNamedIsotopesCostLinearWork)
{
    constexpr int kNamed = 3000;
    std::string text = "Xx 120 500 v Many\n";
    for (int i = 0; i < kNamed; ++i)
        text += " " + std::to_string(1000 + i) + ".1 0 Q" + std::to_string(i) + "\n";
    mxPeriodicTable table;
    g_allocations = 0;
    g_countAllocations = true;
    const bool read = table.ReadPTableFromString(text);
    g_countAllocations = false;
    ASSERT_TRUE(read);
    EXPECT_LT(g_allocations, 100u * kNamed);
    EXPECT_EQ(table.GetAtomicNo("Q0"), 120);
    EXPECT_EQ(table.LookupElement("Q2999")->GetMassNumber(), 3999);
    EXPECT_TRUE(table.LookupElement("Q2999")->GetIsotopes().empty());
}
#endif

class PeriodicTableFile : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("mx_ptable_test_" + std::to_string(testing::UnitTest::GetInstance()->random_seed()) + "_" +
                    testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string Write(const char* name, const std::string& content)
    {
        const std::filesystem::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path m_folder;
};

TEST_F(PeriodicTableFile, ReadsAWholeFileAndRefusesMissingEmptyOrBadOnes)
{
    mxPeriodicTable table;
    table.LoadDefault();
    const std::string good = Write("good.txt", std::string(kCarbonLine) + "\r\n 12 98.9\r\n 13 1.1\r\n");
    std::string error;
    ASSERT_TRUE(table.ReadPTableFile(good.c_str(), &error)) << error;
    EXPECT_TRUE(table.IsLoaded());
    EXPECT_EQ(table.GetElement(6)->GetIsotopes().size(), 2u);

    const mxPeriodicTable before(table);
    // A folder opens as a file on some systems and fails only when read.
    for (const std::string& path : {(m_folder / "missing.txt").string(), Write("empty.txt", ""), m_folder.string()}) {
        EXPECT_FALSE(table.ReadPTableFile(path.c_str(), &error));
        EXPECT_EQ(error, "Bad periodic table file (" + path + ")");
    }
    EXPECT_FALSE(table.ReadPTableFile(nullptr, &error));
    EXPECT_EQ(error, "Bad periodic table file ()");
    const std::string bad = Write("bad.txt", "# only an isotope\n 1.0078 99.9\n");
    EXPECT_FALSE(table.ReadPTableFile(bad.c_str(), &error));
    EXPECT_EQ(error, "Error in periodic table at line 2:\r\n 1.0078 99.9");
    ExpectSameContent(table, before);
}

} // namespace
