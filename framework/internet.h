// Thin owners of WinInet handles in the shape the downloader needs: a session, an HTTP connection and an
// internet file (an opened URL or an HTTP request), with failures thrown as CInternetException.
//
// The session runs in WinInet's asynchronous mode. A call that WinInet completes later is waited for here,
// on its completion or on the session's stop event, so Stop() from another thread ends any wait at once.
// This matters under Wine, where a blocked synchronous read is not woken by closing its handles.
//
// WinInet calls back with each handle's context until it reports the handle closed, and under Wine that
// can be long after the handle was closed (a read pending on a stalled server completes only when the
// server sends or goes). So the context, and every buffer WinInet may still write, lives in a counted
// record that WinInet's reference keeps alive until its last callback; while any such record is held the
// module refuses to unload.
#pragma once

#include "framework/handle.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CInternetSession;

// A failed WinInet call: its Windows error code (ERROR_INTERNET_*), or ERROR_INTERNET_OPERATION_CANCELLED
// when the session was stopped.
class CInternetException {
public:
    explicit CInternetException(DWORD error) noexcept : m_dwError(error) {}
    DWORD m_dwError;
};

namespace fw {

class InternetCallbackContext;

// One reference on a callback context, released on every way out.
class InternetContextRef {
public:
    InternetContextRef() noexcept = default;
    explicit InternetContextRef(InternetCallbackContext* context) noexcept : m_context(context) {}
    InternetContextRef(InternetContextRef&& other) noexcept;
    InternetContextRef& operator=(InternetContextRef&& other) noexcept;
    InternetContextRef(const InternetContextRef&) = delete;
    InternetContextRef& operator=(const InternetContextRef&) = delete;
    ~InternetContextRef();
    InternetCallbackContext* get() const noexcept { return m_context; }
    InternetCallbackContext* operator->() const noexcept { return m_context; }

private:
    InternetCallbackContext* m_context = nullptr;
};

// Callback contexts that WinInet has not yet let go of (for tests: none may remain once the servers a
// process talked to have finished).
long OutstandingInternetContexts() noexcept;

} // namespace fw

// One WinInet handle below a session (a connection or a request). Closing it cancels what is pending on it.
class CInternetHandle {
public:
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    virtual ~CInternetHandle() { Close(); }

    HINTERNET Handle() const noexcept { return m_handle; }
    void Close() noexcept;

protected:
    CInternetHandle(CInternetSession& session, HINTERNET handle, fw::InternetContextRef context) noexcept
        : m_session(session), m_handle(handle), m_context(std::move(context)) {}

    CInternetSession& m_session;
    HINTERNET m_handle;
    fw::InternetContextRef m_context;
};

// An opened URL or an HTTP request.
class CHttpFile final : public CInternetHandle {
public:
    // The next bytes of the body, at most `most`: a view valid until the next Read, empty only at the end.
    // When the read must wait for data longer than `patience` milliseconds, `idle` is called once first
    // (a caller that reports progress now and then reports what it holds back).
    std::string_view Read(DWORD most, const std::function<void()>& idle = {}, DWORD patience = 0);
    // Request headers, CR LF separated (HttpAddRequestHeaders); false when WinInet refuses them (an empty
    // text, a line that is not a header).
    bool AddRequestHeaders(const std::string& headers, DWORD flags);
    // Sends the request with the body and no further headers.
    void SendRequest(std::string_view body);
    // The response's Content-Length (its leading digits), or nothing when it has none or it does not start
    // with a digit, or when the body comes in chunks: those delimit it, and a Content-Length beside them
    // means nothing.
    std::optional<std::uint64_t> ContentLength() const;
    // The response's status code, or 0 when there is none.
    DWORD StatusCode() const;

private:
    friend class CInternetSession;
    friend class CHttpConnection;
    using CInternetHandle::CInternetHandle;
};

class CHttpConnection final : public CInternetHandle {
public:
    // The context is the caller's tag; WinInet is handed a context of the session's own.
    std::unique_ptr<CHttpFile> OpenRequest(const char* verb, const std::string& objectName, const char* referrer,
                                           DWORD_PTR context, const char** acceptTypes, const char* version,
                                           DWORD flags);

private:
    friend class CInternetSession;
    using CInternetHandle::CInternetHandle;
};

class CInternetSession {
public:
    // Keeps the settings and opens the session (asynchronous mode is added to the flags); a session that
    // cannot be opened is tried again by the next call, which throws if it fails again.
    explicit CInternetSession(const char* agent = nullptr, DWORD_PTR context = 1,
                              DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG, const char* proxyName = nullptr,
                              const char* proxyBypass = nullptr, DWORD flags = 0);
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // The context is the caller's tag; WinInet is handed a context of the session's own.
    std::unique_ptr<CHttpFile> OpenURL(const std::string& url, DWORD_PTR context, DWORD flags,
                                       const char* headers = nullptr, DWORD headersLength = 0);
    std::unique_ptr<CHttpConnection> GetHttpConnection(const std::string& server, DWORD flags,
                                                       INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER,
                                                       const char* userName = nullptr, const char* password = nullptr);

    // Closes the session handle and with it every handle below it; the next call opens it again.
    void Close() noexcept;
    // Ends every wait of this session now and makes later calls fail with
    // ERROR_INTERNET_OPERATION_CANCELLED, until Restart. Safe from any thread.
    void Stop() noexcept { SetEvent(m_stopEvent.get()); }
    void Restart() noexcept { ResetEvent(m_stopEvent.get()); }
    bool IsStopped() const noexcept { return WaitForSingleObject(m_stopEvent.get(), 0) == WAIT_OBJECT_0; }

private:
    friend class CHttpFile;
    friend class CHttpConnection;
    HINTERNET Session();
    // Throws with ERROR_INTERNET_OPERATION_CANCELLED once stopped.
    void ThrowIfStopped() const;
    // Waits for the completion of the call pending on the context; its result, or a CInternetException
    // with WinInet's error, or with ERROR_INTERNET_OPERATION_CANCELLED when stopped first.
    DWORD_PTR WaitForCompletion(fw::InternetCallbackContext& context) const;
    // The same; when nothing has completed within `patience` milliseconds, calls `idle` once first.
    DWORD_PTR WaitForCompletion(fw::InternetCallbackContext& context, DWORD patience,
                                const std::function<void()>& idle) const;
    // A new context with one reference for the caller and one for WinInet.
    static fw::InternetContextRef NewContext();

    std::string m_agent;
    DWORD m_accessType;
    std::string m_proxyName;
    std::string m_proxyBypass;
    DWORD m_flags;
    HINTERNET m_session = nullptr;
    fw::unique_kernel_handle m_stopEvent; // manual reset
};
