// The add-in as a host meets it: created through COM by its ProgID after real registration (regsvr32 in the
// test prefix, a ctest fixture), with its configuration in the registry sandbox.
#include "addin_library.h"

#include "addin/Extension.h"
#include "addin/Item.h"
#include "framework/dispatch_driver.h"
#include "refhost/application.h"
#include "refhost/drawing.h"
#include "reg_import.h"
#include "registry_sandbox.h"
#include "test_paths.h"

#include <gtest/gtest.h>

namespace {

TEST(ComActivation, HostCreatesBothClassesByProgID)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        CLSID classId{};
        ASSERT_EQ(CLSIDFromProgID(L"Ulnara19.Extension", &classId), S_OK) << "is the DLL registered in the prefix?";
        EXPECT_EQ(classId, CLSID_Extension);
        ASSERT_EQ(CLSIDFromProgID(L"Ulnara19.Item", &classId), S_OK);
        EXPECT_EQ(classId, CLSID_Item);

        regconfig::RegistrySandbox sandbox;
        testing_support::ImportRegFixture("menus.reg");
        COleDispatchDriver extension;
        COleDispatchDriver item;
        ASSERT_TRUE(extension.CreateDispatch("Ulnara19.Extension"));
        ASSERT_TRUE(item.CreateDispatch("Ulnara19.Item"));

        auto host = refhost::Host::Create("Velmora 19.0", 0x50060);
        fw::ComPtr<IDispatch> application = host->Application();
        auto setup = addin_testing::CallMember(extension.m_lpDispatch, L"Setup", application.Get());
        EXPECT_EQ(setup.status, S_OK);
        EXPECT_TRUE(setup.value);
        auto search = host->MainWindow().MainMenuBar().Find("Tenth");
        ASSERT_TRUE(search);
        auto structure = search->items.at(0);
        host->MainWindow().activeDocument = std::make_shared<refhost::DrawingDocument>();
        auto update = addin_testing::CallMember(
            item.m_lpDispatch, L"Update", refhost::MakeMenuItem(host, host->windows.front(), structure).Get());
        EXPECT_EQ(update.status, S_OK);
        EXPECT_FALSE(structure->enabled);   // a document with nothing selected
        EXPECT_TRUE(addin_testing::CallMember(extension.m_lpDispatch, L"Cleanup", application.Get()).value);
        EXPECT_FALSE(host->MainWindow().MainMenuBar().Find("Tenth"));
    }
    CoUninitialize();
}

} // namespace
