#include "item_testing.h"

#include "addin/RegistryKey.h"
#include "refhost/application.h"
#include "refhost/chem/Molfile.h"
#include "reg_import.h"
#include "test_paths.h"
#include "webservice/Cypher.h"

#include <cstdio>
#include <stdexcept>

namespace addin_testing {
namespace {

std::shared_ptr<refhost::DrawingDocument> SelectedDrawing(const std::string& windowsPath)
{
    auto chemistry = refhost::chem::ReadChemDocument(testing_support::ReadTextFile(windowsPath));
    if (!chemistry)
        throw std::runtime_error("cannot read " + windowsPath);
    chemistry->SelectAll();
    return refhost::DrawingDocument::Open(std::move(*chemistry));
}

} // namespace

standin::Answer Answer(std::string body, int status, std::string reason)
{
    standin::Answer answer;
    answer.body = std::move(body);
    answer.status = status;
    answer.reason = std::move(reason);
    return answer;
}

void WriteKey(const std::string& path, const Strings& strings, const Numbers& numbers)
{
    auto quoted = [](const std::string& text) {
        std::string escaped = "\"";
        for (char c : text)
            escaped += (c == '\\' || c == '"') ? std::string{'\\', c} : std::string{c};
        return escaped + '"';
    };
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + path + "]\n";
    for (const auto& [name, data] : strings)
        text += (name.empty() ? "@" : quoted(name)) + "=" + quoted(data) + "\n";
    for (const auto& [name, data] : numbers) {
        char number[16];
        std::snprintf(number, sizeof number, "%08lx", static_cast<unsigned long>(data));
        text += quoted(name) + "=dword:" + number + "\n";
    }
    regconfig::ImportRegText(text);
}

void WriteHeaderList(const std::string& itemPath, const std::string& list)
{
    basic_RegistryKey key(HKEY_CURRENT_USER, itemPath, KEY_ALL_ACCESS, true);
    ASSERT_EQ(key.SetValue("POSTHeaders", cypher.Encrypt(list)), ERROR_SUCCESS);
}

void ItemTest::SetUpTestSuite()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    s_service = std::make_unique<testing_support::StandInService>(
        std::string(), testing_support::StandInService::CatalogueOptions());
}

void ItemTest::TearDownTestSuite()
{
    s_service.reset();
    CoUninitialize();
}

ItemTest::ItemTest()
{
    s_service->Reset();
    m_mainWindow = CreateWindowExA(0, "STATIC", "Stand-in host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                   nullptr, nullptr, nullptr);
    m_host = refhost::Host::Create("Velmora 19.0", static_cast<long>(reinterpret_cast<LONG_PTR>(m_mainWindow)));
    m_application = m_host->Application();
}

ItemTest::~ItemTest()
{
    DestroyWindow(m_mainWindow);
}

std::shared_ptr<refhost::DrawingDocument> ItemTest::OpenDrawing(const std::string& structure, bool active)
{
    auto drawing = SelectedDrawing(testing_support::SourcePath("servers/structures/" + structure + ".mol"));
    if (active)
        m_host->MainWindow().activeDocument = drawing;
    return drawing;
}

std::shared_ptr<refhost::DrawingDocument> ItemTest::OpenFixture(const std::string& fixture)
{
    auto drawing = SelectedDrawing(testing_support::FixturePath(fixture));
    m_host->MainWindow().activeDocument = drawing;
    return drawing;
}

} // namespace addin_testing
