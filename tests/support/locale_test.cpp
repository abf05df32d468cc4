// Scoped locale overrides restore what they changed.
#include "mx/locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

TEST(LocaleOverride, RestoresThePreviousNumericLocale)
{
    std::string before = std::setlocale(LC_NUMERIC, nullptr);
    {
        mx::mxPushNumericLocale c("C");
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        {
            // An unknown locale name leaves the category as it was.
            mx::mxPushLocale unknown(LC_NUMERIC, "no-such-locale");
            EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        }
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    }
    EXPECT_EQ(before, std::setlocale(LC_NUMERIC, nullptr));
}
