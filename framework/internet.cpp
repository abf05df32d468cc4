#include "framework/internet.h"

#include "framework/module.h"

#include <shlwapi.h>

#include <atomic>
#include <charconv>
#include <vector>

namespace fw {

namespace {
std::atomic<long> gOutstanding{0};
}

// What WinInet hands back to the status callback for one handle, and what it may still write after the
// owner has gone: the completion of the pending call, and the buffers of reads and of a sent body.
class InternetCallbackContext {
public:
    InternetCallbackContext() : m_completed(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
        if (!m_completed)
            throw CInternetException(GetLastError());
        ++gOutstanding;
        Module().Lock();
    }
    ~InternetCallbackContext()
    {
        Module().Unlock();
        --gOutstanding;
    }

    void AddRef() noexcept { ++m_refs; }
    void Release() noexcept
    {
        if (--m_refs == 0)
            delete this;
    }

    // Called by WinInet on one of its threads.
    void Complete(const INTERNET_ASYNC_RESULT& result) noexcept
    {
        m_result = result.dwResult;
        m_error = result.dwError;
        int opening = kOpening;
        if (!m_open.compare_exchange_strong(opening, kOpened) && opening == kOpenAbandoned && result.dwResult)
            CloseOpened(reinterpret_cast<HINTERNET>(result.dwResult)); // the caller has gone: no one else will
        SetEvent(m_completed.get());
    }

    // An open that completes later hands over its handle either to its caller or, once the caller has given
    // up waiting, to the callback, which closes it: each handle is closed exactly once.
    void StartOpening() noexcept { m_open = kOpening; }
    void AbandonOpening() noexcept
    {
        int opening = kOpening;
        if (!m_open.compare_exchange_strong(opening, kOpenAbandoned) && opening == kOpened && m_result)
            CloseOpened(reinterpret_cast<HINTERNET>(m_result));
    }

    // The handle WinInet reports closing is this context's own only if it is the handle the context was
    // made for: WinInet may hand the context to handles of its own making too (the connection below an
    // opened URL), and only the last callback of our handle may free the context.
    void Created(HINTERNET handle) noexcept
    {
        HINTERNET none = nullptr;
        m_handle.compare_exchange_strong(none, handle);
    }
    bool IsOwnHandle(HINTERNET handle) const noexcept { return handle && m_handle.load() == handle; }

    HANDLE Completed() const noexcept { return m_completed.get(); }
    DWORD_PTR Result() const noexcept { return m_result; }
    DWORD Error() const noexcept { return m_error; }

    std::vector<char> buffer;  // what a read fills
    INTERNET_BUFFERSA read {}; // the read's description, which WinInet fills in
    DWORD bytesAvailable = 0;
    std::string body;          // a request body being sent

private:
    enum : int { kNotOpening, kOpening, kOpened, kOpenAbandoned };

    void CloseOpened(HINTERNET handle) noexcept
    {
        Created(handle);
        InternetCloseHandle(handle);
    }

    std::atomic<int> m_open{kNotOpening};
    std::atomic<long> m_refs{1};
    std::atomic<HINTERNET> m_handle{nullptr};
    unique_kernel_handle m_completed; // auto reset
    DWORD_PTR m_result = 0;
    DWORD m_error = 0;
};

InternetContextRef::InternetContextRef(InternetContextRef&& other) noexcept
    : m_context(std::exchange(other.m_context, nullptr))
{
}

InternetContextRef& InternetContextRef::operator=(InternetContextRef&& other) noexcept
{
    if (this != &other) {
        if (m_context)
            m_context->Release();
        m_context = std::exchange(other.m_context, nullptr);
    }
    return *this;
}

InternetContextRef::~InternetContextRef()
{
    if (m_context)
        m_context->Release();
}

long OutstandingInternetContexts() noexcept { return gOutstanding.load(); }

} // namespace fw

namespace {

using fw::InternetCallbackContext;

// The session's callback, on WinInet's threads. The session handle itself has no context.
void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* information, DWORD) noexcept
{
    auto* record = reinterpret_cast<InternetCallbackContext*>(context);
    if (!record)
        return;
    if (status == INTERNET_STATUS_HANDLE_CREATED && information)
        record->Created(reinterpret_cast<HINTERNET>(static_cast<const INTERNET_ASYNC_RESULT*>(information)->dwResult));
    else if (status == INTERNET_STATUS_REQUEST_COMPLETE && information)
        record->Complete(*static_cast<const INTERNET_ASYNC_RESULT*>(information));
    else if (status == INTERNET_STATUS_HANDLE_CLOSING && record->IsOwnHandle(handle))
        record->Release(); // WinInet's reference: no callback for this handle follows
}

