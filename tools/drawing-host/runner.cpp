#include "runner.h"

#include "main_window.h"
#include "picture.h"
#include "refhost/chem/Molfile.h"

#include <stdexcept>

namespace drawing_host {
namespace {

constexpr UINT kTickMilliseconds = 25;
// How long a window picture waits after the repaint, so the display holds what was drawn.
constexpr std::uint64_t kSettleMilliseconds = 300;

ScriptRunner* g_runner = nullptr;   // the timer procedure's way back; one runner per process

// A step that cannot be carried out; reported as a failure and the script goes on.
struct StepFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A window's text on one line of the report: line breaks become " / ".
std::string WindowText(HWND window)
{
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    std::string text;
    for (const char* at = buffer; *at != '\0'; ++at) {
        if (*at == '\r' || *at == '\n') {
            if (at[1] == '\n' && *at == '\r')
                ++at;
            text += " / ";
        } else {
            text += *at;
        }
    }
    return text;
}

bool IsDialog(HWND window)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string_view(name) == "#32770" && IsWindowVisible(window);
}

// This thread's visible dialogs, the top one first.
std::vector<HWND> OpenDialogs()
{
    std::vector<HWND> dialogs;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            if (IsDialog(window))
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// What a dialog says: the texts of its static controls (a message box's message among them) and group boxes,
// and its options with their state: "(o) Exact structure" chosen, "( ) Substructure" not.
std::string DialogTexts(HWND dialog)
{
    std::string texts;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM found) -> BOOL {
            char name[16] = {};
            GetClassNameA(child, name, sizeof name);
            std::string text = WindowText(child);
            if (text.empty() || !IsWindowVisible(child))
                return TRUE;
            if (_stricmp(name, "Button") == 0) {
                const LONG kind = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
                if (kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON)
                    text = (SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? "(o) " : "( ) ") + text;
                else if (kind != BS_GROUPBOX)
                    return TRUE;
            } else if (_stricmp(name, "Static") != 0) {
                return TRUE;
            }
            auto& all = *reinterpret_cast<std::string*>(found);
            all += (all.empty() ? "" : " | ") + text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::string Path(const Step& step)
{
    std::string path;
    for (const std::string& caption : step.path)
        path += (path.empty() ? "" : " > ") + caption;
    return path;
}

} // namespace

ScriptRunner::ScriptRunner(HostApp& app, std::vector<Step> steps, std::uint64_t waitMilliseconds)
    : m_app(app), m_steps(std::move(steps)), m_wait(waitMilliseconds)
{
}

ScriptRunner::~ScriptRunner()
{
    if (m_timer != 0)
        KillTimer(nullptr, m_timer);
    g_runner = nullptr;
}

void ScriptRunner::Start()
{
    g_runner = this;
    m_timer = SetTimer(nullptr, 0, kTickMilliseconds, &ScriptRunner::OnTimer);
    if (m_timer == 0)
        throw std::runtime_error("cannot start the script's timer");
}

void CALLBACK ScriptRunner::OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept
{
    if (g_runner == nullptr)
        return;
    try {
        g_runner->Tick();
    } catch (const std::exception& failure) {
        g_runner->m_app.Fail(failure.what());
    }
}

void ScriptRunner::Tick()
{
    if (m_finished)
        return;
    if (m_next >= m_steps.size()) {
        if (m_pending == 0)
            Finish();
        else
            Waiting();
        return;
    }
    const Step& step = m_steps[m_next];
    if (m_pending > 0 && !step.RunsWhilePending()) {
        Waiting();
        return;
    }
    // Moved on before the step runs: a modal loop inside it runs the steps after it.
    const std::size_t index = m_next++;
    if (index != m_announced) {
        m_announced = index;
        m_stepStart = GetTickCount64();
        m_app.Report("> " + step.line);
    }
    Outcome outcome = Outcome::Done;
    ++m_pending;
    try {
        outcome = Run(step);
    } catch (const std::exception& failure) {
        m_app.Fail(failure.what());
    }
    --m_pending;
    m_waitStart = 0;
    if (outcome == Outcome::NotYet) {
        if (GetTickCount64() - m_stepStart < m_wait)
            m_next = index;   // nothing ran in between: a step that is not ready returns without a modal loop
        else
            m_app.Fail("gave up waiting after " + std::to_string(m_wait / 1000) + " s");
    }
}

// The next step waits for a pending one. If what keeps that step is a menu or dialog the script does not
// answer, it is reported and closed once the wait is over.
void ScriptRunner::Waiting()
{
    const std::uint64_t now = GetTickCount64();
    if (m_waitStart == 0)
        m_waitStart = now;
    if (now - m_waitStart < m_wait)
        return;
    m_waitStart = 0;
    const std::vector<HWND> dialogs = OpenDialogs();
    if (!dialogs.empty()) {
        HWND dialog = dialogs.front();
        m_app.Fail("the dialog \"" + WindowText(dialog) + "\" (" + DialogTexts(dialog)
                   + ") waited for an answer the script does not give; closing it");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (m_menusOpen > 0) {
        m_app.Fail("a menu stayed open; closing it");
        EndMenu();
    }
}

void ScriptRunner::Finish()
{
    m_finished = true;
    KillTimer(nullptr, m_timer);
    m_timer = 0;
    if (m_app.OpenWindows().empty())
        PostQuitMessage(0);
    else
        m_app.CloseAll();
}

MainWindow& ScriptRunner::Window() const
{
    MainWindow* window = m_app.Current();
    if (window == nullptr)
        throw StepFailure("no window is open");
    return *window;
}

ScriptRunner::Outcome ScriptRunner::Run(const Step& step)
{
    switch (step.action) {
    case Action::Open: Window().Open(step.text); break;
    case Action::Select: {
        MainWindow& window = Window();
        if (window.Document() == nullptr)
            throw StepFailure("no document is open");
        std::string error;
        if (step.selecting == Selecting::All)
            window.SelectAll();
        else if (step.selecting == Selecting::None)
            window.SelectNone();
        else if (!window.SelectObjects(step.atoms, step.bonds, &error))
            throw StepFailure(error);
        break;
    }
    case Action::Click: {
        MainWindow& window = Window();
        const bool bond = !step.bonds.empty();
        const long id = bond ? step.bonds.front() : step.atoms.front();
        auto pixel = window.PixelOf(bond, id);
        if (!pixel)
            throw StepFailure(std::string("the document has no ") + (bond ? "bond" : "atom") + " with ID " + std::to_string(id));
        const WPARAM keys = (step.control ? MK_CONTROL : 0) | (step.shift ? MK_SHIFT : 0);
        SendMessageA(window.Handle(), WM_LBUTTONDOWN, keys | MK_LBUTTON, MAKELPARAM(pixel->x, pixel->y));
        SendMessageA(window.Handle(), WM_LBUTTONUP, keys, MAKELPARAM(pixel->x, pixel->y));
        break;
    }
    case Action::OpenMenu: return OpenMenu(step);
    case Action::CloseMenu:
        if (m_menusOpen == 0)
            throw StepFailure("no menu is open");
        EndMenu();
        break;
    case Action::Choose: return Choose(step);
    case Action::Dialog: return FindDialog(step);
    case Action::Type: SetWindowTextA(Control(step.number), step.text.c_str()); break;
    case Action::Press: {
        HWND button = Control(step.number);
        if (!IsWindowEnabled(button))
            throw StepFailure("the button " + std::to_string(step.number) + " is disabled");
        SendMessageA(button, BM_CLICK, 0, 0);
        break;
    }
    case Action::Read:
        m_app.Report("dialog \"" + WindowText(m_dialog) + "\", control " + std::to_string(step.number) + ": \""
                     + WindowText(Control(step.number)) + "\"");
        break;
    case Action::Wait: {
        const std::string text = WindowText(Control(step.number));
        if (!text.starts_with(step.text))
            return Outcome::NotYet;
        m_app.Report("dialog \"" + WindowText(m_dialog) + "\", control " + std::to_string(step.number) + ": \"" + text
                     + "\"");
        break;
    }
    case Action::Screenshot: return Screenshot(step);
    case Action::ExecuteDirect: Window().ExecuteDirect(step.path.front(), step.text); break;
    case Action::Print: return Print(step);
    case Action::Expect: return Expect(step);
    case Action::Quit:
        m_next = m_steps.size();
        Finish();
        break;
    }
    return Outcome::Done;
}

// Opens the menu for real, under its place in the menu bar; the steps after it run while it is open.
ScriptRunner::Outcome ScriptRunner::OpenMenu(const Step& step)
{
    MainWindow& window = Window();
    HWND hwnd = window.Handle();
    int position = 0;
    HMENU popup = window.Popup(step.path.front(), &position);
    if (popup == nullptr)
        throw StepFailure("the menu bar has no menu \"" + step.path.front() + "\"");
    HMENU bar = GetMenu(hwnd);
    RECT place{};
    if (!GetMenuItemRect(hwnd, bar, static_cast<UINT>(position), &place))
        GetWindowRect(hwnd, &place);
    SetForegroundWindow(hwnd);
    HiliteMenuItem(hwnd, bar, static_cast<UINT>(position), MF_BYPOSITION | MF_HILITE);
    ++m_menusOpen;
    const BOOL shown = TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, place.left,
                                        place.bottom, hwnd, nullptr);
    --m_menusOpen;
    if (IsWindow(hwnd)) {
        HiliteMenuItem(hwnd, bar, static_cast<UINT>(position), MF_BYPOSITION | MF_UNHILITE);
        // Wine's HiliteMenuItem ignores MF_UNHILITE; a new bar starts without the highlight.
        window.RebuildMenuBar();
    }
    if (!shown)
        throw StepFailure("the menu \"" + step.path.front() + "\" could not be shown");
    return Outcome::Done;
}

ScriptRunner::Outcome ScriptRunner::Choose(const Step& step)
{
    MainWindow& window = Window();
    std::string error;
    auto item = window.OpenAndFind(step.path[0], step.path[1], &error);
    if (!item)
        throw StepFailure(error);
    if (!item->enabled)
        throw StepFailure("\"" + Path(step) + "\" is disabled");
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(item->command, 0), 0);
    return Outcome::Done;
}

ScriptRunner::Outcome ScriptRunner::Expect(const Step& step)
{
    MainWindow& window = Window();
    std::string error;
    switch (step.expecting) {
    case Expecting::Enabled:
    case Expecting::Disabled: {
        auto item = window.OpenAndFind(step.path[0], step.path[1], &error);
        if (!item)
            throw StepFailure(error);
        const bool wanted = step.expecting == Expecting::Enabled;
        if (item->enabled != wanted)
            throw StepFailure("expected \"" + Path(step) + "\" to be " + (wanted ? "enabled" : "disabled"));
        break;
    }
    case Expecting::Atoms:
    case Expecting::Selected: {
        if (window.Document() == nullptr)
            throw StepFailure("no document is open");
        const auto& document = *window.Document()->chemistry;
        const std::size_t count = step.expecting == Expecting::Atoms ? document.Atoms().size()
                                                                     : document.GetSelection().atoms.size();
        if (count != static_cast<std::size_t>(step.number))
            throw StepFailure("expected " + std::to_string(step.number)
                              + (step.expecting == Expecting::Atoms ? " atoms" : " selected atoms") + ", found "
                              + std::to_string(count));
        break;
    }
    }
    m_app.Report("as expected");
    return Outcome::Done;
}

ScriptRunner::Outcome ScriptRunner::Screenshot(const Step& step)
{
    std::string error;
    bool saved = false;
    switch (step.picture) {
    case Picture::Client: saved = CaptureClient(Window().Handle(), step.text, &error); break;
    case Picture::Window:
    case Picture::Dialog: {
        HWND target = step.picture == Picture::Window ? Window().Handle() : m_dialog;
        if (step.picture == Picture::Dialog && !IsWindow(target))
            throw StepFailure("no dialog is open (a dialog step names it first)");
        // First everything is repainted; the picture is taken a moment later.
        if (m_settled == 0) {
            for (HWND window : OpenDialogs())
                RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            RedrawWindow(Window().Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
            m_settled = GetTickCount64() + kSettleMilliseconds;
            return Outcome::NotYet;
        }
        if (GetTickCount64() < m_settled)
            return Outcome::NotYet;
        m_settled = 0;
        saved = CaptureWindow(target, step.text, &error);
        break;
    }
    }
    if (!saved)
        throw StepFailure("screenshot: " + error);
    m_app.Report("saved " + step.text);
    return Outcome::Done;
}

ScriptRunner::Outcome ScriptRunner::Print(const Step& step)
{
    MainWindow& window = Window();
    if (window.Document() == nullptr)
        throw StepFailure("no document is open");
    const auto& document = *window.Document()->chemistry;
    std::string text;
    try {
        text = step.selection ? refhost::chem::WriteSelection(document) : refhost::chem::WriteChemDocument(document);
    } catch (const std::length_error& failure) {
        throw StepFailure(std::string("cannot write the document: ") + failure.what());
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    const char* what = step.selection ? "selection" : "document";
    m_app.Report(std::string("--- ") + what + "\n" + text + "--- end of " + what);
    return Outcome::Done;
}

ScriptRunner::Outcome ScriptRunner::FindDialog(const Step& step)
{
    for (HWND dialog : OpenDialogs())
        if (WindowText(dialog) == step.text) {
            m_dialog = dialog;
            m_app.Report("dialog \"" + step.text + "\": " + DialogTexts(dialog));
            return Outcome::Done;
        }
    return Outcome::NotYet;
}

HWND ScriptRunner::Control(long id)
{
    if (!IsWindow(m_dialog))
        throw StepFailure("no dialog is open (a dialog step names it first)");
    HWND control = GetDlgItem(m_dialog, static_cast<int>(id));
    if (control == nullptr)
        throw StepFailure("the dialog \"" + WindowText(m_dialog) + "\" has no control " + std::to_string(id));
    return control;
}

} // namespace drawing_host
