// mxRealNum: a measured number, a double together with its absolute tolerance (one unit in the last
// significant digit). Built from decimal text, the digits written set the tolerance; arithmetic propagates
// it; String() prints as many significant figures as the tolerance justifies. A distinguished value,
// kUNDEF, marks an undefined number, and undefined operands make every result undefined.
//
// Text is read as decimal notation only: optional blanks, a sign, digits with at most one decimal point
// (the current C numeric locale's), an optional exponent, optional trailing blanks. Hexadecimal floats,
// "inf" and "nan" read as undefined on every platform. Significant figures are measured with the same
// decimal point, so a text's value and its figures agree; a text with more figures than a double's
// exponent range can express as a tolerance reads as undefined.
#pragma once

#include "mx/export.h"

#include <string>

class MX_API mxRealNum {
public:
    static constexpr double kUNDEF = 3229572.43;  // marks an undefined value (bits 0x4148A3C2370A3D71)
    static constexpr double SMALL_VALUE = 1e-50;  // magnitudes at or below count as zero

    mxRealNum() noexcept : m_value(kUNDEF), m_tolerance(0) {}
    mxRealNum(double value) noexcept : m_value(value), m_tolerance(0) {}
    mxRealNum(double value, double tolerance) noexcept : m_value(value), m_tolerance(tolerance) {}
    mxRealNum(const char* text);
    mxRealNum(const std::string& text);

    double Val() const noexcept { return m_value; }
    operator double() const noexcept { return m_value; }
    double Tolerance() const noexcept { return m_tolerance; }
    bool IsDefined() const noexcept { return m_value != kUNDEF; }
    bool IsZero(double eps) const noexcept { return (m_value < 0 ? -m_value : m_value) <= eps; }
    int NumSigFig() const noexcept;
    std::string String() const;

    mxRealNum operator+(const mxRealNum& other) const noexcept;
    mxRealNum operator-(const mxRealNum& other) const noexcept;
    mxRealNum operator*(const mxRealNum& other) const noexcept;
    mxRealNum operator/(const mxRealNum& other) const noexcept;
    void operator+=(const mxRealNum& other) noexcept;
    void operator-=(const mxRealNum& other) noexcept;
    void operator*=(const mxRealNum& other) noexcept;
    void operator/=(const mxRealNum& other) noexcept;
    mxRealNum operator-() const noexcept;

    // Equal when both fields are identical, or when value and tolerance each differ by at most 1e-5.
    bool operator==(const mxRealNum& other) const noexcept;
    bool operator!=(const mxRealNum& other) const noexcept { return !(*this == other); }

    // value formatted to `figures` significant figures (empty for kUNDEF); see realnum.cpp for the rules.
    static std::string DblToStr(double value, int figures);
    // The value of a decimal text, kUNDEF for null, empty or unreadable text.
    static double StrToDbl(const char* text) noexcept;
    // The built-in self-check over known texts and arithmetic results; true when every case passes.
    // verbose writes each failing case to standard error.
    static bool Test(bool verbose);

private:
    void BuildFromString(const char* text);
    // Measures a numeric text: nSig significant figures, first and last significant character, position
    // of the decimal point (-1 when none). Always returns true.
    static bool ParseString(const char* text, int& nSig, int& first, int& last, int& point);

    double m_value;
    double m_tolerance;
};

// The left operand is taken as exact (tolerance 0).
MX_API mxRealNum operator+(int left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator-(int left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator*(int left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator/(int left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator+(double left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator-(double left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator*(double left, const mxRealNum& right) noexcept;
MX_API mxRealNum operator/(double left, const mxRealNum& right) noexcept;
