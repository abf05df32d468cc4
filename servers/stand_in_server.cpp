#include "stand_in_server.h"

#include "signature.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace standin {
namespace {

// A request head longer than this is refused; bodies may be as large as the memory allows.
constexpr std::size_t kHeadLimit = 64 * 1024;
constexpr std::size_t kBodyLimit = std::size_t(1) << 30;
// A client that sends or reads nothing for this long is dropped, so every connection's thread ends.
constexpr int kSocketTimeoutSeconds = 5;

class unique_fd {
public:
    explicit unique_fd(int fd = -1) noexcept : m_fd(fd) {}
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;
    ~unique_fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const noexcept { return m_fd; }
    int release() noexcept { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool SendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Appends what the connection has to `buffer`; false at its end, on an error or after the time-out.
bool ReceiveMore(int fd, std::string& buffer)
{
    char chunk[16384];
    ssize_t received = ::recv(fd, chunk, sizeof chunk, 0);
    if (received <= 0)
        return false;
    buffer.append(chunk, static_cast<std::size_t>(received));
    return true;
}

std::string Reply(int status, std::string_view reason, std::string_view text)
{
    std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    reply += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(text.size()) + "\r\n";
    reply += "Connection: close\r\n\r\n";
    reply += text;
    return reply;
}

std::string_view ReasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Content Too Large";
    case 501: return "Not Implemented";
    default: return "Error";
    }
}

const std::string* HeaderValue(const RequestHead& head, std::string_view name)
{
    for (const auto& [headerName, value] : head.headers)
        if (EqualIgnoringCase(headerName, name))
            return &value;
    return nullptr;
}

// The body as framed for the answer: as it is, or in chunks of chunkSize (hexadecimal size, CR LF, bytes,
// CR LF) ending in the last, empty chunk. A cut after `cutAfter` body bytes may end inside a chunk; a cut
// body never has its last chunk.
std::string FramedBody(std::string_view body, std::size_t chunkSize, std::optional<std::size_t> cutAfter)
{
    if (chunkSize == 0)
        return std::string(cutAfter ? body.substr(0, *cutAfter) : body);
    std::string framed;
    std::size_t budget = cutAfter.value_or(body.size());
    for (std::size_t at = 0; at < body.size() && (budget > 0 || !cutAfter); at += chunkSize) {
        std::string_view piece = body.substr(at, chunkSize);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        framed += size;
        framed += piece.substr(0, budget);
        if (piece.size() > budget)
            return framed;
        budget -= piece.size();
        framed += "\r\n";
    }
    if (!cutAfter)
        framed += "0\r\n\r\n";
    return framed;
}

// The number in the named header, nothing without one; a malformed number (or one above max) clears `valid`.
std::optional<std::size_t> HeaderNumber(const std::vector<std::pair<std::string, std::string>>& headers,
                                        std::string_view name, std::size_t max, bool& valid)
{
    for (const auto& [headerName, value] : headers)
        if (EqualIgnoringCase(headerName, name)) {
            auto number = ParseDecimal(TrimBlanks(value), max);
            valid = valid && number.has_value();
            return number;
        }
    return std::nullopt;
}

} // namespace

