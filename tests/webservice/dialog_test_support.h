// What the dialog tests share: running a dialog while a scripted user works it, and a shell that records what
// it would have opened.
#pragma once

#include "framework/ui_seams.h"
#include "scripted_user.h"

#include <vector>

namespace dialog_test {

// Runs the dialog on this thread while the script works it; the script's failures are the test's.
template <typename Dialog>
INT_PTR RunWith(Dialog& dialog, testing_support::ScriptedUser::Script script)
{
    testing_support::ScriptedUser user(std::move(script));
    INT_PTR result = dialog.DoModal();
    user.Finish();
    return result;
}

// Records what would have been opened with the shell, and opens nothing.
struct ShellRecorder {
    std::vector<fw::ShellOpenCall> calls;
    fw::ScopedShellOpenHandler handler{[this](const fw::ShellOpenCall& call) {
        calls.push_back(call);
        return true;
    }};
};

} // namespace dialog_test