// A call that did not create its handle gives WinInet's reference back: no callback will come for it.
[[noreturn]] void ThrowCreationFailure(InternetCallbackContext& context, DWORD error)
{
    context.Release();
    throw CInternetException(error);
}

constexpr std::size_t kReadBuffer = 64 * 1024;

} // namespace

void CInternetHandle::Close() noexcept
{
    if (m_handle)
        InternetCloseHandle(std::exchange(m_handle, nullptr));
}

std::string_view CHttpFile::Read(DWORD most, const std::function<void()>& idle, DWORD patience)
{
    const auto wait = [&](InternetCallbackContext& pending) {
        if (idle)
            m_session.WaitForCompletion(pending, patience, idle);
        else
            m_session.WaitForCompletion(pending);
    };
    InternetCallbackContext& context = *m_context.get();
    if (context.buffer.empty())
        context.buffer.resize(kReadBuffer);
    most = std::min<DWORD>(most, static_cast<DWORD>(context.buffer.size()));
    for (;;) {
        // Take what has arrived, up to `most`, without waiting: a plain read would wait to fill its whole
        // buffer, and asking first how much has arrived gives only WinInet's small internal buffer at a time.
        context.read = INTERNET_BUFFERSA {};
        context.read.dwStructSize = sizeof context.read;
        context.read.lpvBuffer = context.buffer.data();
        context.read.dwBufferLength = most;
        if (InternetReadFileExA(m_handle, &context.read, IRF_NO_WAIT, reinterpret_cast<DWORD_PTR>(&context))) {
            if (context.read.dwBufferLength > 0)
                return std::string_view(context.buffer.data(), context.read.dwBufferLength);
            // Nothing yet: wait until something arrives, or the body ends (nothing available then).
            while (!InternetQueryDataAvailable(m_handle, &context.bytesAvailable, 0, 0)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    throw CInternetException(GetLastError());
                wait(context);
            }
            if (context.bytesAvailable == 0)
                return {};
        } else {
            if (GetLastError() != ERROR_IO_PENDING)
                throw CInternetException(GetLastError());
            // A read without waiting that completes later only says that data has come: it fills nothing
            // (its length still reads as the buffer's), so the next turn reads again.
            wait(context);
        }
    }
}

bool CHttpFile::AddRequestHeaders(const std::string& headers, DWORD flags)
{
    return HttpAddRequestHeadersA(m_handle, headers.c_str(), static_cast<DWORD>(-1), flags) != FALSE;
}

void CHttpFile::SendRequest(std::string_view body)
{
    m_session.ThrowIfStopped();
    InternetCallbackContext& context = *m_context.get();
    context.body = body;
    if (!HttpSendRequestA(m_handle, nullptr, 0, context.body.data(), static_cast<DWORD>(context.body.size()))) {
        if (GetLastError() != ERROR_IO_PENDING)
            throw CInternetException(GetLastError());
        m_session.WaitForCompletion(context);
    }
}

