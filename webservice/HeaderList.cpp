#include "webservice/HeaderList.h"

#include "webservice/SigningText.h"

#include "mx/tokenizer.h"

#include <algorithm>
#include <cctype>
#include <charconv>


// Defined in this order: the default header copies the two before it.
const std::string contentTypeHeaderName = "Content-Type";
const std::string urlEncodedHeaderValue = "application/x-www-form-urlencoded";
const std::string defaultHeaderName = contentTypeHeaderName;
const std::string defaultHeaderValue = urlEncodedHeaderValue;
const std::string headerItemDelimiters = ";";
const std::string headerDelimiters = ":";
const std::string uuidKey = "UUID";
const std::string signKey = "sign";
const std::string proxyURLKey = "proxyURL";

namespace {

bool SameNameIgnoringCase(std::string_view left, std::string_view right)
{
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](unsigned char a, unsigned char b) {
        return std::tolower(a) == std::tolower(b);
    });
}

} // namespace

bool IsDynamic(const std::string& value)
{
    return value.size() > 2 && value.front() == '[' && value.back() == ']';
}

DynamicContent ClassifyDynamicContent(const std::string& value)
{
    const std::string_view keyword = signing::StripDynamicBrackets(value);
    // Tested in this order; a signature is anything that starts with "sign".
    if (keyword == uuidKey)
        return DynamicContent::UUID;
    if (keyword.substr(0, signKey.size()) == signKey)
        return DynamicContent::Signature;
    if (keyword == proxyURLKey)
        return DynamicContent::ProxyURL;
    return DynamicContent::Empty;
}

std::vector<std::pair<std::string, std::string>> ParseHeaderList(const std::string& list)
{
    std::vector<std::pair<std::string, std::string>> items;
    mx::mxTokenizer itemTokenizer(list, headerItemDelimiters.c_str(), 0);
    std::string item;
    // An unmatched quote ends the list there, as the tokenizer stops at it.
    while (itemTokenizer.Next(item)) {
        mx::mxTokenizer partTokenizer(item, headerDelimiters.c_str(), 0);
        std::string name, value;
        if (partTokenizer.Next(name))
            partTokenizer.Next(value); // further parts are ignored
        items.emplace_back(std::move(name), std::move(value));
    }
    return items;
}

HeaderMap BuildHeaderMap(const std::string& list, const DynamicValueSource& compute)
{
    HeaderMap headers;
    for (auto& [name, value] : ParseHeaderList(list)) {
        if (IsDynamic(value))
            value = compute(value, headers);
        headers[name] = std::move(value);
    }
    return headers;
}

std::optional<std::string> UnclosedQuote(const std::string& list)
{
    mx::mxTokenizer itemTokenizer(list, headerItemDelimiters.c_str(), 0);
    std::string item;
    while (itemTokenizer.Next(item)) {
        mx::mxTokenizer partTokenizer(item, headerDelimiters.c_str(), 0);
        std::string part;
        while (partTokenizer.Next(part)) {
        }
        if (!partTokenizer.GetError().empty())
            return partTokenizer.GetError();
    }
    if (!itemTokenizer.GetError().empty())
        return itemTokenizer.GetError();
    return std::nullopt;
}

bool LooksLikeMistypedDynamicValue(const std::string& value)
{
    if (value.empty() || value.front() != '[')
        return false;
    const std::size_t start = value.find_first_not_of('[');
    const std::string_view keyword = start == std::string::npos ? std::string_view() : std::string_view(value).substr(start);
    const struct {
        const std::string& word;
        DynamicContent meant;
    } computed[] = {{signKey, DynamicContent::Signature}, {uuidKey, DynamicContent::UUID},
                    {proxyURLKey, DynamicContent::ProxyURL}};
    for (const auto& [word, meant] : computed)
        if (keyword.size() >= word.size() && SameNameIgnoringCase(keyword.substr(0, word.size()), word))
            return !(IsDynamic(value) && ClassifyDynamicContent(value) == meant);
    return false;
}

bool ListRequiresURLEncoding(const std::string& list)
{
    return list.empty() ||
           list.find(contentTypeHeaderName + headerDelimiters + urlEncodedHeaderValue) != std::string::npos;
}

std::optional<std::string> UnsafeHeaderName(const HeaderMap& headers)
{
    constexpr std::string_view lineBreaksAndZero("\r\n\0", 3);
    for (const auto& [name, value] : headers) {
        if (name.find_first_of(lineBreaksAndZero) == std::string::npos &&
            value.find_first_of(lineBreaksAndZero) == std::string::npos)
            continue;
        // The name as it can be shown: its line breaks and zero bytes as blanks.
        std::string shown = name;
        std::replace_if(shown.begin(), shown.end(), [&](char c) { return lineBreaksAndZero.find(c) != std::string_view::npos; }, ' ');
        return shown;
    }
    return std::nullopt;
}

namespace {

std::string_view TrimmedValue(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::optional<std::size_t> DeclaredBodyLength(std::string_view responseHeaders)
{
    std::optional<std::size_t> length;
    bool lengthValid = true;
    while (!responseHeaders.empty()) {
        const std::size_t lineEnd = responseHeaders.find('\n');
        const std::string_view line = responseHeaders.substr(0, lineEnd);
        responseHeaders.remove_prefix(lineEnd == std::string_view::npos ? responseHeaders.size() : lineEnd + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon), value = TrimmedValue(line.substr(colon + 1));
        if (SameNameIgnoringCase(name, "Content-Encoding") && !SameNameIgnoringCase(value, "identity"))
            return std::nullopt;
        if (SameNameIgnoringCase(name, "Content-Length")) {
            std::size_t number = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
            lengthValid = lengthValid && !value.empty() && error == std::errc{} && end == value.data() + value.size();
            length = number;
        }
    }
    return lengthValid ? length : std::nullopt;
}
