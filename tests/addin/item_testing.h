// What the item tests share: the stand-in structure service answering from its catalogue (one per test
// program), the registry sandbox, and a stand-in drawing host whose main window is a real window (it owns the
// add-in's dialogs), with drawings of the catalogue's structures or of fixtures.
#pragma once

#include "protocol.h"
#include "refhost/drawing.h"
#include "registry_sandbox.h"
#include "stand_in_service.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace addin_testing {

standin::Answer Answer(std::string body, int status = 200, std::string reason = "OK");

using Strings = std::vector<std::pair<std::string, std::string>>;
using Numbers = std::vector<std::pair<std::string, DWORD>>;

// Writes a key below the user hive as an administrator's .reg file would; the value name "" is the default.
void WriteKey(const std::string& path, const Strings& strings, const Numbers& numbers = {});
// The item's header list, stored as the add-in reads it: enciphered.
void WriteHeaderList(const std::string& itemPath, const std::string& list);

class ItemTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    ItemTest();
    ~ItemTest() override;

    static testing_support::StandInService& Service() { return *s_service; }
    std::vector<standin::RecordedRequest> Requests() { return Service().Requests(); }

    // A drawing, all selected, of a structure of the service's catalogue (servers/structures) or of a file of
    // tests/fixtures; the host's active document unless said otherwise.
    std::shared_ptr<refhost::DrawingDocument> OpenDrawing(const std::string& structure, bool active = true);
    std::shared_ptr<refhost::DrawingDocument> OpenFixture(const std::string& fixture);

    regconfig::RegistrySandbox m_sandbox;
    HWND m_mainWindow = nullptr;
    std::shared_ptr<refhost::Host> m_host;
    fw::ComPtr<IDispatch> m_application;

private:
    static inline std::unique_ptr<testing_support::StandInService> s_service;
};

} // namespace addin_testing