std::optional<std::uint64_t> CHttpFile::ContentLength() const
{
    char coding[64] = {};
    DWORD codingSize = sizeof coding - 1;
    if (HttpQueryInfoA(m_handle, HTTP_QUERY_TRANSFER_ENCODING, coding, &codingSize, nullptr) &&
        StrStrIA(coding, "chunked"))
        return std::nullopt;
    char text[256] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(m_handle, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return std::nullopt;
    // Its leading digits: "5000x", or "5000, 5000" from two headers joined, still say where the body ends.
    // A number beyond any body's length can never be reached.
    std::uint64_t length = 0;
    auto [end, error] = std::from_chars(text, text + size, length);
    if (error == std::errc::result_out_of_range)
        return UINT64_MAX;
    if (error != std::errc())
        return std::nullopt;
    return length;
}

DWORD CHttpFile::StatusCode() const
{
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(m_handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status;
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(const char* verb, const std::string& objectName,
                                                        const char* referrer, DWORD_PTR, const char** acceptTypes,
                                                        const char* version, DWORD flags)
{
    m_session.ThrowIfStopped();
    fw::InternetContextRef context = CInternetSession::NewContext();
    HINTERNET request = HttpOpenRequestA(m_handle, verb, objectName.c_str(), version, referrer, acceptTypes, flags,
                                         reinterpret_cast<DWORD_PTR>(context.get()));
    if (!request)
        ThrowCreationFailure(*context.get(), GetLastError());
    context->Created(request);
    return std::unique_ptr<CHttpFile>(new CHttpFile(m_session, request, std::move(context)));
}

CInternetSession::CInternetSession(const char* agent, DWORD_PTR, DWORD accessType, const char* proxyName,
                                   const char* proxyBypass, DWORD flags)
    : m_agent(agent ? agent : ""), m_accessType(accessType), m_proxyName(proxyName ? proxyName : ""),
      m_proxyBypass(proxyBypass ? proxyBypass : ""), m_flags(flags | INTERNET_FLAG_ASYNC),
      m_stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    m_session = InternetOpenA(agent, accessType, proxyName, proxyBypass, m_flags);
    if (m_session)
        InternetSetStatusCallbackA(m_session, StatusCallback);
}

CInternetSession::~CInternetSession() { Close(); }

void CInternetSession::Close() noexcept
{
    if (m_session)
        InternetCloseHandle(std::exchange(m_session, nullptr));
}

HINTERNET CInternetSession::Session()
{
    ThrowIfStopped();
    if (!m_session) {
        m_session = InternetOpenA(m_agent.empty() ? nullptr : m_agent.c_str(), m_accessType,
                                  m_proxyName.empty() ? nullptr : m_proxyName.c_str(),
                                  m_proxyBypass.empty() ? nullptr : m_proxyBypass.c_str(), m_flags);
        if (!m_session)
            throw CInternetException(GetLastError());
        InternetSetStatusCallbackA(m_session, StatusCallback);
    }
    return m_session;
}

void CInternetSession::ThrowIfStopped() const
{
    if (!m_stopEvent)
        throw CInternetException(ERROR_NOT_ENOUGH_MEMORY);
    if (IsStopped())
        throw CInternetException(ERROR_INTERNET_OPERATION_CANCELLED);
}

DWORD_PTR CInternetSession::WaitForCompletion(InternetCallbackContext& context) const
{
    return WaitForCompletion(context, INFINITE, {});
}

DWORD_PTR CInternetSession::WaitForCompletion(InternetCallbackContext& context, DWORD patience,
                                              const std::function<void()>& idle) const
{
    // The completion event resets itself when a wait takes it: one wait's outcome is read here, whichever
    // wait saw it.
    const HANDLE events[] = {context.Completed(), m_stopEvent.get()};
    DWORD outcome = WaitForMultipleObjects(2, events, FALSE, idle ? patience : INFINITE);
    if (outcome == WAIT_TIMEOUT) {
        idle();
        outcome = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    }
    switch (outcome) {
    case WAIT_OBJECT_0:
        if (!context.Result())
            throw CInternetException(context.Error());
        return context.Result();
    case WAIT_OBJECT_0 + 1:
        throw CInternetException(ERROR_INTERNET_OPERATION_CANCELLED);
    default:
        throw CInternetException(GetLastError());
    }
}

fw::InternetContextRef CInternetSession::NewContext()
{
    fw::InternetContextRef context(new InternetCallbackContext());
    context->AddRef(); // WinInet's, released by its last callback for the handle
    return context;
}

std::unique_ptr<CHttpFile> CInternetSession::OpenURL(const std::string& url, DWORD_PTR, DWORD flags,
                                                     const char* headers, DWORD headersLength)
{
    HINTERNET session = Session();
    fw::InternetContextRef context = NewContext();
    context->StartOpening();
    HINTERNET file = InternetOpenUrlA(session, url.c_str(), headers, headersLength, flags,
                                      reinterpret_cast<DWORD_PTR>(context.get()));
    if (!file) {
        if (GetLastError() != ERROR_IO_PENDING)
            ThrowCreationFailure(*context.get(), GetLastError());
        try {
            file = reinterpret_cast<HINTERNET>(WaitForCompletion(*context.get()));
        } catch (const CInternetException& failure) {
            if (failure.m_dwError == ERROR_INTERNET_OPERATION_CANCELLED)
                context->AbandonOpening();
            throw;
        }
    }
    context->Created(file);
    return std::unique_ptr<CHttpFile>(new CHttpFile(*this, file, std::move(context)));
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server, DWORD flags,
                                                                     INTERNET_PORT port, const char* userName,
                                                                     const char* password)
{
    HINTERNET session = Session();
    fw::InternetContextRef context = NewContext();
    HINTERNET connection = InternetConnectA(session, server.c_str(), port, userName, password, INTERNET_SERVICE_HTTP,
                                            flags, reinterpret_cast<DWORD_PTR>(context.get()));
    if (!connection)
        ThrowCreationFailure(*context.get(), GetLastError());
    context->Created(connection);
    return std::unique_ptr<CHttpConnection>(new CHttpConnection(*this, connection, std::move(context)));
}
