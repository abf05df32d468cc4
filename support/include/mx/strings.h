// Text functions of the support library: case-aware search and replace, prefix and substring tests,
// line-break removal, integer reading and number formatting. Ignoring case upper-cases both sides with the
// runtime library's toupper (the LC_CTYPE locale; plain ASCII in the default "C" locale).
#pragma once

#include "mx/export.h"

#include <string>

namespace mx {

enum mxMatchCase : int { mxIgnoreCase = 0, mxCaseSensitive = 1 };
enum mxWholeWordOnly : int { mxAnyMatch = 0, mxWholeWords = 1 };

// A copy of text with the occurrences of find replaced, left to right; replaced text is not searched again.
MX_API std::string str_replace(const std::string& text, const char* find, const char* replacement,
                               mxMatchCase matchCase = mxCaseSensitive, bool firstOnly = false);

// Replaces in place and returns the number of replacements. With whole words only, a match counts when the
// characters on both sides are not word characters (ASCII letters, digits and wordCharacters).
// maxCount -1 means no limit.
MX_API int str_replaceString(std::string& text, const char* find, const char* replacement,
                             mxMatchCase matchCase = mxCaseSensitive, mxWholeWordOnly wholeWord = mxAnyMatch,
                             const char* wordCharacters = "_", int maxCount = -1);

MX_API bool str_contains(const std::string& text, const std::string& part, mxMatchCase matchCase = mxCaseSensitive);

// An empty prefix always matches; a null text matches only a null or empty prefix; a null prefix matches
// only an empty text.
MX_API bool str_startsWith(const char* text, const char* prefix, mxMatchCase matchCase = mxCaseSensitive);

// Every LF and CR becomes replacement, or is removed when replacement is '\0'. Returns text.
MX_API std::string& str_removeNewLines(std::string& text, char replacement = '\0');

// The integer read as "%d" reads it (leading blanks and a sign allowed, trailing characters ignored), limited
// to the range of int; 0 for null, empty or non-numeric text.
MX_API int mxStrToInt(const char* text);

// Numbers as text. With a printf format (one conversion for the number, printed with LC_NUMERIC "C" so the
// decimal point is '.'), the conversion's length modifier is set to fit the argument, so "%X" and "%I64X"
// print an unsigned long long as 64-bit hexadecimal on every platform. A format whose conversion does not
// fit the number (or that has more than one) is not used. Without a format a default output string stream
// writes the number (six significant digits for doubles).
MX_API std::string NumToStr(double value, const char* format = nullptr);
MX_API std::string NumToStr(long long value, const char* format = nullptr);
MX_API std::string NumToStr(unsigned long long value, const char* format = nullptr);
MX_API std::string NumToStr(int value, const char* format = nullptr);
MX_API std::string NumToStr(unsigned int value, const char* format = nullptr);
// The address as 64-bit upper-case hexadecimal without prefix.
MX_API std::string NumToStr(const void* pointer);

} // namespace mx
