// Narrow/wide conversion in the system code page, cutting narrow text, and the handle owner.
#include "framework/handle.h"
#include "framework/text.h"

#include <gtest/gtest.h>

TEST(TextConversion, RoundTripsTheCodePage)
{
    ASSERT_EQ(GetACP(), 1252u) << "the Wine wrapper fixes the code page";
    EXPECT_EQ(fw::Widen(""), L"");
    EXPECT_EQ(fw::Widen("Gr\xFC\xDF" "e \x80"), L"Gr\u00FC\u00DFe \u20AC");
    EXPECT_EQ(fw::Narrow(L"Gr\u00FC\u00DFe \u20AC"), "Gr\xFC\xDF" "e \x80");
    // Zero bytes are text like any other.
    EXPECT_EQ(fw::Narrow(fw::Widen(std::string("a\0b", 3))), std::string("a\0b", 3));
    // A character the code page cannot hold becomes the default character.
    EXPECT_EQ(fw::Narrow(L"\u4E2D"), "?");
    // UTF-8 is for byte formats fixed to it, whatever the code page.
    EXPECT_EQ(fw::ToUtf8(L"Gr\u00FC\u20AC\u4E2D"), "Gr\xC3\xBC\xE2\x82\xAC\xE4\xB8\xAD");
}

TEST(TextConversion, CutsOnlyAtWholeCharacters)
{
    // Code page 932: 0x82 leads a two-byte character, which is kept whole or left out.
    EXPECT_EQ(fw::CutToWholeCharacters("ab\x82\xA0" "c", 3, 932), "ab");
    EXPECT_EQ(fw::CutToWholeCharacters("ab\x82\xA0" "c", 4, 932), "ab\x82\xA0");
    EXPECT_EQ(fw::CutToWholeCharacters("abc", 5, 932), "abc");
    EXPECT_EQ(fw::CutToWholeCharacters("ab\x82\xA0", 3), "ab\x82");   // one byte, one character in 1252
}

TEST(HandleOwner, ClosesOnceAndKeepsTheLastError)
{
    fw::unique_kernel_handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.get();
    fw::unique_kernel_handle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    SetLastError(ERROR_FILE_NOT_FOUND);
    moved.reset();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle was closed";
}
