// The structure search's HTTP requests, made synchronously through MSXML's Msxml2.XMLHTTP object, and the
// request headers built from the item's stored header list (HeaderList.h for the text rules).
#pragma once

#include "framework/dispatch_driver.h"
#include "webservice/HeaderList.h"

#include <string>

class basic_RegistryKey;

// MSXML's request object, called through IDispatch by the published dispatch ids of IXMLHTTPRequest.
// Owns its object. Text goes in and comes out narrow (system code page).
class IXMLHTTPRequest : public COleDispatchDriver {
public:
    void open(const std::string& method, const std::string& url, const VARIANT& async, const VARIANT& user,
              const VARIANT& password);
    void setRequestHeader(const std::string& name, const std::string& value);
    std::string getResponseHeader(const std::string& name);
    std::string getAllResponseHeaders();
    void send(const VARIANT& body);
    void abort();
    long GetStatus();
    std::string GetStatusText();
    IDispatch* GetResponseXML(); // one reference for the caller
    std::string GetResponseText();
    fw::unique_variant GetResponseBody();
    fw::unique_variant GetResponseStream();
    long GetReadyState();
    void SetOnreadystatechange(IDispatch* handler);
};

// Sends body to host + target (joined as they are) with the headers in map order. Returns 1 when the status
// is 200, with the answer's bytes in response; 0 otherwise, with the status text in response, or "No Records
// Found" when the service answered exactly "no_records_found". Transport errors throw the automation
// exception MSXML raised; a request object that cannot be made throws its creation error (DWORD). A header
// whose name or value holds CR, LF or a zero byte is refused before anything is sent (COleDispatchException,
// E_INVALIDARG).
int SendHttpRequest(std::string host, std::string method, std::string target, const HeaderMap& headers,
                    std::string body, std::string& response, int& status);

// The deciphered header list stored as method + "Headers" in the item's key; empty when there is none.
// A stored value that does not decipher throws the cipher's error.
std::string LoadHeaders(const basic_RegistryKey& key, const std::string& method);

// The headers of a request: the item's list with computed values, or only the default content type when the
// item has no list for the method.
HeaderMap SetupHeaders(const basic_RegistryKey& key, const std::string& method, const std::string& body,
                       const std::string& proxy);

// Whether the caller must URL-encode the structure it puts into the body (ListRequiresURLEncoding).
bool RequiresURLEncoding(const basic_RegistryKey& key, const std::string& method);

// The value of a dynamic header: a fresh UUID, a signature over the body and the headers configured before
// it, the proxy address, or the empty text for anything else.
std::string GenerateDynamicContent(const std::string& value, const std::string& body, const HeaderMap& headers,
                                   const std::string& proxy);

// The bytes SendHttpRequest puts on the wire for a body: MSXML sends text as UTF-8, so this is the narrow body,
// up to its first zero byte, in UTF-8. A signature over the body must cover these bytes.
std::string TextBodyOnTheWire(const std::string& body);
