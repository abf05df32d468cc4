// The message box seam: a test's handler answers in the user's place, and an inner handler gives way to the
// outer one when its scope ends.
#include "framework/ui_seams.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MessageBoxSeam, HandlerAnswersInTheUsersPlaceAndNests)
{
    std::vector<fw::MessageBoxCall> calls;
    {
        fw::ScopedMessageBoxHandler outer([&](const fw::MessageBoxCall& call) {
            calls.push_back(call);
            return IDOK;
        });
        {
            fw::ScopedMessageBoxHandler inner([](const fw::MessageBoxCall&) { return IDCANCEL; });
            EXPECT_EQ(fw::ShowMessageBox(nullptr, "inner", "", MB_OKCANCEL), IDCANCEL);
        }
        EXPECT_EQ(fw::ShowMessageBox(reinterpret_cast<HWND>(0x1234), "Line 1\r\nLine 2", "Search", MB_OK | MB_ICONSTOP),
                  IDOK);
    }
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].owner, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(calls[0].text, "Line 1\r\nLine 2");
    EXPECT_EQ(calls[0].caption, "Search");
    EXPECT_EQ(calls[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
}
