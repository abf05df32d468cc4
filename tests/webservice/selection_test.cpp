// Selection checks and structure exchange against the stand-in host, with documents read from the molfile,
// RXN and RD fixtures. Messages are compared with their full texts, so the string table is checked too.
#include "webservice/Selection.h"

#include "refhost/application.h"
#include "refhost/chem/Exchange.h"
#include "refhost/database.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"

#include "chem_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using chem_test::ReadFixture;
using refhost::chem::ChemDocument;

const std::string kMultipleReactions = "Sorry, searching for multiple reactions is not supported.";
const std::string kMultiStep = "Sorry, searching for multi-step reactions is not supported.";
const std::string kPartial = "Only a portion of the structure was selected.";
const std::string kMultipleStructures =
    "Multiple structures selected.\r\n\tSubstance Search will consider these as a single compound.\r\n\t"
    "Reaction Search will find reactions containing all of the selections.";
const std::string kUntouched = "(untouched)";

// What the host hands out for the whole fixture selected.
std::string ExchangeBytes(const std::string& fixture)
{
    ChemDocument document = ReadFixture(fixture);
    document.SelectAll();
    return refhost::chem::EncodeExchange(refhost::chem::WriteSelection(document));
}

// A drawing host whose active document is opened from a fixture.
class DrawingSelection : public ::testing::Test {
protected:
    std::shared_ptr<refhost::Host> host = refhost::Host::Create("Velmora 19.0", 0x10040);
    std::shared_ptr<refhost::DrawingDocument> drawing;
    Application application{host->Application().Detach()};

    ChemDocument& Open(const std::string& fixture) { return Open(ReadFixture(fixture)); }
    ChemDocument& Open(ChemDocument document)
    {
        drawing = refhost::DrawingDocument::Open(std::move(document));
        host->MainWindow().activeDocument = drawing;
        return *drawing->chemistry;
    }
    // Changes the chemical document (usually its selection) and lets the host's objects see it.
    void Change(const std::function<void(ChemDocument&)>& change)
    {
        change(*drawing->chemistry);
        drawing->Synchronize();
    }
    IVelmoraDocument Document() { return application.ActiveDocument<IVelmoraDocument>(); }
    IVelmoraSelection Selection() { return Document().Selection(); }

    struct Validation {
        bool accepted;
        int reactions;
        std::string message;
    };
    Validation Validate()
    {
        Validation result{false, -1, kUntouched};
        IVelmoraSelection selection = Selection();
        result.accepted = ValidateVelmoraSelection(selection, result.reactions, result.message);
        return result;
    }

    struct StructureData {
        bool accepted;
        std::string data;
        int reactions;
        std::string message;
        VelmoraSelectionType type;
    };
    StructureData Read(const std::string& dataType)
    {
        StructureData result{false, kUntouched, -1, kUntouched, SelectionExact};
        result.accepted = GetStructureData(application, dataType, result.data, result.reactions, result.message, result.type);
        return result;
    }
};

TEST_F(DrawingSelection, EmptySelectionIsOnePlainWholeStructure)
{
    Open("ethanol.mol");
    IVelmoraSelection selection = Selection();
    EXPECT_EQ(GetNumReactions(selection), 0);
    EXPECT_FALSE(IsPartialSelection(selection));
    EXPECT_FALSE(HasMultipleStructures(selection));
    EXPECT_TRUE(GetSelectionFragments(selection).empty());

    StructureData read = Read("chemical/x-mdl-molfile");
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.reactions, 0);
    EXPECT_EQ(read.message, kUntouched) << "no message without a warning";
    EXPECT_EQ(read.type, SelectionSubstructure);
    EXPECT_EQ(read.data, refhost::chem::WriteSelection(*drawing->chemistry)) << "what the host gives for nothing";
}

