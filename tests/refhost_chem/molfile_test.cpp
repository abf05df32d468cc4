// Reading and writing molfile, RXN and RD file text: the shapes the fixtures describe, the fields that
// carry chemistry, the refusals of broken text, and a written document reading back as itself.
#include "chem_test_support.h"

#include "refhost/chem/Exchange.h"
#include "refhost/chem/Synthetic.h"

using namespace chem_test;

namespace {

struct Shape {
    const char* fixture;
    std::size_t atoms, bonds, groups;
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> schemes;  // per step: reactants, products
    const char* writtenStart;
};

const Shape kShapes[] = {
    {"ethanol.mol", 3, 2, 1, {}, "ethanol\n"},
    {"sodium_acetate_13c.mol", 5, 3, 2, {}, "sodium acetate"},
    {"esterification.rxn", 14, 10, 4, {{{2, 2}}}, "$RXN\nesterification\n"},
    {"no_products.rxn", 3, 2, 1, {{{1, 0}}}, "$RXN\n"},
    {"two_steps.rdf", 9, 5, 4, {{{1, 1}, {1, 1}}}, "$RDFILE 1\n"},
    {"two_reactions.rdf", 34, 26, 9, {{{2, 2}}, {{2, 2}}}, "$RDFILE 1\n"},
};

} // namespace

// Each fixture has its shape, and written out it reads back as itself and writes the same text again.
TEST(Molfile, ReadsAndWritesBackTheFixtures)
{
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.fixture);
        const ChemDocument document = ReadFixture(shape.fixture);
        EXPECT_EQ(document.Atoms().size(), shape.atoms);
        EXPECT_EQ(document.Bonds().size(), shape.bonds);
        EXPECT_EQ(document.Groups().size(), shape.groups);
        ASSERT_EQ(document.ReactionSchemes().size(), shape.schemes.size());
        for (std::size_t s = 0; s < shape.schemes.size(); ++s) {
            const auto& steps = document.ReactionSchemes()[s].steps;
            ASSERT_EQ(steps.size(), shape.schemes[s].size());
            for (std::size_t i = 0; i < steps.size(); ++i) {
                EXPECT_EQ(steps[i].reactants.size(), shape.schemes[s][i].first);
                EXPECT_EQ(steps[i].products.size(), shape.schemes[s][i].second);
            }
        }
        const std::string written = WriteChemDocument(document);
        EXPECT_EQ(written.rfind(shape.writtenStart, 0), 0u) << written.substr(0, 40);
        const ChemDocument reread = Read(written);
        EXPECT_EQ(Describe(reread), Describe(document));
        EXPECT_EQ(WriteChemDocument(reread), written);
    }
}

// Atoms as Describe gives them: symbol/charge/mass number/mass difference/radical/valence/group.
TEST(Molfile, ReadsChargesIsotopesRadicalsAndValences)
{
    const ChemDocument salt = ReadFixture("sodium_acetate_13c.mol");
    EXPECT_EQ(salt.name, "sodium acetate, 13C-methyl");
    EXPECT_EQ(Describe(salt).substr(0, 72), "C/0/13/0/0/0/0 C/0/0/0/0/0/0 O/0/0/0/0/0/0 O/-1/0/0/0/0/0 Na/1/0/0/0/0/1");

    // Atom-block fields, CR LF line ends, and an alias whose text line must not be read as a property.
    const std::string text = "t\r\n\r\n\r\n" + CountsLine(4, 0) + AtomLine("C", 1, 1) + AtomLine("N", 0, 4)
                             + AtomLine("O", 0, 7, 15) + AtomLine("Cl", -1, 0, 3) + "A    1\nM  CHG  1   1\nM  END\n";
    EXPECT_EQ(Describe(Read(text)), "C/3/0/1/0/0/0 N/0/0/0/2/0/1 O/-3/0/0/0/15/2 Cl/0/0/-1/0/3/3 | | groups 4");

    // The first charge or radical line voids every charge and radical of the atom block.
    const ChemDocument superseded = Read("t\n\n\n" + CountsLine(2, 0) + AtomLine("C", 0, 1) + AtomLine("N", 0, 4)
                                         + "M  RAD  1   1   3\nM  ISO  1   2  15\nM  END\n");
    EXPECT_EQ(Describe(superseded), "C/0/0/0/3/0/0 N/0/15/0/0/0/1 | | groups 2");
}

