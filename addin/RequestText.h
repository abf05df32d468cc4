// The text that item execution puts into a search request and its URLs: the typed search text in the body,
// the "+" signs of an appended structure, an answer joined to a URL, and the failure message that names the
// typed text. Text only (narrow bytes, no platform calls).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The typed text as it goes into the body: every blank as "%20". In a form body (formEncoded) the other
// characters that would start a field, end a value or change it ("%", "&", "+", "=", "#") are
// percent-encoded too, so "(+)-camphor" arrives as typed and "a&b=c" adds no field.
std::string EscapeTypedText(std::string_view typed, bool formEncoded);

// Replaces every "+" at or after `from` by "%2b", leaving the body before `from` (the configured start) as it is.
void EncodePlusSigns(std::string& body, std::size_t from);

// A service's answer as a part of a URL: bytes that would end the URL or split it on a command line or a
// request line (control characters, blank, '"', '<', '>') are percent-encoded; everything else stays.
std::string EscapeForURL(std::string_view answer);

// The message for a failed search of typed text: the answer, a ":" when it ends in a letter, a blank and the
// typed text as sent.
std::string AppendTypedText(std::string answer, std::string_view typed);
