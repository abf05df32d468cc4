// Runs a script of steps in the drawing host, unattended. Steps run from a thread timer, so they also run
// inside the modal loops a pending step has entered (a menu being tracked, a dialog, a message box): the steps
// that act on what is open run there, the others wait until the pending steps have returned. A modal window
// that no step answers within the wait is reported, closed and counted as a failure, so a run does not hang on
// it. After the last step every window is closed (the add-in's Cleanup runs) and the host ends.
#pragma once

#include "host_app.h"
#include "script.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace drawing_host {

class ScriptRunner {
public:
    ScriptRunner(HostApp& app, std::vector<Step> steps, std::uint64_t waitMilliseconds);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    void Start();
    // Steps that never ran (the host ended before them).
    std::size_t StepsLeft() const { return m_steps.size() - m_next; }

private:
    enum class Outcome { Done, NotYet };

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept;
    void Tick();
    void Waiting();
    void Finish();
    Outcome Run(const Step& step);
    Outcome OpenMenu(const Step& step);
    Outcome Choose(const Step& step);
    Outcome Expect(const Step& step);
    Outcome Screenshot(const Step& step);
    Outcome Print(const Step& step);
    Outcome FindDialog(const Step& step);
    HWND Control(long id);
    class MainWindow& Window() const;

    HostApp& m_app;
    const std::vector<Step> m_steps;
    const std::uint64_t m_wait;
    std::size_t m_next = 0;
    std::size_t m_announced = SIZE_MAX;   // the step whose line was printed last
    int m_pending = 0;                    // steps on the stack that have not returned
    int m_menusOpen = 0;
    std::uint64_t m_stepStart = 0, m_waitStart = 0, m_settled = 0;
    HWND m_dialog = nullptr;              // the dialog the last dialog step found
    UINT_PTR m_timer = 0;
    bool m_finished = false;
};

} // namespace drawing_host
