#include "host_app.h"

#include "main_window.h"

#include <cstdio>

namespace drawing_host {

HostApp::HostApp(Options options) : m_options(std::move(options)), m_host(std::make_shared<refhost::Host>())
{
    m_host->name = m_options.name;
}

// The add-in lets go of the host's objects in Cleanup; its own objects go before the host model.
HostApp::~HostApp() = default;

bool HostApp::Start()
{
    if (!MainWindow::RegisterClass()) {
        Fail("cannot register the window class");
        return false;
    }
    if (!m_options.addin.empty()) {
        try {
            m_addin.emplace(m_options.addin);
            Report("loaded the add-in \"" + m_options.addin + "\" by its ProgID");
        } catch (const COleException& error) {
            Fail("the add-in \"" + m_options.addin + "\" could not be created: " + refhost::DescribeResult(error.m_sc)
                 + "; is it registered?");
        }
    }
    return NewWindow() != nullptr;
}

MainWindow* HostApp::NewWindow()
{
    const int number = static_cast<int>(m_windows.size()) + 1;
    m_windows.push_back(std::make_unique<MainWindow>(*this, m_host->AddWindow(0), number));
    MainWindow& window = *m_windows.back();
    const int offset = 30 * ((number - 1) % 8);
    if (!window.Create(offset, offset)) {
        Fail("cannot create " + window.Name());
        return nullptr;
    }
    m_current = &window;
    SetupMenus(window);
    return &window;
}

std::vector<MainWindow*> HostApp::OpenWindows() const
{
    std::vector<MainWindow*> open;
    for (const auto& window : m_windows)
        if (window->IsOpen())
            open.push_back(window.get());
    return open;
}

void HostApp::CloseAll()
{
    for (MainWindow* window : OpenWindows())
        window->Close();
}

void HostApp::Destroyed(MainWindow& window)
{
    const auto open = OpenWindows();
    if (m_current == &window)
        m_current = open.empty() ? nullptr : open.back();
    if (open.empty())
        PostQuitMessage(0);
}

void HostApp::SetupMenus(MainWindow& window)
{
    CallExtension(window, "Setup", &refhost::AddinClient::Setup);
}

void HostApp::CleanupMenus(MainWindow& window)
{
    CallExtension(window, "Cleanup", &refhost::AddinClient::Cleanup);
}

// Setup and Cleanup change the window's menu model; the menu bar shows it afterwards.
void HostApp::CallExtension(MainWindow& window, const std::string& member, bool (refhost::AddinClient::*call)(IDispatch*))
{
    if (!m_addin)
        return;
    fw::ComPtr<IDispatch> application = m_host->Application(window.Model());
    try {
        const bool done = ((*m_addin).*call)(application.Get());
        Report(window.Name() + ": " + member + " returned " + (done ? "TRUE" : "FALSE"));
    } catch (const std::exception& failure) {
        Fail(window.Name() + ": " + member + " failed: " + refhost::DescribeFailure(failure), window.Handle());
    }
    window.RebuildMenuBar();
}

void HostApp::UpdateItem(MainWindow& window, const std::shared_ptr<refhost::MenuItemModel>& item)
{
    if (!m_addin)
        return;
    fw::ComPtr<IDispatch> menuItem = refhost::MakeMenuItem(m_host, window.Model(), item);
    try {
        m_addin->Update(item->handler, menuItem.Get());
    } catch (const std::exception& failure) {
        Fail(window.Name() + ": Update of \"" + item->caption + "\" failed: " + refhost::DescribeFailure(failure));
    }
}

void HostApp::ExecuteItem(MainWindow& window, const std::shared_ptr<refhost::MenuItemModel>& item)
{
    if (!m_addin)
        return;
    fw::ComPtr<IDispatch> menuItem = refhost::MakeMenuItem(m_host, window.Model(), item);
    try {
        const bool done = m_addin->Execute(item->handler, menuItem.Get());
        Report(window.Name() + ": Execute of \"" + item->caption + "\" returned " + (done ? "TRUE" : "FALSE"));
    } catch (const std::exception& failure) {
        Fail(window.Name() + ": Execute of \"" + item->caption + "\" failed: " + refhost::DescribeFailure(failure),
             window.Handle());
    }
}

void HostApp::ExecuteDirect(MainWindow& window, const std::string& itemPath, const std::string& inputText)
{
    if (!m_addin)
        return;
    fw::ComPtr<IDispatch> application = m_host->Application(window.Model());
    fw::ComPtr<IDispatch> target;
    if (window.Model()->activeDocument)
        target = window.Model()->activeDocument->CreateView(m_host);
    const std::string call = window.Name() + ": ExecuteDirect of \"" + itemPath + "\" with \"" + inputText + "\"";
    try {
        const short result = m_addin->ExecuteDirect(kItemProgId, application.Get(), target.Get(), itemPath, inputText);
        Report(call + " returned " + std::to_string(result));
    } catch (const std::exception& failure) {
        Fail(call + " failed: " + refhost::DescribeFailure(failure), window.Handle());
    }
}

void HostApp::Report(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void HostApp::Fail(const std::string& line, HWND owner)
{
    ++m_failures;
    Report("error: " + line);
    if (!m_options.unattended && owner != nullptr)
        MessageBoxA(owner, line.c_str(), "Stand-in Drawing Host", MB_OK | MB_ICONERROR);
}

} // namespace drawing_host
