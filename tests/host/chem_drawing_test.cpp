// The stand-in drawing host over a chemical document read from a fixture: what the add-in reads through the
// host wrappers is the chemical document, and exchange data set on the selection is pasted into it.
#include "host/wrappers.h"
#include "refhost/application.h"
#include "refhost/chem/Exchange.h"
#include "refhost/drawing.h"

#include "chem_test_support.h"

#include <gtest/gtest.h>

namespace {

using chem_test::ReadFixture;
using refhost::chem::ChemDocument;

class OpenedDrawing : public ::testing::Test {
protected:
    std::shared_ptr<refhost::Host> host = refhost::Host::Create("Velmora 19.0", 0x10030);
    Application application{host->Application().Detach()};
    std::shared_ptr<refhost::DrawingDocument> drawing;

    IVelmoraDocument Open(const std::string& fixture)
    {
        drawing = refhost::DrawingDocument::Open(ReadFixture(fixture), chem_test::TestMasses);
        host->MainWindow().activeDocument = drawing;
        return application.ActiveDocument<IVelmoraDocument>();
    }
    fw::unique_variant Data(IVelmoraObjects objects, const char* type)
    {
        fw::unique_variant missing = fw::MissingArgument();
        return objects.Data(*fw::MakeVariant(type), *missing, *missing, *missing);
    }
};

TEST_F(OpenedDrawing, AnswersWithTheChemicalDocument)
{
    IVelmoraDocument document = Open("esterification.rxn");
    const ChemDocument& chemistry = *drawing->chemistry;
    drawing->chemistry->SelectGroups({1});   // ethanol
    drawing->Synchronize();

    IVelmoraSelection selection = document.Selection();
    IVelmoraAtoms atoms = selection.Atoms();
    ASSERT_EQ(atoms.Count(), 3);
    IVelmoraAtom middle = atoms.Item(2);
    EXPECT_EQ(middle.ID(), chemistry.Atoms()[5].id);
    EXPECT_EQ(middle.Fragment().ID(), chemistry.Groups()[1].id);
    EXPECT_EQ(middle.Bonds().Item(2).Atom2().ID(), chemistry.Atoms()[6].id);
    EXPECT_EQ(selection.Bonds().Count(), 2);
    EXPECT_EQ(selection.ReactionSchemes().Count(), 0);

    IVelmoraObjects objects = selection.Objects();
    ASSERT_EQ(objects.Count(), 1) << "one object per fragment group touched";
    EXPECT_EQ(objects.Item(1).Fragment().ID(), chemistry.Groups()[1].id);
    EXPECT_NEAR(objects.MolecularWeight(), 46.069, 1e-9) << "C2H6O with its implicit hydrogens";
    EXPECT_EQ(VariantToString(*Data(objects, "chemical/x-mdl-molfile")), refhost::chem::WriteSelection(chemistry));
    EXPECT_EQ(Data(objects, "chemical/x-vlx").type(), VT_EMPTY);

    drawing->chemistry->SelectSchemes({0});
    drawing->Synchronize();
    EXPECT_EQ(selection.ReactionSchemes().Count(), 1);
    EXPECT_EQ(selection.Objects().Count(), 4);
    EXPECT_EQ(VariantToString(*Data(selection.Objects(), "chemical/x-mdl-rxnfile")).substr(0, 4), "$RXN");
}

TEST(PeriodicTableMasses, WeighSelectionsWithTheirIsotopes)
{
    auto host = refhost::Host::Create("Velmora 19.0", 0x10031);
    Application application(host->Application().Detach());
    auto weigh = [&](const char* fixture) {
        ChemDocument document = ReadFixture(fixture);
        document.SelectAll();
        host->MainWindow().activeDocument = refhost::DrawingDocument::Open(std::move(document));
        return application.ActiveDocument<IVelmoraDocument>().Selection().Objects().MolecularWeight();
    };
    EXPECT_NEAR(weigh("ethanol.mol"), 46.07, 0.005);
    EXPECT_NEAR(weigh("sodium_acetate_13c.mol"), 83.03, 0.005) << "the methyl carbon weighs as carbon-13";
    EXPECT_EQ(refhost::PeriodicTableMass("Cx", 0), 0.0) << "no element by a prefix of the symbol";
    EXPECT_NEAR(refhost::PeriodicTableMass("D", 0), 2.014, 0.001);
}

TEST_F(OpenedDrawing, ExchangeFormatReadsTheSelectionAndPastes)
{
    IVelmoraDocument document = Open("ethanol.mol");
    drawing->chemistry->SelectAll();
    drawing->Synchronize();
    CDataObject data = document.Selection().DataObject();
    const long format = refhost::ExchangeFormat();
    ASSERT_NE(format, 0);
    const std::string ethanol = VariantToString(*data.GetData(format));
    EXPECT_EQ(ethanol, refhost::chem::EncodeExchange(refhost::chem::WriteSelection(*drawing->chemistry)));

    auto bytesOf = [](const std::string& text) {
        return fw::unique_variant::adopt(VariantFrom(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    };
    const fw::unique_variant exchange = fw::MakeVariant(format);
    // The host's error code and text for data it refuses, or "accepted".
    auto paste = [&](const std::string& text) -> std::string {
        try {
            data.SetData(*bytesOf(text), *exchange);
            return "accepted";
        } catch (const COleDispatchException& error) {
            return std::to_string(error.ErrorCode()) + " " + error.m_strDescription;
        }
    };
    // Refused data leaves the document as it was.
    auto expectRefused = [&](const std::string& text, const std::string& reason) {
        const std::size_t atoms = drawing->chemistry->Atoms().size();
        const std::string outcome = paste(text);
        EXPECT_NE(outcome.find(reason), std::string::npos) << outcome;
        EXPECT_EQ(drawing->chemistry->Atoms().size(), atoms) << "pasted anyway";
    };

    // Setting the same bytes pastes a second ethanol, which becomes the selection.
    EXPECT_EQ(paste(ethanol), "accepted");
    EXPECT_EQ(drawing->chemistry->Groups().size(), 2u);
    EXPECT_EQ(document.Selection().Atoms().Item(1).ID(), drawing->chemistry->Atoms()[3].id);
    EXPECT_EQ(VariantToString(*data.GetData(format)), ethanol) << "the pasted copy reads back the same";

    // Cut at the first zero byte, the data is refused with the reader's reason; empty data is the host's "empty
    // structure" error.
    expectRefused("VLX", "not exchange-format data");
    expectRefused("", std::to_string(refhost::kEmptyStructureError) + " ");

    // The text of a structure file (a fetched molfile) is imported as the host opens it; text that is not
    // one is refused with the reader's line.
    EXPECT_EQ(paste(chem_test::FixtureText("esterification.rxn")), "accepted");
    EXPECT_EQ(drawing->chemistry->ReactionSchemes().size(), 1u);
    EXPECT_EQ(drawing->chemistry->Atoms().size(), 6u + 14u);
    expectRefused("not a molfile", "Cannot paste the structure: line ");

    // Other formats are kept as they are given.
    fw::unique_variant other = fw::MakeVariant(7L);
    data.SetData(*fw::MakeVariant("VLX"), *other);
    EXPECT_EQ(VariantToString(*data.GetData(7)), "VLX");
}

} // namespace
