#include "webservice/HttpRequest.h"

#include "addin/RegistryKey.h"
#include "framework/text.h"
#include "framework/wait_cursor.h"
#include "host/dynamic_dispatch.h"
#include "webservice/Cypher.h"
#include "webservice/Signing.h"
#include "webservice/SigningText.h"

#include <urlmon.h>

namespace {

// IXMLHTTPRequest's dispatch ids as MSXML publishes them.
enum XmlHttpDispatchId : DISPID {
    idOpen = 1,
    idSetRequestHeader = 2,
    idGetResponseHeader = 3,
    idGetAllResponseHeaders = 4,
    idSend = 5,
    idAbort = 6,
    idStatus = 7,
    idStatusText = 8,
    idResponseXML = 9,
    idResponseText = 10,
    idResponseBody = 11,
    idResponseStream = 12,
    idReadyState = 13,
    idOnreadystatechange = 14,
};

const char xmlHttpProgId[] = "Msxml2.XMLHTTP";
const char noRecordsAnswer[] = "no_records_found";
const char noRecordsMessage[] = "No Records Found";

} // namespace

void IXMLHTTPRequest::open(const std::string& method, const std::string& url, const VARIANT& async,
                           const VARIANT& user, const VARIANT& password)
{
    InvokeHelper(idOpen, DISPATCH_METHOD, method, url, async, user, password);
}

void IXMLHTTPRequest::setRequestHeader(const std::string& name, const std::string& value)
{
    InvokeHelper(idSetRequestHeader, DISPATCH_METHOD, name, value);
}

std::string IXMLHTTPRequest::getResponseHeader(const std::string& name)
{
    return InvokeHelper<std::string>(idGetResponseHeader, DISPATCH_METHOD, name);
}

std::string IXMLHTTPRequest::getAllResponseHeaders()
{
    return InvokeHelper<std::string>(idGetAllResponseHeaders, DISPATCH_METHOD);
}

void IXMLHTTPRequest::send(const VARIANT& body) { InvokeHelper(idSend, DISPATCH_METHOD, body); }

void IXMLHTTPRequest::abort() { InvokeHelper(idAbort, DISPATCH_METHOD); }

long IXMLHTTPRequest::GetStatus() { return GetProperty<long>(idStatus); }

std::string IXMLHTTPRequest::GetStatusText() { return GetProperty<std::string>(idStatusText); }

IDispatch* IXMLHTTPRequest::GetResponseXML() { return GetProperty<IDispatch*>(idResponseXML); }

std::string IXMLHTTPRequest::GetResponseText() { return GetProperty<std::string>(idResponseText); }

fw::unique_variant IXMLHTTPRequest::GetResponseBody() { return GetProperty<fw::unique_variant>(idResponseBody); }

fw::unique_variant IXMLHTTPRequest::GetResponseStream() { return GetProperty<fw::unique_variant>(idResponseStream); }

long IXMLHTTPRequest::GetReadyState() { return GetProperty<long>(idReadyState); }

void IXMLHTTPRequest::SetOnreadystatechange(IDispatch* handler) { SetProperty(idOnreadystatechange, handler); }

int SendHttpRequest(std::string host, std::string method, std::string target, const HeaderMap& headers,
                    std::string body, std::string& response, int& status)
{
    CWaitCursor wait;
    // Header text comes from the configuration, the user and computed values; a line break in it would add
    // header lines of its own on the wire. Refused like a header the request object itself refuses.
    if (auto unsafe = UnsafeHeaderName(headers))
        throw COleDispatchException("The request header \"" + *unsafe + "\" holds a line break or a zero byte", 0,
                                    E_INVALIDARG);
    IXMLHTTPRequest request; // released on every way out
    if (!request.CreateDispatch(xmlHttpProgId))
        throw static_cast<DWORD>(GetLastError());

    const std::string url = host + target; // nothing inserted: the configuration gives both halves
    const fw::unique_variant synchronous = fw::MakeVariant(false);
    const fw::unique_variant missing = fw::unique_variant::adopt(VariantFrom());
    request.open(method, url, *synchronous, *missing, *missing);
    for (const auto& [name, value] : headers)
        request.setRequestHeader(name, value);
    // Text ends at the body's first zero byte, as everywhere the body is handled.
    const fw::unique_variant text = fw::unique_variant::adopt(VariantFrom(body));
    request.send(*text);

    // The out arguments change only once the whole answer is in.
    const int answerStatus = static_cast<int>(request.GetStatus());
    if (answerStatus != 200) {
        response = request.GetStatusText();
        status = answerStatus;
        return 0;
    }
    const fw::unique_variant bodyBytes = request.GetResponseBody();
    std::string answer = VariantToString(*bodyBytes);
    // A connection lost part-way through the body is a failed download. Windows reports it from send; Wine
    // returns the bytes that arrived as if they were all, which the declared length shows up.
    if (auto declared = DeclaredBodyLength(request.getAllResponseHeaders()); declared && answer.size() < *declared)
        throw COleDispatchException("The answer ended after " + std::to_string(answer.size()) + " of " +
                                        std::to_string(*declared) + " bytes",
                                    0, INET_E_DOWNLOAD_FAILURE);
    status = answerStatus;
    if (answer == noRecordsAnswer) {
        response = noRecordsMessage;
        return 0;
    }
    response = std::move(answer);
    return 1;
}

std::string LoadHeaders(const basic_RegistryKey& key, const std::string& method)
{
    std::string stored;
    if (key.QueryValue(method + "Headers", stored) != ERROR_SUCCESS)
        return {};
    return cypher.Decrypt(stored);
}

HeaderMap SetupHeaders(const basic_RegistryKey& key, const std::string& method, const std::string& body,
                       const std::string& proxy)
{
    const std::string list = LoadHeaders(key, method);
    if (list.empty())
        return {{defaultHeaderName, defaultHeaderValue}};
    return BuildHeaderMap(list, [&](const std::string& value, const HeaderMap& earlier) {
        return GenerateDynamicContent(value, body, earlier, proxy);
    });
}

bool RequiresURLEncoding(const basic_RegistryKey& key, const std::string& method)
{
    return ListRequiresURLEncoding(LoadHeaders(key, method));
}

std::string GenerateDynamicContent(const std::string& value, const std::string& body, const HeaderMap& headers,
                                   const std::string& proxy)
{
    switch (ClassifyDynamicContent(value)) {
    case DynamicContent::UUID:
        return GenerateUUID();
    case DynamicContent::Signature:
        return GenerateSignature(std::string(signing::StripDynamicBrackets(value)), body, headers);
    case DynamicContent::ProxyURL:
        return proxy;
    case DynamicContent::Empty:
        break;
    }
    return {};
}

std::string TextBodyOnTheWire(const std::string& body)
{
    return fw::ToUtf8(fw::Widen(std::string_view(body.c_str())));
}