TEST_F(DrawingSelection, CountsAndRefusesReactions)
{
    struct Case {
        const char* fixture;
        std::vector<int> schemes;
        int reactions;
        bool accepted;
        std::string message;
    };
    const Case cases[] = {
        {"esterification.rxn", {0}, 1, true, kUntouched},
        {"no_products.rxn", {0}, 0, true, kUntouched},   // one step without products: plain structures
        {"two_steps.rdf", {0}, 1, false, kMultiStep},    // a scheme of several steps counts once
        {"two_reactions.rdf", {0, 1}, 2, false, kMultipleReactions},
        {"two_reactions.rdf", {1}, 1, true, kUntouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture + std::string(" with ") + std::to_string(c.schemes.size()) + " scheme(s)");
        Open(c.fixture);
        Change([&](ChemDocument& document) { document.SelectSchemes(c.schemes); });
        IVelmoraSelection selection = Selection();
        EXPECT_EQ(GetNumReactions(selection), c.reactions);
        Validation validation = Validate();
        EXPECT_EQ(validation.accepted, c.accepted);
        EXPECT_EQ(validation.reactions, c.reactions);
        EXPECT_EQ(validation.message, c.message);

        StructureData read = Read(vlxMimeType);
        EXPECT_EQ(read.accepted, c.accepted);
        EXPECT_EQ(read.reactions, c.reactions);
        if (c.accepted) {
            EXPECT_EQ(read.type, c.reactions > 0 ? SelectionReaction : SelectionReactants);
        } else {
            EXPECT_EQ(read.data, kUntouched) << "a refused selection leaves the data alone";
            EXPECT_EQ(read.message, c.message);
        }
    }

    // A one-step scheme without reactants counts 0 like one without products.
    ChemDocument& document = Open("ethanol.mol");
    refhost::chem::ReactionStep step;
    step.products = {{{0}}};
    document.AddReactionScheme({step});
    Change([](ChemDocument& chemistry) { chemistry.SelectSchemes({0}); });
    IVelmoraSelection selection = Selection();
    EXPECT_EQ(GetNumReactions(selection), 0);
}

TEST_F(DrawingSelection, WarnsAboutPartialAndMultipleStructures)
{
    struct Case {
        const char* name;
        std::vector<int> atoms, bonds;
        bool partial, multiple;
        std::string message;
    };
    // Sodium acetate: atoms 0-3 the acetate ion (bonds 0-2), atom 4 the sodium ion.
    const Case cases[] = {
        {"whole acetate", {0, 1, 2, 3}, {0, 1, 2}, false, false, kUntouched},
        {"bond without one of its atoms", {0, 2, 3}, {0, 1, 2}, true, false, kPartial},
        {"atom without one of its bonds", {0, 1, 2, 3}, {0, 1}, true, false, kPartial},
        {"both ions, whole", {0, 1, 2, 3, 4}, {0, 1, 2}, false, true, kMultipleStructures},
        {"both ions, partial", {0, 4}, {}, true, true, kMultipleStructures},
    };
    Open("sodium_acetate_13c.mol");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Change([&](ChemDocument& document) { document.Select({c.atoms, c.bonds, {}}); });
        IVelmoraSelection selection = Selection();
        EXPECT_EQ(IsPartialSelection(selection), c.partial);
        EXPECT_EQ(HasMultipleStructures(selection), c.multiple);
        Validation validation = Validate();
        EXPECT_TRUE(validation.accepted) << "warnings do not refuse";
        EXPECT_EQ(validation.reactions, 0);
        EXPECT_EQ(validation.message, c.message);
    }

    // Each fragment once, in the order its first atom was selected.
    Change([](ChemDocument& document) { document.Select({{4, 0, 1}, {}, {}}); });
    IVelmoraSelection selection = Selection();
    const auto& groups = drawing->chemistry->Groups();
    EXPECT_EQ(GetSelectionFragments(selection), (std::vector<std::int32_t>{groups[1].id, groups[0].id}));
}

