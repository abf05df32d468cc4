// The host wrappers against the stand-in drawing host: menus, documents, missing members and objects, host
// errors. The add-in's own tests drive the same wrappers through the DLL for every host family.
#include "host/wrappers.h"
#include "refhost/application.h"
#include "refhost/drawing.h"

#include <gtest/gtest.h>

namespace {

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
// selected, and one selected object in no group.
std::shared_ptr<refhost::DrawingDocument> SampleDrawing()
{
    auto document = std::make_shared<refhost::DrawingDocument>();
    document->fragments = {{1, 1}, {2, 0}};
    document->atoms = {{1, 1}, {2, 1}, {3, 2}};
    document->bonds = {{10, 1, 2}, {11, 2, 3}};
    document->selection.atoms = {1, 2};
    document->selection.bonds = {10};
    document->selection.objects = {{1}, {0}};
    return document;
}

// What the selection checks elsewhere do not reach: the host's own errors, objects in no group, and structure
// data by clipboard format, zero bytes and all.
TEST(DrawingHost, NavigatesTheDocument)
{
    auto host = refhost::Host::Create("Velmora 19.0", 1);
    auto drawing = SampleDrawing();
    host->MainWindow().activeDocument = drawing;
    Application application(host->Application().Detach());

    IVelmoraSelection selection = application.ActiveDocument<IVelmoraDocument>().Selection();
    IVelmoraAtoms atoms = selection.Atoms();
    ASSERT_EQ(atoms.Count(), 2);
    EXPECT_EQ(atoms.Item(2).Bonds().Count(), 2) << "the atom's own bonds, selected or not";
    EXPECT_THROW(atoms.Item(3), COleDispatchException) << "the host's own error for a bad index";
    EXPECT_EQ(selection.Objects().Count(), 2);
    EXPECT_FALSE(selection.Objects().Item(2).Fragment()) << "an object in no group";

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

} // namespace
