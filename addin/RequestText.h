// The text that item execution puts into a search request and its URLs: the typed search text and an appended
// structure in the body, an answer joined to a URL (and whether it stays inside the path it is joined to), and
// the failure message that names the typed text. Text only (narrow bytes, no platform calls).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The typed text as it goes into the body: every blank as "%20". In a form body (formEncoded) the other
// characters that would start a field, end a value or change it ("%", "&", "+", "=", "#") are
// percent-encoded too, so "(+)-camphor" arrives as typed and "a&b=c" adds no field.
std::string EscapeTypedText(std::string_view typed, bool formEncoded);

// Makes the structure text at or after `from` one value of a form body: every "+" becomes "%2b", and "%" and
// "&" (which a text type such as XML holds, "&amp;" say) become "%25" and "%26". The body before `from` (the
// configured start) stays as it is. Base64 holds only the "+".
void EncodeStructureForForm(std::string& body, std::size_t from);

// A service's answer as a part of a URL: bytes that would end the URL or split it on a command line or a
// request line (control characters, blank, '"', '<', '>') are percent-encoded; everything else stays.
std::string EscapeForURL(std::string_view answer);

// The same for an answer that ends the path of a request: "#" is escaped as well, since a fragment never
// reaches the server and the request would name less than the answer.
std::string EscapeForRequestPath(std::string_view answer);

// Whether the answer, appended to a request's path, would lead out of that path once the URL is normalised:
// it makes a ".." segment (dots also written "%2E", segments split at "/" or "\") before any "?" or "#".
bool LeavesPath(std::string_view path, std::string_view answer);

// The message for a failed search of typed text: the answer, a ":" when it ends in a letter, a blank and the
// typed text as sent.
std::string AppendTypedText(std::string answer, std::string_view typed);
