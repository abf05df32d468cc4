// Measured numbers: what a text measures, decimal-only reading, formatting to significant figures and
// tolerance arithmetic; and the scoped locale overrides the readers rely on.
#include "mx/locale.h"
#include "mx/realnum.h"
#include "mx/strings.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr double kUndefined = mxRealNum::kUNDEF;

TEST(LocaleOverride, RestoresThePreviousNumericLocale)
{
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
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

TEST(RealNum, SelfCheckAndTheStoredUndefinedMark)
{
    EXPECT_TRUE(mxRealNum::Test(true));
    static_assert(sizeof(mxRealNum) == 16);
    const double& exported = mxRealNum::kUNDEF;  // a reference needs the library's own constant
    EXPECT_EQ(std::bit_cast<std::uint64_t>(exported), 0x4148A3C2370A3D71u);
    const mxRealNum undefined;
    EXPECT_FALSE(undefined.IsDefined());
    EXPECT_EQ(undefined.Tolerance(), 0);
    EXPECT_EQ(undefined.String(), "");
}

TEST(RealNum, TrailingPointMakesIntegerZerosSignificant)
{
    mx::mxPushNumericLocale classic("C");
    const mxRealNum withPoint("-100."), withoutPoint("-100");
    EXPECT_EQ(withPoint.Val(), -100);
    EXPECT_DOUBLE_EQ(withPoint.Tolerance(), 1);
    EXPECT_EQ(withPoint.NumSigFig(), 3);
    EXPECT_DOUBLE_EQ(withoutPoint.Tolerance(), 100);
    EXPECT_EQ(withoutPoint.NumSigFig(), 1);
    // Printing keeps what the text said.
    EXPECT_EQ(withPoint.String(), "-100.");
    EXPECT_EQ(withoutPoint.String(), "-100");
    EXPECT_EQ(mxRealNum("3.140").String(), "3.140");
    EXPECT_EQ(mxRealNum("-0.000").NumSigFig(), 1);
}

// Decimal notation is the only notation, so a number reads the same with every C runtime.
TEST(RealNum, ReadsDecimalNotationOnly)
{
    mx::mxPushNumericLocale classic("C");
    struct Case {
        const char* text;
        double value;
    } const cases[] = {
        {"0x10", kUndefined}, {"inf", kUndefined},  {"-INF", kUndefined},  {"nan", kUndefined},
        {"NaN(1)", kUndefined}, {"infinity", kUndefined}, {"1e", kUndefined}, {"1e+", kUndefined},
        {"1.2.3", kUndefined}, {".", kUndefined},   {"-", kUndefined},     {"+-1", kUndefined},
        {"1,5", kUndefined},  {"12abc", kUndefined}, {"1 2", kUndefined},  {"", kUndefined},
        {"1e999", kUndefined}, {"1e-999", 0},       {" \t1.5 \t\r\n", 1.5}, {"+.5", 0.5},
        {"-5.", -5},          {"30.07E-8", 3.007e-7}, {"1E+2", 100},      {"007", 7},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        EXPECT_EQ(mxRealNum::StrToDbl(test.text), test.value);
        EXPECT_EQ(mxRealNum(test.text).Val(), test.value);
    }
    EXPECT_EQ(mxRealNum::StrToDbl(nullptr), kUndefined);
    EXPECT_FALSE(mxRealNum(static_cast<const char*>(nullptr)).IsDefined());
    // Unreadable text still measures its digits.
    const mxRealNum unreadable("12abc");
    EXPECT_GT(unreadable.Tolerance(), 0);
    EXPECT_EQ(unreadable.String(), "");
}

// Long texts: every digit after the leading zeros takes part, and leading zeros cost nothing; a text whose
// figures no tolerance can express is undefined rather than exact.
TEST(RealNum, LongTextsReadWholeOrNotAtAll)
{
    mx::mxPushNumericLocale classic("C");
    EXPECT_DOUBLE_EQ(mxRealNum("0." + std::string(130, '0') + "1").Val(), 1e-131);
    const mxRealNum precise("0.5" + std::string(130, '0') + "1");
    EXPECT_EQ(precise.Val(), 0.5);
    EXPECT_EQ(precise.NumSigFig(), 132);
    const mxRealNum padded(std::string(200, '0') + "25");
    EXPECT_EQ(padded.Val(), 25);
    EXPECT_EQ(padded.Tolerance(), 1);
    const mxRealNum large("1" + std::string(199, '2'));
    EXPECT_DOUBLE_EQ(large.Val(), 1.2222222222222222e199);
    EXPECT_EQ(large.NumSigFig(), 200);
    EXPECT_FALSE(mxRealNum("1." + std::string(400, '0')).IsDefined());
}

// Measuring and reading use the same decimal point, so a comma locale neither miscounts "3,14" nor reads it
// with a different number of figures.
TEST(RealNum, CommaLocaleMeasuresAndReadsAlike)
{
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "German"};
    for (const char* name : names) {
        mx::mxPushNumericLocale german(name);
        if (std::localeconv()->decimal_point[0] != ',')
            continue;
        const mxRealNum number("3,14");
        EXPECT_DOUBLE_EQ(number.Val(), 3.14);
        EXPECT_DOUBLE_EQ(number.Tolerance(), 0.01);
        EXPECT_FALSE(mxRealNum("3.14").IsDefined());
        return;
    }
    GTEST_SKIP() << "no comma locale installed";
}

