// Thin owners of WinInet handles in the shape the downloader needs: a session, an HTTP connection and an
// internet file (an opened URL or an HTTP request), with failures thrown as CInternetException.
//
// The session runs in WinInet's asynchronous mode. A call that WinInet completes later is waited for here,
// on its completion or on the session's stop event, so Stop() from another thread ends any wait at once.
// This matters under Wine, where a blocked synchronous read is not woken by closing its handles; in
// asynchronous mode closing them cancels the pending call on Windows and Wine alike.
//
// WinInet calls back with the context of each handle until it reports the handle closed; that context is a
// small counted record owned jointly by the owner object and WinInet, so a late callback never touches
// freed memory, and Close() waits (bounded) until WinInet has let go of every handle of the session.
#pragma once

#include "framework/handle.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class CInternetSession;

// A failed WinInet call: its Windows error code (ERROR_INTERNET_*, or ERROR_INTERNET_OPERATION_CANCELLED
// when the session was stopped).
class CInternetException {
public:
    explicit CInternetException(DWORD error) noexcept : m_dwError(error) {}
    DWORD m_dwError;
};

namespace fw {

// The context WinInet hands back for one handle: its completion, and whether WinInet still holds it.
class InternetCallbackContext;

// Holds one reference on a context and releases it on every way out.
class InternetContextRef {
public:
    InternetContextRef() noexcept = default;
    explicit InternetContextRef(InternetCallbackContext* context) noexcept : m_context(context) {}
    InternetContextRef(InternetContextRef&& other) noexcept : m_context(std::exchange(other.m_context, nullptr)) {}
    InternetContextRef& operator=(InternetContextRef&& other) noexcept;
    ~InternetContextRef();
    InternetCallbackContext* get() const noexcept { return m_context; }

private:
    InternetCallbackContext* m_context = nullptr;
};

} // namespace fw

// One WinInet handle below a session (a connection or a request) with its callback context. Closing the
// handle cancels what is pending on it.
class CInternetHandle {
public:
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    virtual ~CInternetHandle();

    HINTERNET Handle() const noexcept { return m_handle; }
    void Close() noexcept;

protected:
    CInternetHandle(CInternetSession& session, HINTERNET handle, fw::InternetContextRef context) noexcept;

    CInternetSession& m_session;
    HINTERNET m_handle;
    fw::InternetContextRef m_context;
};

// An opened URL or an HTTP request: reading, and for requests the headers and sending.
class CHttpFile final : public CInternetHandle {
public:
    // Up to `size` bytes; 0 only at the end of the body.
    DWORD Read(void* buffer, DWORD size);
    void AddRequestHeaders(const std::string& headers, DWORD flags);
    void SendRequest(const char* headers, DWORD headersLength, const void* body, DWORD bodyLength);
    // The value of a response header (HTTP_QUERY_*), or nothing when the response has none.
    std::optional<std::string> QueryInfo(DWORD query) const;
    // The Content-Length of the response, or nothing when it has none (or one that is not a number).
    std::optional<std::uint64_t> ContentLength() const;

private:
    friend class CInternetSession;
    friend class CHttpConnection;
    using CInternetHandle::CInternetHandle;
};

class CHttpConnection final : public CInternetHandle {
public:
    std::unique_ptr<CHttpFile> OpenRequest(const char* verb, const std::string& objectName, const char* referrer,
                                           DWORD_PTR context, const char** acceptTypes, const char* version,
                                           DWORD flags);

private:
    friend class CInternetSession;
    using CInternetHandle::CInternetHandle;
};

class CInternetSession {
public:
    // Opens the session (asynchronous mode is added to the flags). A session that cannot be opened makes
    // every later call throw.
    explicit CInternetSession(const char* agent = nullptr, DWORD_PTR context = 1,
                              DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG, const char* proxyName = nullptr,
                              const char* proxyBypass = nullptr, DWORD flags = 0);
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // The context is the caller's tag; WinInet is handed a context record of the session's own.
    std::unique_ptr<CHttpFile> OpenURL(const std::string& url, DWORD_PTR context, DWORD flags,
                                       const char* headers = nullptr, DWORD headersLength = 0);
    std::unique_ptr<CHttpConnection> GetHttpConnection(const std::string& server, DWORD flags,
                                                       INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER,
                                                       const char* userName = nullptr, const char* password = nullptr);

    // Closes the session handle (and with it every handle below it) and waits, bounded, until WinInet has
    // let go of them. The next call opens the session again.
    void Close() noexcept;
    // Ends every wait of this session now and makes later calls fail with
    // ERROR_INTERNET_OPERATION_CANCELLED, until Restart. Safe from any thread.
    void Stop() noexcept;
    void Restart() noexcept;
    bool IsStopped() const noexcept;

    // Waits for the pending call of a handle: its result, or a CInternetException with WinInet's error or
    // ERROR_INTERNET_OPERATION_CANCELLED once stopped.
    DWORD_PTR WaitForCompletion(fw::InternetCallbackContext& context);
    fw::InternetContextRef NewContext();

private:
    HINTERNET Open();

    std::string m_agent;
    DWORD m_accessType;
    std::string m_proxyName;
    std::string m_proxyBypass;
    DWORD m_flags;
    HINTERNET m_session = nullptr;
    fw::unique_kernel_handle m_stopEvent;
    // Contexts WinInet still holds; Close waits for this to fall to zero.
    std::shared_ptr<std::atomic<long>> m_outstanding;
};