TEST(Molfile, ReadsEveryMoleculeOfAnSdFile)
{
    const std::string ethanol = FixtureText("ethanol.mol");
    const ChemDocument document = Read(ethanol + "> <NAME>\nethanol\n\n$$$$\n" + ethanol + "$$$$\n\n");
    EXPECT_EQ(document.Atoms().size(), 6u);
    EXPECT_EQ(document.Groups().size(), 2u);
    EXPECT_EQ(document.name, "ethanol");
}

TEST(Molfile, RefusesBrokenTextNamingTheLine)
{
    const std::string head = "t\n\n\n";
    const std::string atom = AtomLine("C");
    struct Case {
        std::string text;
        int line;
        const char* message;
    } cases[] = {
        {"", 0, "the text is empty"},
        {head, 4, "the text ends before the counts line"},
        {head + " x  0\n", 4, "the number of atoms must be a whole number"},
        {head + "  0  0  0  0  0  0  0  0  0  0999 V3000\n", 4, "V3000 molfiles are not supported"},
        {head + CountsLine(2, 0) + atom, 6, "the text ends before the atom block ends"},
        {head + CountsLine(1, 0) + "    0.0000    0.0000    0.0000\n", 5, "needs an element symbol"},
        {head + CountsLine(1, 0) + "    1.0e+3    0.0000    0.0000 C\n", 5, "a coordinate must be a decimal number"},
        {head + CountsLine(1, 0) + "       nan    0.0000    0.0000 C\n", 5, "a coordinate must be a decimal number"},
        {head + CountsLine(1, 0) + AtomLine("C", 0, 8), 5, "the charge code must be from 0 to 7"},
        {head + CountsLine(2, 1) + atom + atom + "  1  3  1  0\n", 7, "the second atom of a bond must be from 1 to 2"},
        {head + CountsLine(2, 1) + atom + atom + "  2  2  1  0\n", 7, "a bond joins atom 2 to itself"},
        {head + CountsLine(2, 2) + atom + atom + "  1  2  1  0\n  2  1  2  0\n", 8, "atoms 2 and 1 are bonded twice"},
        {head + CountsLine(2, 1) + atom + atom + "  1  2  9  0\n", 7, "the bond type must be from 1 to 8"},
        {head + CountsLine(1, 0) + atom + "M  CHG  2   1   1\n", 6, "M  CHG needs a count of 1 to 8"},
        {head + CountsLine(1, 0) + atom + "M  ISO  1   2  13\n", 6, "an atom number must be from 1 to 1"},
        {head + CountsLine(1, 0) + atom + "M  RAD  1   1   4\n", 6, "a radical must be from 0 to 3"},
        {head + CountsLine(1, 0) + atom + "S  SKP  3\nx\n", 8, "the text ends before the lines to skip end"},
        {"$RXN V3000\n", 1, "V3000 reactions are not supported"},
        {"$RXN\nr\n\n\n  1  0\n" + head, 6, "each molecule of a reaction must start with a line $MOL"},
        {"$RXN\nr\n\n\n  0  0\nmore\n", 6, "unexpected text after the reaction"},
        {"$RXN\nr\n\n\n  1 -1\n", 5, "the number of products must be from 0 to 999"},
        {"$RDFILE 2\n", 1, "an RD file must start with a line $RDFILE 1"},
        {"$RDFILE 1\n$DTYPE SCHEME\n$DATUM 1\n", 2, "a data field before the first record"},
        {"$RDFILE 1\n$MFMT\n" + head + CountsLine(0, 0) + "M  END\n$DTYPE X\nvalue\n", 9, "followed by a $DATUM line"},
        {"$RDFILE 1\n$MIREG 12\n", 2, "expected a record ($MFMT or $RFMT)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ReadError error;
        EXPECT_FALSE(ReadChemDocument(c.text, &error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
    }
}

TEST(Molfile, AgentsAndBlockOnlyFieldsReadBackAsThemselves)
{
    // Agents, which only a third count on the reaction counts line announces.
    const std::string ethanol = FixtureText("ethanol.mol");
    const ChemDocument catalysed = Read("$RXN\n\n\n\n  1  1  1\n$MOL\n" + ethanol + "$MOL\n" + ethanol + "$MOL\n" + ethanol);
    EXPECT_EQ(catalysed.ReactionSchemes()[0].steps[0].agents.size(), 1u);
    EXPECT_EQ(Describe(Read(WriteChemDocument(catalysed))), Describe(catalysed));
    // Fields only the atom block or only the properties block can carry survive too.
    const ChemDocument atoms = Read("t\n\n\n" + CountsLine(3, 0) + AtomLine("C", 2, 0, 5) + AtomLine("N", 0, 4)
                                    + AtomLine("O") + "M  CHG  1   3  -9\nM  ISO  1   1  14\nM  END\n");
    EXPECT_EQ(Describe(Read(WriteChemDocument(atoms))), Describe(atoms));
}

TEST(Molfile, SelectionTextHoldsOnlyWhatIsSelected)
{
    ChemDocument ethanol = ReadFixture("ethanol.mol");
    // Atoms 1 and 2 with the bond to the unselected atom 3: the bond cannot go into the molfile.
    ethanol.Select({{0, 1}, {1}, {}});
    const ChemDocument part = Read(WriteSelection(ethanol));
    EXPECT_EQ(part.Atoms().size(), 2u);
    EXPECT_TRUE(part.Bonds().empty());
    EXPECT_EQ(part.Groups().size(), 2u);

    ChemDocument reactions = ReadFixture("two_reactions.rdf");
    reactions.SelectSchemes({1});
    const ChemDocument one = Read(WriteSelection(reactions));
    EXPECT_EQ(one.ReactionSchemes().size(), 1u);
    EXPECT_EQ(one.Atoms().size(), 14u);
    reactions.SelectSchemes({0, 1});
    const std::string both = WriteSelection(reactions);
    EXPECT_EQ(both.rfind("$RDFILE 1\n", 0), 0u);
    EXPECT_EQ(Read(both).ReactionSchemes().size(), 2u);
    EXPECT_EQ(Read(both).Groups().size(), 8u);  // benzene, outside both reactions, stays out

    // The counts line holds at most 999 atoms.
    EXPECT_NO_THROW(WriteSelection(MakeChainsDocument(999)));
    EXPECT_THROW(WriteSelection(MakeChainsDocument(1000)), std::length_error);
}

TEST(Exchange, BytesWithZerosRoundTripAndBrokenHeadersAreRefused)
{
    const ChemDocument reaction = ReadFixture("esterification.rxn");
    const std::string bytes = EncodeExchange(WriteChemDocument(reaction));
    EXPECT_EQ(bytes.substr(0, 6), std::string("VLX\0\1\0", 6));
    ReadError error;
    const auto back = ReadExchange(bytes, &error);
    ASSERT_TRUE(back) << error.ToString();
    EXPECT_EQ(Describe(*back), Describe(reaction));

    struct Case {
        std::string bytes;
        const char* message;
    } cases[] = {
        {bytes.substr(0, 3), "must start with VLX"},
        {"VLX " + bytes.substr(4), "must start with VLX"},
        {bytes.substr(0, 4) + '\2' + bytes.substr(5), "version 2 is not supported"},
        {bytes.substr(0, bytes.size() - 1), "not as long as its header says"},
        {bytes + '\0', "not as long as its header says"},
        {EncodeExchange("t\n\n\n  x\n"), "the number of atoms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_FALSE(ReadExchange(c.bytes, &error));
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
    }
}
