// The request headers an item configures: its header list text ("Name:value;Name:[UUID];..."), which values
// are computed per request, and whether the body must be URL-encoded. Text only, no platform calls, so it is
// fuzzed natively; reading the list from the configuration and computing the values is HttpRequest's part.
#pragma once

#include "webservice/HeaderMap.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern const std::string contentTypeHeaderName;  // "Content-Type"
extern const std::string urlEncodedHeaderValue;  // "application/x-www-form-urlencoded"
extern const std::string defaultHeaderName;      // the header sent when no list is configured
extern const std::string defaultHeaderValue;
extern const std::string headerItemDelimiters;   // ";" between items
extern const std::string headerDelimiters;       // ":" between name and value
extern const std::string uuidKey;                // "[UUID]": a fresh UUID
extern const std::string signKey;                // "[sign(...)key]": a signature
extern const std::string proxyURLKey;            // "[proxyURL]": the proxy address the user gave

// A value in brackets with something inside ("[x]", not "[]") is computed per request.
bool IsDynamic(const std::string& value);

enum class DynamicContent { UUID, Signature, ProxyURL, Empty };
// What a dynamic value asks for, read after its brackets are stripped; case matters.
DynamicContent ClassifyDynamicContent(const std::string& value);

// The items of a header list in configured order as (name, value): blanks around both trimmed, a quoted part
// keeping its ";" and ":" and losing its quotes, an item without ":" having the empty value, an empty item
// (";;") giving an empty name and value. A final ";" adds nothing.
std::vector<std::pair<std::string, std::string>> ParseHeaderList(const std::string& list);

// The headers of a configured list in map order, each later item replacing an earlier one of the same name.
// A dynamic value is replaced by what `compute` returns for it, given the headers built so far (a signature
// can cover only headers configured before it).
using DynamicValueSource = std::function<std::string(const std::string& value, const HeaderMap& earlier)>;
HeaderMap BuildHeaderMap(const std::string& list, const DynamicValueSource& compute);

// Checks for the administrators' tool, which stores header lists.
// The tokenizer's message when a quote of the list (or of one of its items) has no closing quote: reading
// the list stops there, so every header after it is dropped. Nothing when every quote is closed.
std::optional<std::string> UnclosedQuote(const std::string& list);
// A value that begins like a computed one ("[" then "sign", "UUID" or "proxyURL" in any letter case) but is
// not that computed value, so that it would be sent as it is (a signature recipe with its key in clear) or
// as the empty text.
bool LooksLikeMistypedDynamicValue(const std::string& value);

// True when the list is empty or names the URL-encoded content type exactly as "Content-Type:" followed
// directly by the type, in the raw text (a blank after the colon does not count).
bool ListRequiresURLEncoding(const std::string& list);

// A header whose name or value holds CR, LF or a zero byte would reach the wire as more than one header line
// (or be cut short): its name, printable, for the error that refuses the request; nothing when every header
// is safe to send.
std::optional<std::string> UnsafeHeaderName(const HeaderMap& headers);

// From an answer's header text ("Name: value" lines, as getAllResponseHeaders gives it): the body length its
// Content-Length declares. Nothing when there is none, it is not a plain decimal number, or the body is
// compressed (Content-Encoding other than identity), since the declared length then counts compressed bytes.
std::optional<std::size_t> DeclaredBodyLength(std::string_view responseHeaders);