TEST(RealNum, FormatsToSignificantFigures)
{
    struct Case {
        double value;
        int figures;
        const char* text;
    } const cases[] = {
        {3.14, 5, "3.1400"},         {1.5e20, 4, "1.500e+20"},  {99, 4, "99.00"},       {123456, 3, "123000"},
        {1234567, 3, "1.23e+06"},    {1234.56, 4, "1235."},     {1234.56, 2, "1200"},   {1234.56, 3, "1230"},
        {9.99, 2, "10.0"},           {-9.99, 2, "-10.0"},       {999999, 3, "1000000"}, {-1234.56, 1, "-1000"},
        {1e20, 3, "1.00e+20"},       {9900, 4, "9900."},        {0.000123, 5, "0.00012300"},
        {3.14, 3, "3.14"},           {3.14, 9, "3.14"},         {3.14, 0, "3.14"},      {0, 4, "0"},
        {kUndefined, 3, ""},         {std::numeric_limits<double>::infinity(), 3, "inf"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.text) + " at " + std::to_string(test.figures));
        EXPECT_EQ(mxRealNum::DblToStr(test.value, test.figures), test.text);
    }
    EXPECT_EQ(mxRealNum(1234.56).String(), "1234.56");  // exact: the plain default text
    EXPECT_EQ(mxRealNum(1234.56, 10).String(), "1230");
}

// An exact number prints the library's default text of its value, whatever its magnitude.
TEST(RealNum, ExactNumbersPrintTheDefaultText)
{
    for (double value : {1234.56, -0.0001, 1e-5, 999999.5, 9999995.0, 123456.5, 1e16, 6.02214076e23, -4.9e-324,
                         0.1 + 0.2, 1.0 / 3, 2.5e-7, 35.45000000005}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(mxRealNum(value).String(), mx::NumToStr(value));
    }
}

TEST(RealNum, Arithmetic)
{
    // Undefined operands and tiny divisors give undefined results.
    const mxRealNum undefined, two(2.0, 0.5), tiny(1e-51, 0);
    for (const mxRealNum& result : {undefined + two, two - undefined, undefined * two, two / undefined, two / tiny,
                                     1 / undefined, 2.5 * undefined, -undefined}) {
        EXPECT_FALSE(result.IsDefined());
        EXPECT_EQ(result.Tolerance(), 0);
    }
    mxRealNum compound = two;
    compound /= tiny;
    EXPECT_FALSE(compound.IsDefined());

    // Plain left operands are exact.
    const mxRealNum measured(4.0, 0.5);
    const mxRealNum sum = 1 + measured, product = 2.0 * measured, quotient = 8 / measured, negative = -measured;
    EXPECT_EQ(sum.Val(), 5);
    EXPECT_EQ(sum.Tolerance(), 0.5);
    EXPECT_EQ(product.Tolerance(), 1);
    EXPECT_EQ(quotient.Val(), 2);
    EXPECT_DOUBLE_EQ(quotient.Tolerance(), 8 * 0.5 / 16);
    EXPECT_EQ(negative.Val(), -4);
    EXPECT_EQ(negative.Tolerance(), 0.5);

    // Equality allows differences up to one hundred-thousandth.
    const mxRealNum a(1.0, 0.1);
    EXPECT_TRUE(a == mxRealNum(1.000009, 0.100009));
    EXPECT_TRUE(a != mxRealNum(1.00002, 0.1));
    EXPECT_TRUE(a != mxRealNum(1.0, 0.10002));
    EXPECT_TRUE(mxRealNum() == mxRealNum());
}

TEST(RealNum, SignificantFiguresOfEdgeValues)
{
    EXPECT_EQ(mxRealNum(5.0).NumSigFig(), 1000);   // exact
    EXPECT_EQ(mxRealNum(0.0, 4.9).NumSigFig(), 1);
    EXPECT_EQ(mxRealNum(0.0, 5.0).NumSigFig(), 0);
    EXPECT_EQ(mxRealNum(1.0, 100.0).NumSigFig(), 0);  // tolerance beyond the value
    EXPECT_GT(mxRealNum(1e300, 1e-300).NumSigFig(), 500);  // no overflow
}

} // namespace
