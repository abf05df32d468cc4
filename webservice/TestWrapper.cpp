#include "webservice/TestWrapper.h"

#include "framework/text.h"
#include "webservice/Signing.h"

std::wstring TestWrapper::GenerateSignature(const std::wstring& recipe, std::span<const std::uint8_t> body,
                                            const std::map<std::wstring, std::wstring>& headers) noexcept
try {
    std::string narrowBody(body.begin(), body.end());
    HeaderMap narrowHeaders;
    for (const auto& [name, value] : headers)
        narrowHeaders[fw::Narrow(name)] = fw::Narrow(value);
    return fw::Widen(::GenerateSignature(fw::Narrow(recipe), narrowBody, narrowHeaders));
} catch (...) {
    return {};
}
