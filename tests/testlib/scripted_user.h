// The scripted user of the tests: BasicScriptedUser (user_automation.h) reporting to GoogleTest. A failed ASSERT
// inside the script closes the dialogs it left open, and Finish turns the script's failure into a test failure.
//
//     testing_support::ScriptedUser user([](testing_support::ScriptedUser& me) {
//         auto dialog = me.WaitForDialog("Search SciFinder");
//         EXPECT_TRUE(dialog.IsChecked(IDC_PRODUCTS));
//         dialog.Click(IDOK);
//         dialog.WaitUntilClosed();
//     });
//     INT_PTR result = choice.DoModal();   // on this thread; the script runs beside it
//     user.Finish();                       // joins the script; its failures become test failures
#pragma once

#include "user_automation.h"

namespace testing_support {

class ScriptedUser : public BasicScriptedUser {
public:
    using Script = std::function<void(ScriptedUser&)>;
    explicit ScriptedUser(Script script);
    ~ScriptedUser();

    // Joins the script (bounded); a failed script is a test failure. False when it failed.
    bool Finish(std::chrono::milliseconds patience = std::chrono::seconds(60));

private:
    bool m_reported = false;
};

} // namespace testing_support