std::optional<Answer> AnswerFromControl(const std::vector<std::pair<std::string, std::string>>& headers,
                                        std::string body)
{
    Answer answer;
    bool valid = true;
    answer.status = static_cast<int>(HeaderNumber(headers, kAnswerStatus, 999, valid).value_or(200));
    answer.delayMs = static_cast<int>(HeaderNumber(headers, kAnswerDelay, 600'000, valid).value_or(0));
    answer.trickleMs = static_cast<int>(HeaderNumber(headers, kAnswerTrickle, 60'000, valid).value_or(0));
    answer.resetAfter = HeaderNumber(headers, kAnswerResetAfter, body.size(), valid);
    answer.closeAfter = HeaderNumber(headers, kAnswerCloseAfter, body.size(), valid);
    answer.chunkSize = HeaderNumber(headers, kAnswerChunked, kBodyLimit, valid).value_or(0);
    for (const auto& [name, value] : headers) {
        if (EqualIgnoringCase(name, kAnswerReason)) {
            answer.reason = value;
        } else if (EqualIgnoringCase(name, kAnswerContentType)) {
            answer.contentType = value;
        } else if (EqualIgnoringCase(name, kAnswerHeader)) {
            std::size_t colon = value.find(':');
            if (colon == std::string::npos || colon == 0)
                return std::nullopt;
            answer.headers.emplace_back(value.substr(0, colon), TrimBlanks(std::string_view(value).substr(colon + 1)));
        }
    }
    if (!valid || answer.status < 100)
        return std::nullopt;
    answer.body = std::move(body);
    return answer;
}

StandInServer::~StandInServer() { Stop(); }

int StandInServer::Start(int port)
{
    unique_fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.get() < 0)
        return 0;
    int reuse = 1;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), SOMAXCONN) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        ::pipe2(m_wakeUp, O_CLOEXEC) != 0)
        return 0;
    m_listener = listener.release();
    m_listening = std::thread([this] { Listen(); });
    return ntohs(address.sin_port);
}

void StandInServer::RequestStop()
{
    std::lock_guard lock(m_mutex);
    if (!m_stopping.exchange(true) && m_wakeUp[1] >= 0)
        (void)!::write(m_wakeUp[1], "x", 1);
    m_stopped.notify_all();
}

void StandInServer::Stop()
{
    RequestStop();
    if (m_listening.joinable())
        m_listening.join();
    std::unique_lock lock(m_mutex);
    m_stopped.wait(lock, [this] { return m_connections == 0; });
    for (int* fd : {&m_listener, &m_wakeUp[0], &m_wakeUp[1]})
        if (*fd >= 0)
            ::close(std::exchange(*fd, -1));
}

bool StandInServer::WaitForStop(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_stopped.wait_for(lock, limit, [this] { return m_stopping.load(); });
}

void StandInServer::Listen()
{
    for (;;) {
        pollfd waits[2] = {{m_listener, POLLIN, 0}, {m_wakeUp[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR)
            return;
        if (m_stopping)
            return;
        if (!(waits[0].revents & POLLIN))
            continue;
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        timeval timeout {kSocketTimeoutSeconds, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        {
            std::lock_guard lock(m_mutex);
            ++m_connections;
        }
        std::thread([this, connection] {
            Serve(connection);
            std::lock_guard lock(m_mutex);
            --m_connections;
            m_stopped.notify_all();
        }).detach();
    }
}

void StandInServer::Serve(int connectionFd)
{
    unique_fd connection(connectionFd);
    std::string received;
    std::size_t headEnd;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (received.size() > kHeadLimit || !ReceiveMore(connection.get(), received))
            return;
    }
    auto head = ParseRequestHead(std::string_view(received).substr(0, headEnd));
    if (!head) {
        SendAll(connection.get(), Reply(400, ReasonOf(400), "malformed request\n"));
        return;
    }
    if (HeaderValue(*head, "Transfer-Encoding")) {
        SendAll(connection.get(), Reply(501, ReasonOf(501), "request bodies must have a Content-Length\n"));
        return;
    }
    std::size_t length = 0;
    if (const std::string* declared = HeaderValue(*head, "Content-Length")) {
        auto number = ParseDecimal(*declared, kBodyLimit);
        if (!number) {
            SendAll(connection.get(), Reply(413, ReasonOf(413), "unreadable or too large Content-Length\n"));
            return;
        }
        length = *number;
    }
    const std::string* expect = HeaderValue(*head, "Expect");
    if (expect && EqualIgnoringCase(*expect, "100-continue") && length > 0)
        SendAll(connection.get(), "HTTP/1.1 100 Continue\r\n\r\n");
    std::string body = received.substr(headEnd + 4);
    while (body.size() < length)
        if (!ReceiveMore(connection.get(), body))
            return; // the client gave up: nothing arrived as a request
    body.resize(length);

    std::string_view target = head->target;
    if (target.substr(0, kControlPrefix.size()) == kControlPrefix) {
        std::string_view command = target.substr(kControlPrefix.size());
        command = command.substr(0, command.find('?'));
        auto [status, text] = Control(*head, command, std::move(body));
        SendAll(connection.get(), Reply(status, ReasonOf(status), text));
        return;
    }
    RecordedRequest record;
    record.method = head->method;
    const std::size_t question = target.find('?');
    record.path = target.substr(0, question);
    if (question != std::string_view::npos)
        record.query = target.substr(question + 1);
    record.headers = std::move(head->headers);
    record.body = std::move(body);
    WriteAnswer(connection.get(), NextAnswer(record));
}

bool StandInServer::Pause(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    if (milliseconds > 0)
        m_stopped.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stopping.load(); });
    return !m_stopping;
}

