#include "scripted_user.h"

#include <gtest/gtest.h>

namespace testing_support {

// The script sees the ScriptedUser it was given to; the object adds no state of its own to the base's, so it is
// whole as soon as the base has started the thread.
ScriptedUser::ScriptedUser(Script script)
    : BasicScriptedUser([this, script = std::move(script)](BasicScriptedUser&) { script(*this); },
                        [] { return ::testing::Test::HasFatalFailure(); })
{
}

ScriptedUser::~ScriptedUser()
{
    Finish();
}

bool ScriptedUser::Finish(std::chrono::milliseconds patience)
{
    bool wentWell = BasicScriptedUser::Finish(patience);
    if (!wentWell && !m_reported && !FailureText().empty())
        ADD_FAILURE() << "scripted user: " << FailureText();
    m_reported = true;
    return wentWell;
}

} // namespace testing_support
