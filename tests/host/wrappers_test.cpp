// The host wrappers against the stand-in host of each family: menus, documents, missing members and
// objects, host errors.
#include "host/wrappers.h"
#include "refhost/application.h"
#include "refhost/database.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"

#include <gtest/gtest.h>

namespace {

using Captions = std::vector<std::string>;

struct OwnedVariant {
    VARIANT value;
    explicit OwnedVariant(VARIANT made) : value(made) {}
    ~OwnedVariant() { VariantClear(&value); }
};

class HostMenus : public ::testing::Test {
protected:
    std::shared_ptr<refhost::Host> host = refhost::Host::Create("Velmora 19.0", 0x10020);
    Application application{host->Application().Detach()};
    OwnedVariant before{VariantFrom("Window")};
    OwnedVariant zero{VariantFrom(0L)};
    OwnedVariant separatorHandler{VariantFrom()};

    ::MenuItems AddSearchMenu()
    {
        return application.MenuBars().Item(1).Menus().Add("Search", &before.value).MenuItems();
    }
    MenuItem AddItem(::MenuItems& items, const char* caption, const char* handler)
    {
        OwnedVariant handlerId(VariantFrom(handler));
        return items.Add(caption, &zero.value, &handlerId.value, &zero.value);
    }
};

TEST_F(HostMenus, AddsMenusBeforeWindowAndNumbersItems)
{
    ::MenuItems items = AddSearchMenu();
    EXPECT_EQ(host->MainWindow().MainMenuBar().Captions(), (Captions{"File", "Edit", "View", "Search", "Window", "Help"}));

    MenuItem first = AddItem(items, "Structure search...", "Ulnara19.Item");
    MenuItem separator = items.Add("-", &zero.value, &separatorHandler.value, &zero.value);
    MenuItem second = AddItem(items, "Fetch PDB", "Ulnara19.Item");
    EXPECT_EQ(first.CommandID(), 1001);
    EXPECT_EQ(second.CommandID(), 1002);
    EXPECT_EQ(first.Caption(), "Structure search...");
    EXPECT_TRUE(separator);
    EXPECT_EQ(first.Application().MainWindow(), 0x10020);
    EXPECT_EQ(first.Application().Name(), "Velmora 19.0");

    const auto& model = host->MainWindow().MainMenuBar().Find("Search")->items;
    ASSERT_EQ(model.size(), 3u);
    EXPECT_EQ(model[0]->handler, "Ulnara19.Item");
    EXPECT_EQ(model[0]->argumentCount, 4u);
    EXPECT_TRUE(model[1]->separator);

    second.SetEnabled(false);
    EXPECT_FALSE(model[2]->enabled);
    second.SetEnabled(true);
    EXPECT_TRUE(model[2]->enabled);

    application.MenuBars().Item(1).Menus().Remove("Search");
    EXPECT_EQ(host->MainWindow().MainMenuBar().Captions(), (Captions{"File", "Edit", "View", "Window", "Help"}));
}

TEST_F(HostMenus, ThreeArgumentHostGetsTheItemAgainWithThreeArguments)
{
    host->threeArgumentMenuItems = true;
    ::MenuItems items = AddSearchMenu();
    MenuItem item = AddItem(items, "Structure search", "Ulnara19.Item");
    ASSERT_TRUE(item);
    EXPECT_EQ(item.CommandID(), 1001);
    EXPECT_EQ(host->MainWindow().MainMenuBar().Find("Search")->items.at(0)->argumentCount, 3u);

    // The repeat is only for a fourth argument of 0.
    OwnedVariant one(VariantFrom(1L));
    OwnedVariant handler(VariantFrom("Ulnara19.Item"));
    EXPECT_FALSE(items.Add("Other", &zero.value, &handler.value, &one.value));
    EXPECT_EQ(host->MainWindow().MainMenuBar().Find("Search")->items.size(), 1u);
}

TEST_F(HostMenus, FailedAddGivesNoItemButHostErrorsPass)
{
    ::MenuItems items = AddSearchMenu();
    host->Fail("MenuItems", "Add", E_FAIL);
    EXPECT_FALSE(AddItem(items, "Refused", "Ulnara19.Item"));
    host->Behave();

    for (bool inWCode : {false, true}) {
        SCOPED_TRACE(inWCode ? "wCode" : "scode");
        host->Behave();
        host->Raise("MenuItems", "Add", -102, "Empty structure", inWCode);
        try {
            AddItem(items, "Raised", "Ulnara19.Item");
            ADD_FAILURE() << "the host's error was swallowed";
        } catch (const COleDispatchException& error) {
            EXPECT_EQ(error.ErrorCode(), -102);
            EXPECT_EQ(error.m_strDescription, "Empty structure");
        }
    }
    EXPECT_TRUE(host->MainWindow().MainMenuBar().Find("Search")->items.empty());
}

TEST_F(HostMenus, MissingMembersReadAsEmptyValues)
{
    host->Lack("", "MenuBars");
    host->Lack("Application", "Name");
    host->Lack("MenuItem", "CommandID");
    EXPECT_FALSE(application.MenuBars());
    EXPECT_EQ(application.Name(), "");
    host->Behave();
    ::MenuItems items = AddSearchMenu();
    host->Lack("MenuItem", "CommandID");
    host->Lack("MenuItem", "Enabled");
    MenuItem item = AddItem(items, "Item", "Ulnara19.Item");
    EXPECT_EQ(item.CommandID(), 0);
    item.SetEnabled(false);
    EXPECT_TRUE(host->MainWindow().MainMenuBar().Find("Search")->items.at(0)->enabled);
    host->Lack("MenuItems", "Add");
    EXPECT_FALSE(AddItem(items, "Not added", "Ulnara19.Item"));
}

// A drawing with two fragments (atoms 1-2 and 3), bonds 10 (1-2) and 11 (2-3), atoms 1 and 2 and bond 10
// selected, and one reaction of fragment 1 to fragment 2.
std::shared_ptr<refhost::DrawingDocument> SampleDrawing()
{
    auto document = std::make_shared<refhost::DrawingDocument>();
    document->fragments = {{1, 1}, {2, 0}};
    document->atoms = {{1, 1}, {2, 1}, {3, 2}};
    document->bonds = {{10, 1, 2}, {11, 2, 3}};
    refhost::ReactionStepModel step;
    step.reactants = {{{1}}};
    step.products = {{{2}}};
    document->reactionSchemes.push_back({{step}});
    auto& selection = document->selection;
    selection.atoms = {1, 2};
    selection.bonds = {10};
    selection.objects = {{1}, {0}};
    selection.reactionSchemes = {0};
    selection.molecularWeight = 28.05;
    selection.dataByType["chemical/x-mdl-molfile"] = fw::MakeVariant("molfile text");
    return document;
}

TEST(DrawingHost, NavigatesTheDocument)
{
    auto host = refhost::Host::Create("Velmora 19.0", 1);
    auto drawing = SampleDrawing();
    host->MainWindow().activeDocument = drawing;
    Application application(host->Application().Detach());

    IVelmoraDocument document = application.ActiveDocument<IVelmoraDocument>();
    IVelmoraSelection selection = document.Selection();
    IVelmoraAtoms atoms = selection.Atoms();
    ASSERT_EQ(atoms.Count(), 2);
    IVelmoraAtom second = atoms.Item(2);
    EXPECT_EQ(second.ID(), 2);
    EXPECT_EQ(second.Bonds().Count(), 2) << "the atom's own bonds, selected or not";
    EXPECT_EQ(second.Fragment().ID(), 1);
    EXPECT_EQ(second.Fragment().GroupType(), 1);
    IVelmoraBond bond = selection.Bonds().Item(1);
    EXPECT_EQ(bond.ID(), 10);
    EXPECT_EQ(bond.Atom2().ID(), 2);
    EXPECT_THROW(atoms.Item(3), COleDispatchException) << "the host's own error for a bad index";

    IVelmoraObjects objects = selection.Objects();
    EXPECT_DOUBLE_EQ(objects.MolecularWeight(), 28.05);
    EXPECT_EQ(objects.Count(), 2);
    EXPECT_FALSE(objects.Item(2).Fragment()) << "an object in no group";
    fw::unique_variant missing = fw::MissingArgument();
    EXPECT_EQ(VariantToString(*objects.Data(*fw::MakeVariant("chemical/x-mdl-molfile"), *missing, *missing, *missing)),
              "molfile text");
    EXPECT_EQ(objects.Data(*fw::MakeVariant("chemical/x-other"), *missing, *missing, *missing).type(), VT_EMPTY);

    IVelmoraReactionSchemes schemes = document.ReactionSchemes();
    ASSERT_EQ(schemes.Count(), 1);
    EXPECT_EQ(selection.ReactionSchemes().Count(), 1);
    IVelmoraReactionStep step = schemes.Item(1).ReactionSteps().Item(1);
    EXPECT_EQ(step.Reactants().Item(1).Item(1).Fragment().ID(), 1);
    EXPECT_EQ(step.Products().Item(1).Item(1).Fragment().GroupType(), 0);

    // Structure data by clipboard format, zero bytes and all.
    CDataObject data = selection.DataObject();
    const unsigned char bytes[] = {'V', 0, 'L', 'X'};
    OwnedVariant array(VariantFrom(bytes, sizeof bytes));
    OwnedVariant format(VariantFrom(49321L));
    data.SetData(array.value, format.value);
    EXPECT_EQ(VariantToString(*data.GetData(49321)), std::string("V\0LX", 4));
    EXPECT_EQ(data.GetData(1).type(), VT_EMPTY);
    EXPECT_EQ(VariantToString(*drawing->selection.data->byFormat.at(49321)), std::string("V\0LX", 4));
}

TEST(DrawingHost, MissingDocumentAndMembersReadAsEmptyValues)
{
    auto host = refhost::Host::Create("Velmora 19.0", 1);
    Application application(host->Application().Detach());
    IVelmoraDocument none = application.ActiveDocument<IVelmoraDocument>();
    EXPECT_FALSE(none);
    EXPECT_EQ(none.Selection().Objects().MolecularWeight(), 0.0);
    EXPECT_EQ(none.Selection().Atoms().Count(), 0);
    EXPECT_EQ(none.Selection().DataObject().GetData(1).type(), VT_EMPTY);

    host->MainWindow().activeDocument = SampleDrawing();
    host->Lack("IVelmoraObjects", "Data");
    host->Lack("IVelmoraAtoms", "Count");
    IVelmoraSelection selection = application.ActiveDocument<IVelmoraDocument>().Selection();
    fw::unique_variant missing = fw::MissingArgument();
    fw::unique_variant data = selection.Objects().Data(*fw::MakeVariant("chemical/x-mdl-molfile"), *missing, *missing, *missing);
    EXPECT_TRUE(fw::IsMissingArgument(*data)) << "Data reads as the missing-argument value";
    EXPECT_EQ(selection.Atoms().Count(), 0);
    EXPECT_EQ(none.Selection().Objects().Data(*missing, *missing, *missing, *missing).type(), VT_ERROR);
}

TEST(ModellerHost, OpensDocumentsAndCountsAtoms)
{
    auto host = refhost::Host::Create("Korvane Ultra 19.0", 2);
    Application application(host->Application().Detach());
    IKorvaneDocument opened = application.Documents().OpenDocument("C:\\data\\1abc.pdb");
    ASSERT_TRUE(opened);
    ASSERT_EQ(host->documents.size(), 1u);
    auto model = std::static_pointer_cast<refhost::ModellerDocument>(host->documents[0]);
    EXPECT_EQ(model->path, "C:\\data\\1abc.pdb");
    model->atomCount = 42;
    model->data->byFormat[7] = fw::MakeVariant("pdb");
    IKorvaneDocument active = application.ActiveDocument<IKorvaneDocument>();
    EXPECT_EQ(active.Atoms().Count(), 42);
    EXPECT_EQ(VariantToString(*active.DataObject().GetData(7)), "pdb");
}

TEST(DatabaseHost, FindsTheStructureFieldsMolecule)
{
    auto host = refhost::Host::Create("Ravelle 19.0", 3);
    auto database = std::make_shared<refhost::DatabaseDocument>();
    database->fields.resize(2);
    database->fields[0].type = 1;
    database->fields[0].value = fw::MakeVariant("Aspirin");
    database->fields[1].type = 3;
    database->fields[1].molecule = std::make_shared<refhost::DataStore>();
    database->fields[1].molecule->byFormat[49321] = fw::MakeVariant("molecule bytes");
    host->MainWindow().activeDocument = database;
    Application application(host->Application().Detach());

    IRavelleDocument document = application.ActiveDocument<IRavelleDocument>();
    IRavelleFields fields = document.Fields();
    ASSERT_EQ(fields.Count(), 2);
    EXPECT_EQ(fields.Item(1).Type(), 1);
    EXPECT_EQ(fields.Item(2).Type(), 3);
    IRavelleRecordset records = document.Recordset();
    EXPECT_EQ(VariantToString(*records.Value(1)), "Aspirin");
    fw::unique_variant value = records.Value(2);
    ASSERT_EQ(value.type(), VT_DISPATCH);
    V_DISPATCH(value.get())->AddRef();
    IRavelleMolecule molecule(V_DISPATCH(value.get()));
    EXPECT_EQ(VariantToString(*molecule.DataObject().GetData(49321)), "molecule bytes");
}

} // namespace
