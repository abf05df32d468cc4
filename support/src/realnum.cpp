// Measured numbers: reading and measuring decimal text, tolerance arithmetic, formatting to significant
// figures, and the built-in self-check.
#include "mx/realnum.h"

#include "mx/locale.h"
#include "mx/strings.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <locale>
#include <new>
#include <string_view>

#ifndef _WIN32
#include <langinfo.h>
#endif

// Taking the class constants' addresses in an object of the library emits them there, so the DLL exports
// them for callers that bind a reference to them instead of using their values.
extern const double* const mxRealNumConstants[2];
const double* const mxRealNumConstants[2] = {&mxRealNum::kUNDEF, &mxRealNum::SMALL_VALUE};

namespace {

constexpr double kUndefined = mxRealNum::kUNDEF;

// The decimal point of the C runtime's current numeric locale: text is read and measured with it, so a
// text's value and its significant figures always agree. glibc's localeconv() refills one static structure
// on every call, a data race between threads reading numbers; nl_langinfo only reads the locale's data. The
// Windows runtime's localeconv() hands out its locale's own conventions without writing them.
char ReadingDecimalPoint() noexcept
{
#ifdef _WIN32
    const std::lconv* conventions = std::localeconv();
    const char* point = conventions ? conventions->decimal_point : nullptr;
#else
    const char* point = nl_langinfo(RADIXCHAR);
#endif
    return point && point[0] ? point[0] : '.';
}

// The default text of a value: what mx::NumToStr writes without a format (a default output string stream,
// general notation with six significant digits), and the decimal point in it. With the classic global
// locale that text is exactly std::to_chars' general form at precision 6, which costs a fraction of a stream.
std::string DefaultText(double value, char& pointChar)
{
    const std::locale global;
    if (global == std::locale::classic()) {
        char buffer[32];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
        if (written.ec == std::errc()) {
            pointChar = '.';
            return std::string(buffer, written.ptr);
        }
    }
    pointChar = std::use_facet<std::numpunct<char>>(global).decimal_point();
    return mx::NumToStr(value);
}

bool IsLeadingSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsTrailingBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

// The whole-text reader: decimal notation only (sign, digits with at most one decimal point, optional
// exponent), leading white space and trailing blanks allowed, nothing else. Hexadecimal floats, "inf" and
// "nan" are refused everywhere, unlike "%lf" scanning whose acceptance differs between runtimes. A value too
// large for a double is refused; one too small reads as zero. Text that cannot be copied for want of memory
// is unreadable.
bool ReadDecimal(std::string_view text, char point, double& value) noexcept
try {
    std::size_t at = 0;
    const std::size_t size = text.size();
    while (at < size && IsLeadingSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < size && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';

    // Copied with '.' as the point for std::from_chars (locale independent, no '+'). Leading zeros are left
    // out, so that they neither count toward a length nor cost anything; every other digit is kept, since
    // std::from_chars rounds correctly from any number of them.
    std::string buffer;
    int digits = 0;
    long magnitude = 0;  // decimal exponent of the leading digit, to tell overflow from underflow
    bool seenPoint = false, seenNonZero = false;
    for (; at < size; ++at) {
        const char c = text[at];
        if (IsDigit(c)) {
            ++digits;
            seenNonZero = seenNonZero || c != '0';
            if (!seenPoint && seenNonZero)
                ++magnitude;
            else if (seenPoint && !seenNonZero)
                --magnitude;
            if (seenNonZero || seenPoint)
                buffer += c;
        } else if (c == point && !seenPoint) {
            seenPoint = true;
            buffer += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    // Only zeros before the point: "0", "00." and "0.5" keep one.
    if (buffer.empty() || buffer[0] == '.')
        buffer.insert(buffer.begin(), '0');
    if (at < size && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponentAt = at + 1;
        bool negativeExponent = false;
        if (exponentAt < size && (text[exponentAt] == '+' || text[exponentAt] == '-'))
            negativeExponent = text[exponentAt++] == '-';
        if (exponentAt >= size || !IsDigit(text[exponentAt]))
            return false;  // an 'e' without digits is trailing text
        long exponent = 0;
        for (; exponentAt < size && IsDigit(text[exponentAt]); ++exponentAt)
            if (exponent < 100000)
                exponent = exponent * 10 + (text[exponentAt] - '0');
        at = exponentAt;
        magnitude += negativeExponent ? -exponent : exponent;
        buffer += negativeExponent ? "e-" : "e";
        buffer += std::to_string(exponent);
    }
    while (at < size && IsTrailingBlank(text[at]))
        ++at;
    if (at != size)
        return false;

    double result = 0;
    const char* const begin = buffer.data();
    const char* const finish = begin + buffer.size();
    const auto [end, error] = std::from_chars(begin, finish, result);
    if (error == std::errc::result_out_of_range) {
        if (seenNonZero && magnitude > 0)
            return false;
        result = 0;
    } else if (error != std::errc() || end != finish) {
        return false;
    }
    value = negative ? -result : result;
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

// Measuring (see mxRealNum::ParseString) with a given decimal point character.
void Measure(std::string_view text, char pointChar, int& nSig, int& first, int& last, int& point) noexcept
{
    const std::size_t found = text.find(pointChar);
    point = found == std::string_view::npos ? -1 : static_cast<int>(found);
    const std::size_t skipped = text.find_first_not_of("0+-.");
    first = static_cast<int>(skipped == std::string_view::npos ? text.size() : skipped);
    const std::size_t exponent = text.find_first_of("eE");
    last = static_cast<int>(exponent == std::string_view::npos ? text.size() : exponent) - 1;
    if (point < 0)
        while (last > first && text[last] == '0')
            --last;  // trailing zeros of an integer are not significant
    if (last < first) {
        const std::size_t signsAndZeros = text.find_first_not_of("0+-");
        first = static_cast<int>(signsAndZeros == std::string_view::npos ? text.size() : signsAndZeros);
        nSig = 1;
        return;
    }
    nSig = last - first + 1;
    if (point >= first && point <= last)
        --nSig;
    if (nSig < 1)
        nSig = 1;
}

int DecimalExponent(double value) noexcept
{
    const double magnitude = std::fabs(value);
    if (magnitude <= mxRealNum::SMALL_VALUE)
        return 0;
    const double logarithm = std::log10(magnitude);
    if (logarithm > 0)
        return static_cast<int>(std::nextafter(logarithm, HUGE_VAL));
    return static_cast<int>(logarithm - 0.99999999);
}

// Half-up rounding on the digit at `dropped`: increments the kept digits to its left, skipping the decimal
// point; a carry past the first digit inserts a '1' after any sign. Returns how far positions moved (0 or 1).
int RoundUpAt(std::string& text, int dropped, char pointChar)
{
    if (dropped < 0 || dropped >= static_cast<int>(text.size()) || text[dropped] < '5' || !IsDigit(text[dropped]))
        return 0;
    const int signLength = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    for (int at = dropped - 1; at >= signLength; --at) {
        if (text[at] == pointChar)
            continue;
        if (text[at] == '9') {
            text[at] = '0';
            continue;
        }
        ++text[at];
        return 0;
    }
    text.insert(text.begin() + signLength, '1');
    return 1;
}

} // namespace

mxRealNum::mxRealNum(const char* text) : m_value(kUndefined), m_tolerance(0)
{
    BuildFromString(text);
}

mxRealNum::mxRealNum(const std::string& text) : m_value(kUndefined), m_tolerance(0)
{
    BuildFromString(text.c_str());
}

bool mxRealNum::ParseString(const char* text, int& nSig, int& first, int& last, int& point)
{
    Measure(text ? std::string_view(text) : std::string_view(), ReadingDecimalPoint(), nSig, first, last, point);
    return true;
}

void mxRealNum::BuildFromString(const char* text)
{
    int nSig = 1, first = 0, last = 0, point = -1;
    ParseString(text, nSig, first, last, point);
    m_value = StrToDbl(text);
    // An unreadable text still gets a tolerance from its digits (and the exponent of kUNDEF).
    m_tolerance = std::pow(10.0, DecimalExponent(m_value) - nSig + 1);
    // More figures than a double's exponent can express: a tolerance of 0 would claim an exact number.
    if (m_tolerance == 0)
        m_value = kUndefined;
}

double mxRealNum::StrToDbl(const char* text) noexcept
{
    double value = 0;
    if (!text || !*text || !ReadDecimal(text, ReadingDecimalPoint(), value))
        return kUndefined;
    return value;
}

int mxRealNum::NumSigFig() const noexcept
{
    if (m_tolerance == 0)
        return 1000;
    const double magnitude = std::fabs(m_value);
    if (magnitude <= SMALL_VALUE)
        return m_tolerance < 5.0 ? 1 : 0;
    const double r = 1e-7 - std::log10(m_tolerance / magnitude);
    const double figures = r > 0 ? r + 0.99999999 : r - 0.99999999;
    // Clamped before conversion: a tolerance of 1e-300 on 1e300 must not overflow the int.
    if (!(figures > 0))
        return 0;
    return figures > 1e6 ? 1000000 : static_cast<int>(figures);
}

std::string mxRealNum::String() const
{
    return DblToStr(m_value, NumSigFig());
}

// Formatting to n significant figures starts from the default stream text (six figures at most) and
// adjusts it: missing figures are filled with zeros after the last significant digit; surplus figures are
// rounded half up on the first dropped digit, integer digits that are dropped become '0', and fraction
// digits are cut (a cut that ends at the point keeps it: "1235." marks its last integer digit significant).
std::string mxRealNum::DblToStr(double value, int figures)
{
    if (value == kUndefined)
        return {};
    char pointChar = '.';
    std::string text = DefaultText(value, pointChar);
    if (value == 0 || figures < 1 || !std::isfinite(value))
        return text;
    int current = 0, first = 0, last = 0, point = -1;
    Measure(text, pointChar, current, first, last, point);
    const int surplus = current - figures;
    if (surplus == 0 || surplus < -5)
        return text;

    if (surplus < 0) {
        const std::string zeros(static_cast<std::size_t>(-surplus), '0');
        if (point >= 0) {
            text.insert(static_cast<std::size_t>(last) + 1, zeros);
        } else if (last + 1 == static_cast<int>(text.size())) {
            text += pointChar + zeros;  // 99 at 4 figures: 99.00
        } else if (text.find_first_of("eE") != std::string::npos) {
            text.insert(static_cast<std::size_t>(last) + 1, pointChar + zeros);  // 1e+20 at 3: 1.00e+20
        } else {
            // An integer ending in zeros (9900): after a trailing point every digit counts; add what is
            // still missing.
            const int shown = static_cast<int>(text.size()) - first;
            text += pointChar;
            if (figures > shown)
                text.append(static_cast<std::size_t>(figures - shown), '0');
        }
        return text;
    }

    const int cutAt = last - surplus + 1;
    if (point < 0) {
        // An integer (a default text in exponent form has a single digit and never has surplus figures).
        const int moved = RoundUpAt(text, cutAt, pointChar);
        for (int at = cutAt + moved; at <= last + moved; ++at)
            text[at] = '0';
        return text;
    }
    if (point < cutAt) {
        const std::string tail = text.substr(static_cast<std::size_t>(last) + 1);
        const int moved = RoundUpAt(text, cutAt, pointChar);
        text.resize(static_cast<std::size_t>(cutAt + moved));
        return text + tail;
    }
    const int dropped = cutAt - 1;
    const int moved = RoundUpAt(text, dropped, pointChar);
    for (int at = dropped + moved; at < point + moved; ++at)
        text[at] = '0';
    text.resize(static_cast<std::size_t>(point + moved));
    return text;
}

mxRealNum mxRealNum::operator+(const mxRealNum& other) const noexcept
{
    if (!IsDefined() || !other.IsDefined())
        return {};
    return {m_value + other.m_value, m_tolerance + other.m_tolerance};
}

mxRealNum mxRealNum::operator-(const mxRealNum& other) const noexcept
{
    if (!IsDefined() || !other.IsDefined())
        return {};
    return {m_value - other.m_value, m_tolerance + other.m_tolerance};
}

mxRealNum mxRealNum::operator*(const mxRealNum& other) const noexcept
{
    if (!IsDefined() || !other.IsDefined())
        return {};
    return {m_value * other.m_value,
            std::fabs(other.m_value) * m_tolerance + std::fabs(m_value) * other.m_tolerance};
}

mxRealNum mxRealNum::operator/(const mxRealNum& other) const noexcept
{
    if (!IsDefined() || !other.IsDefined() || std::fabs(other.m_value) < SMALL_VALUE)
        return {};
    const double b = other.m_value;
    return {m_value / b, (std::fabs(m_value * other.m_tolerance) + std::fabs(b * m_tolerance)) / (b * b)};
}

void mxRealNum::operator+=(const mxRealNum& other) noexcept { *this = *this + other; }
void mxRealNum::operator-=(const mxRealNum& other) noexcept { *this = *this - other; }
void mxRealNum::operator*=(const mxRealNum& other) noexcept { *this = *this * other; }
void mxRealNum::operator/=(const mxRealNum& other) noexcept { *this = *this / other; }

mxRealNum mxRealNum::operator-() const noexcept
{
    if (!IsDefined())
        return *this;
    return {-m_value, m_tolerance};
}

bool mxRealNum::operator==(const mxRealNum& other) const noexcept
{
    if (m_value == other.m_value && m_tolerance == other.m_tolerance)
        return true;
    return std::fabs(m_value - other.m_value) <= 1e-5 && std::fabs(m_tolerance - other.m_tolerance) <= 1e-5;
}

mxRealNum operator+(int left, const mxRealNum& right) noexcept { return mxRealNum(left) + right; }
mxRealNum operator-(int left, const mxRealNum& right) noexcept { return mxRealNum(left) - right; }
mxRealNum operator*(int left, const mxRealNum& right) noexcept { return mxRealNum(left) * right; }
mxRealNum operator/(int left, const mxRealNum& right) noexcept { return mxRealNum(left) / right; }
mxRealNum operator+(double left, const mxRealNum& right) noexcept { return mxRealNum(left) + right; }
mxRealNum operator-(double left, const mxRealNum& right) noexcept { return mxRealNum(left) - right; }
mxRealNum operator*(double left, const mxRealNum& right) noexcept { return mxRealNum(left) * right; }
mxRealNum operator/(double left, const mxRealNum& right) noexcept { return mxRealNum(left) / right; }

namespace {

struct TextCase {
    const char* text;
    double value;
    double tolerance;
    int figures;
};

// Texts and what they measure; each also holds with a leading '+' (same) and '-' (value negated).
constexpr TextCase kTextCases[] = {
    {"9900", 9900, 100, 2},           {".099", 0.099, 0.001, 2},        {".0099", 0.0099, 0.0001, 2},
    {"10", 10, 10, 1},                {".01", 0.01, 0.01, 1},           {".09999", 0.09999, 1e-5, 4},
    {"30.07E-8", 3.007e-7, 1e-10, 4}, {"1000", 1000, 1000, 1},          {"1001", 1001, 1, 4},
    {"999", 999, 1, 3},               {"100.3", 100.3, 0.1, 4},         {"10000.001", 10000.001, 0.001, 8},
    {"003.14E01", 31.4, 0.1, 3},      {"3.14", 3.14, 0.01, 3},          {"0.0300", 0.03, 0.0001, 3},
    {"3020", 3020, 10, 3},            {"0", 0, 1, 1},                   {"1.0E-8", 1e-8, 1e-9, 2},
};

struct Result {
    double value;
    double tolerance;
};

struct ArithmeticCase {
    const char* left;
    const char* right;
    Result sum, difference, product, quotient;  // quotient value kUNDEF: undefined
};

constexpr ArithmeticCase kArithmeticCases[] = {
    {"47.28", "-36.728", {10.552, 0.011}, {84.008, 0.011}, {-1736.49984, 0.41456},
     {-1.2873012415596, 0.00030732142347962}},
    {"-.03E-16", "2382.23", {2382.23, 0.01}, {-2382.23, 0.01}, {-7.1467e-15, 2.38226e-15},
     {-1.2593260087399e-21, 4.1978003520235e-22}},
    {"-100", "-380", {-480, 110}, {280, 110}, {38000, 39000}, {0.26315789473684, 0.27008310249307}},
    {"-100.", "-380", {-480, 11}, {280, 11}, {38000, 1380}, {0.26315789473684, 0.0095567867036011}},
    {".09999", "0", {0.09999, 1.00001}, {0.09999, 1.00001}, {0, 0.09999}, {kUndefined, 0}},
};

bool Near(double actual, double expected) noexcept
{
    if (expected == 0)
        return std::fabs(actual) <= 1e-12;
    return std::fabs(actual - expected) <= 1e-4 * std::fabs(expected);
}

bool Check(bool passed, bool verbose, const char* what, const std::string& subject)
{
    if (!passed && verbose)
        std::fprintf(stderr, "mxRealNum self-check failed: %s of \"%s\"\n", what, subject.c_str());
    return passed;
}

bool CheckResult(const mxRealNum& actual, const Result& expected, bool verbose, const std::string& subject)
{
    if (expected.value == kUndefined)
        return Check(!actual.IsDefined() && actual.Tolerance() == 0, verbose, "undefined result", subject);
    return Check(Near(actual.Val(), expected.value) && Near(actual.Tolerance(), expected.tolerance), verbose,
                 "result", subject);
}

} // namespace

bool mxRealNum::Test(bool verbose)
{
    // Measured with '.' as the point whatever the caller's locale.
    mx::mxPushNumericLocale classic("C");
    bool passed = true;
    for (const TextCase& test : kTextCases) {
        for (const char* sign : {"", "+", "-"}) {
            const std::string text = std::string(sign) + test.text;
            const mxRealNum number(text);
            const double value = *sign == '-' ? -test.value : test.value;
            passed &= Check(Near(number.Val(), value), verbose, "value", text);
            passed &= Check(Near(number.Tolerance(), test.tolerance), verbose, "tolerance", text);
            passed &= Check(number.NumSigFig() == test.figures, verbose, "significant figures", text);
        }
    }
    for (const ArithmeticCase& test : kArithmeticCases) {
        const mxRealNum a(test.left), b(test.right);
        const std::string subject = std::string(test.left) + "\" and \"" + test.right;
        const Result* expected[] = {&test.sum, &test.difference, &test.product, &test.quotient};
        const mxRealNum results[] = {a + b, a - b, a * b, a / b};
        mxRealNum compound[] = {a, a, a, a};
        compound[0] += b;
        compound[1] -= b;
        compound[2] *= b;
        compound[3] /= b;
        for (int i = 0; i < 4; ++i) {
            passed &= CheckResult(results[i], *expected[i], verbose, subject);
            passed &= Check(results[i] == compound[i], verbose, "compound form", subject);
        }
    }
    const mxRealNum undefined;
    passed &= Check(!undefined.IsDefined() && undefined.String().empty(), verbose, "default", "");
    passed &= Check(mxRealNum(1.5).String() == mx::NumToStr(1.5), verbose, "exact number", "1.5");
    passed &= Check(!mxRealNum("").IsDefined() && !mxRealNum("12abc").IsDefined(), verbose, "unreadable", "12abc");
    passed &= Check(mxRealNum("-0.000").NumSigFig() == 1, verbose, "significant figures", "-0.000");
    return passed;
}