TEST_F(DrawingSelection, ClassifiesSelectedStructuresAcrossReactions)
{
    // Esterification: acid (group 0) + ethanol (1) -> ester (2) + water (3); a second reaction over the same
    // groups turns the ester back into the acid; a pasted ethanol (group 4) takes part in neither.
    ChemDocument& document = Open("esterification.rxn");
    refhost::chem::ReactionStep hydrolysis;
    hydrolysis.reactants = {{{2}}};
    hydrolysis.products = {{{0}}};
    document.AddReactionScheme({hydrolysis});
    document.Insert(ReadFixture("ethanol.mol"));

    struct Case {
        const char* name;
        std::vector<int> groups;
        VelmoraSelectionType expected;
    };
    const Case cases[] = {
        {"ethanol, a reactant only", {1}, SelectionReactants},
        {"water, a product only", {3}, SelectionProducts},
        {"acid, a reactant of one and a product of another", {0}, SelectionProducts},
        {"a reactant and a product together", {1, 3}, SelectionProducts},
        {"a reactant and a bystander", {4, 1}, SelectionReactants},
        {"only a bystander", {4}, SelectionSubstructure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Change([&](ChemDocument& chemistry) { chemistry.SelectGroups(c.groups); });
        IVelmoraDocument view = Document();
        EXPECT_EQ(AnalyzeVelmoraSelection(view), c.expected);
    }

    Change([](ChemDocument& chemistry) { chemistry.SelectSchemes({1}); });
    IVelmoraDocument view = Document();
    EXPECT_EQ(AnalyzeVelmoraSelection(view), SelectionReaction);
}

TEST_F(DrawingSelection, FragmentOfAComponentSkipsOtherGroupsAndHostErrors)
{
    // Sodium acetate as one reactant: a component of two objects, the acetate ion's group and sodium's.
    ChemDocument& document = Open("sodium_acetate_13c.mol");
    refhost::chem::ReactionStep step;
    step.reactants = {{{0, 1}}};
    step.products = {{{}}};   // a component without a fragment group
    document.AddReactionScheme({step});
    drawing->Synchronize();
    const long acetate = document.Groups()[0].id, sodium = document.Groups()[1].id;
    auto fragmentOf = [&](bool reactant) {
        IVelmoraReactionStep view = Document().ReactionSchemes().Item(1).ReactionSteps().Item(1);
        IVelmoraObjects component = (reactant ? view.Reactants() : view.Products()).Item(1);
        return GetFragmentID(component);
    };

    EXPECT_EQ(fragmentOf(true), acetate);
    EXPECT_EQ(fragmentOf(false), -1);
    Change([](ChemDocument& chemistry) { chemistry.SetGroupType(0, 2); });
    EXPECT_EQ(fragmentOf(true), sodium) << "a group of another type is no fragment";
    Change([](ChemDocument& chemistry) { chemistry.SetGroupType(0, 1); });

    host->Raise("IVelmoraGroup", "GroupType", -5, "Busy", false, 1);
    EXPECT_EQ(fragmentOf(true), sodium) << "the first object's error is skipped";
    host->Behave();
    host->Raise("IVelmoraGroup", "ID", -5, "Busy");
    EXPECT_EQ(fragmentOf(true), -1);
    host->Behave();

    // Elsewhere the host's errors reach the caller.
    host->Raise("IVelmoraAtom", "ID", -5, "Busy");
    Change([](ChemDocument& chemistry) { chemistry.SelectAll(); });
    IVelmoraSelection selection = Selection();
    EXPECT_THROW(IsPartialSelection(selection), COleDispatchException);
}

TEST_F(DrawingSelection, DataTypeChoosesTheDataObjectOrTheDataProperty)
{
    Open("esterification.rxn");
    Change([](ChemDocument& document) { document.SelectGroups({1}); });   // ethanol, a reactant

    host->ResetLookups();
    StructureData exchange = Read("chemical\\x-vlx");   // as configured
    EXPECT_TRUE(exchange.accepted);
    EXPECT_EQ(exchange.type, SelectionReactants);
    EXPECT_EQ(exchange.data, refhost::chem::EncodeExchange(refhost::chem::WriteSelection(*drawing->chemistry)))
        << "all bytes, zero bytes of the header included";
    EXPECT_EQ(host->LookupCount("GetData"), 1);
    EXPECT_EQ(host->LookupCount("Data"), 0);

    host->ResetLookups();
    StructureData forwardSlash = Read("chemical/x-vlx");
    EXPECT_TRUE(forwardSlash.accepted);
    EXPECT_EQ(forwardSlash.data, "") << "a type the host does not answer";
    EXPECT_EQ(host->LookupCount("GetData"), 0);
    EXPECT_EQ(host->LookupCount("Data"), 1);

    EXPECT_EQ(Read("chemical/x-mdl-molfile").data, refhost::chem::WriteSelection(*drawing->chemistry));

    // A host without the Data member answers the missing-argument value: that is no structure, not "Error".
    host->Lack("IVelmoraObjects", "Data");
    EXPECT_EQ(Read("chemical/x-mdl-molfile").data, "");
    // Neither is a document that is not there.
    host->MainWindow().activeDocument.reset();
    StructureData none = Read(vlxMimeType);
    EXPECT_TRUE(none.accepted);
    EXPECT_EQ(none.data, "");
}

TEST_F(DrawingSelection, SetStructureDataPastesEveryByte)
{
    Open("ethanol.mol");
    const std::string bytes = ExchangeBytes("esterification.rxn");
    ASSERT_NE(bytes.find('\0'), std::string::npos);
    SetStructureData(application, bytes);
    ASSERT_EQ(drawing->chemistry->ReactionSchemes().size(), 1u) << "the reaction was pasted";
    EXPECT_EQ(Read(vlxMimeType).data, bytes) << "and is the selection now";

    // Into a document the caller names and keeps.
    ChemDocument& active = *drawing->chemistry;
    auto other = refhost::DrawingDocument::Open(ReadFixture("ethanol.mol"));
    fw::ComPtr<IDispatch> target = other->CreateView(host);
    SetStructureData(application, ExchangeBytes("sodium_acetate_13c.mol"), target.Get());
    EXPECT_EQ(other->chemistry->Groups().size(), 3u);
    EXPECT_EQ(active.ReactionSchemes().size(), 1u);
    EXPECT_EQ(active.Groups().size(), 5u) << "the active document is unchanged";
    IDispatch* raw = target.Get();
    EXPECT_EQ(raw->AddRef(), 2u) << "the target's reference is the caller's";
    raw->Release();

    // Data the host cannot read: its error reaches the caller.
    EXPECT_THROW(SetStructureData(application, "not a structure"), COleDispatchException);
}

TEST(StructureData, OtherHostFamilies)
{
    const std::string bytes = ExchangeBytes("ethanol.mol");
    std::string data, message = kUntouched;
    int reactions = -1;
    VelmoraSelectionType type = SelectionExact;

    auto modeller = refhost::Host::Create("Korvane Ultra 19.0", 0x10050);
    auto model = std::make_shared<refhost::ModellerDocument>();
    model->data->byFormat[static_cast<long>(RegisterClipboardFormatA("Velmora"))] = fw::MakeVariant("3D structure");
    modeller->MainWindow().activeDocument = model;
    Application korvane(modeller->Application().Detach());
    EXPECT_TRUE(GetStructureData(korvane, vlxMimeType, data, reactions, message, type));
    EXPECT_EQ(data, "3D structure");
    EXPECT_EQ(reactions, 0);
    EXPECT_EQ(type, SelectionSubstructure);
    EXPECT_EQ(message, kUntouched);
    SetStructureData(korvane, bytes);
    EXPECT_EQ(model->data->byFormat.size(), 1u) << "only the drawing hosts take structures";

    auto database = refhost::Host::Create("Ravelle 19.0", 0x10060);
    auto records = std::make_shared<refhost::DatabaseDocument>();
    records->fields.resize(2);
    records->fields[0].type = 1;
    records->fields[0].value = fw::MakeVariant("Ethanol");
    records->fields[1].type = 3;
    records->fields[1].molecule = std::make_shared<refhost::DataStore>();
    records->fields[1].molecule->byFormat[static_cast<long>(RegisterClipboardFormatA("Velmora Interchange Format"))] =
        fw::MakeVariant("ethanol bytes");
    database->MainWindow().activeDocument = records;
    Application ravelle(database->Application().Detach());
    EXPECT_TRUE(GetStructureData(ravelle, "chemical/x-mdl-molfile", data, reactions, message, type));
    EXPECT_EQ(data, "ethanol bytes");
    records->fields[1].type = 2;   // no structure field left
    data = kUntouched;
    EXPECT_TRUE(GetStructureData(ravelle, vlxMimeType, data, reactions, message, type));
    EXPECT_EQ(data, "");
    records->fields[1].type = 3;
    records->fields[1].molecule.reset();   // a record without a molecule
    EXPECT_TRUE(GetStructureData(ravelle, vlxMimeType, data, reactions, message, type));
    EXPECT_EQ(data, "");

    auto stranger = refhost::Host::Create("Notepad", 0x10070);
    Application unknown(stranger->Application().Detach());
    try {
        GetStructureData(unknown, vlxMimeType, data, reactions, message, type);
        ADD_FAILURE() << "no error for an unknown host";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unknown application");
    }
    EXPECT_NO_THROW(SetStructureData(unknown, bytes));
}

TEST(StructureData, BinaryUnlessLowerCaseXml)
{
    const std::pair<const char*, bool> cases[] = {
        {"chemical\\x-vlx", true},       {"chemical/x-mdl-molfile", true}, {"chemical/x-cml+xml", false},
        {"text/XML", true},              {"xml", false},                   {"", true},
    };
    for (const auto& [type, binary] : cases) {
        SCOPED_TRACE(type);
        EXPECT_EQ(IsBinary(type), binary);
    }
}

} // namespace