// Writes the answer; the caller closes the connection. A cut answer ends with a reset (RST) or a clean
// close where the script says; every other answer is whole and closed cleanly.
void StandInServer::WriteAnswer(int connection, const Answer& answer)
{
    if (!Pause(answer.delayMs))
        return;
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + answer.reason + "\r\n";
    if (!answer.contentType.empty())
        head += "Content-Type: " + answer.contentType + "\r\n";
    if (answer.chunkSize > 0)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    for (const auto& [name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    const std::string framed =
        FramedBody(answer.body, answer.chunkSize, answer.resetAfter ? answer.resetAfter : answer.closeAfter);
    if (answer.trickleMs > 0) {
        bool sent = SendAll(connection, head);
        for (std::size_t i = 0; sent && i < framed.size(); ++i)
            sent = Pause(answer.trickleMs) && SendAll(connection, std::string_view(framed).substr(i, 1));
    } else {
        // One write: a second small one would wait for the client's delayed acknowledgement.
        SendAll(connection, head.append(framed));
    }
    if (answer.resetAfter) {
        linger abort {1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else {
        ::shutdown(connection, SHUT_WR);
    }
}

void StandInServer::Enqueue(Answer answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

void StandInServer::SetDefaultAnswer(Answer answer)
{
    std::lock_guard lock(m_mutex);
    m_defaultAnswer = std::move(answer);
}

std::vector<RecordedRequest> StandInServer::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void StandInServer::Reset()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_answers.clear();
    m_defaultAnswer = Answer();
}

void StandInServer::SetResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

Answer StandInServer::NextAnswer(const RecordedRequest& request)
{
    Responder responder;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        if (!m_answers.empty()) {
            Answer answer = std::move(m_answers.front());
            m_answers.pop_front();
            return answer;
        }
        responder = m_responder;
    }
    if (responder)
        if (auto answer = responder(request))
            return *answer;
    std::lock_guard lock(m_mutex);
    return m_defaultAnswer;
}

std::pair<int, std::string> StandInServer::Control(const RequestHead& head, std::string_view command, std::string body)
{
    auto header = [&head](std::string_view name) {
        const std::string* value = HeaderValue(head, name);
        return value ? *value : std::string();
    };
    if (head.method == "GET" && command == "requests")
        return {200, FormatRecordedRequests(Requests())};
    if (head.method != "POST")
        return {405, "control paths other than requests take POST\n"};
    if (command == "answers" || command == "default") {
        auto answer = AnswerFromControl(head.headers, std::move(body));
        if (!answer)
            return {400, "malformed Answer- header\n"};
        command == "answers" ? Enqueue(std::move(*answer)) : SetDefaultAnswer(std::move(*answer));
        return {200, "queued\n"};
    }
    if (command == "verify") {
        auto requests = Requests();
        auto index = ParseDecimal(header(kVerifyRequest), requests.size());
        if (!index || *index >= requests.size())
            return {400, "no such recorded request\n"};
        const RecordedRequest& recorded = requests[*index];
        std::string expected = SignatureOf(header(kVerifyKey), SignedMessage(recorded, header(kVerifyFields)));
        auto received = recorded.HeaderValues(header(kVerifyHeader));
        bool valid = received.size() == 1 && received.front() == expected;
        return {200, valid ? "valid\n" : "invalid " + expected + "\n"};
    }
    if (command == "reset") {
        Reset();
        return {200, "reset\n"};
    }
    if (command == "shutdown") {
        RequestStop();
        return {200, "stopping\n"};
    }
    return {404, "unknown control path\n"};
}

} // namespace standin
