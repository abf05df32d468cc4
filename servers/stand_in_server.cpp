#include "stand_in_server.h"

#include "signature.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace standin {
namespace {

// Lengths beyond any body a test sends (a terabyte).
constexpr std::size_t kLargestBody = std::size_t{1} << 40;

// The HTTP library adds the connection's addresses to the headers; they did not come over the wire.
constexpr std::array<std::string_view, 4> kPseudoHeaders = {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"};

class unique_fd {
public:
    explicit unique_fd(int fd = -1) noexcept : m_fd(fd) {}
    unique_fd(unique_fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    unique_fd& operator=(unique_fd&&) = delete;
    ~unique_fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

std::vector<std::pair<std::string, std::string>> WireHeaders(const httplib::Headers& headers)
{
    std::vector<std::pair<std::string, std::string>> wire;
    for (const auto& [name, value] : headers)
        if (std::find(kPseudoHeaders.begin(), kPseudoHeaders.end(), name) == kPseudoHeaders.end())
            wire.emplace_back(name, value);
    return wire;
}

RecordedRequest Record(const httplib::Request& request)
{
    RecordedRequest record;
    record.method = request.method;
    std::string_view target = request.target;
    // A client that takes the service for its proxy names the whole URL; the host stays in the Host header.
    if (target.starts_with("http://")) {
        std::size_t slash = target.find('/', 7);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    std::size_t question = target.find('?');
    record.path = target.substr(0, question);
    if (question != std::string_view::npos)
        record.query = target.substr(question + 1);
    record.headers = WireHeaders(request.headers);
    record.body = request.body;
    return record;
}

int PortOf(const sockaddr_storage& address)
{
    return address.ss_family == AF_INET ? ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port) : -1;
}

// The HTTP library offers no way to write a status text of our own, a partial body or a reset, so the
// scripted answer is written on the raw socket. The library's descriptor for this connection is found by
// its two ports and pointed at /dev/null: the library's own answer then fails to send, and its close no
// longer touches the socket, which is ours alone.
unique_fd TakeOverConnection(const httplib::Request& request)
{
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return unique_fd();
    int found = -1;
    while (const dirent* entry = ::readdir(folder)) {
        int fd = std::atoi(entry->d_name);
        struct stat status {};
        if (fd <= 2 || ::fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode))
            continue;
        sockaddr_storage local {}, peer {};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
            PortOf(local) == request.local_port && PortOf(peer) == request.remote_port) {
            found = fd;
            break;
        }
    }
    ::closedir(folder);
    if (found < 0)
        return unique_fd();
    unique_fd owned(::fcntl(found, F_DUPFD_CLOEXEC, 3));
    unique_fd null(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (owned.get() < 0 || null.get() < 0 || ::dup2(null.get(), found) < 0)
        return unique_fd();
    return owned;
}

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

void Pause(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The bytes of an answer's body, read piece by piece so that large bodies are never held whole.
class BodySource {
public:
    explicit BodySource(const Answer& answer)
        : m_answer(answer), m_file(answer.bodyFile.empty() ? -1 : ::open(answer.bodyFile.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (!answer.bodyFile.empty()) {
            struct stat status {};
            m_size = m_file.get() >= 0 && ::fstat(m_file.get(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
        } else if (answer.generatedLength) {
            m_size = *answer.generatedLength;
        } else {
            m_size = answer.body.size();
        }
    }
    std::uint64_t Size() const { return m_size; }
    // Up to `count` bytes from `offset` into `buffer`; fewer only at the end (or when the file fails).
    std::size_t Read(std::uint64_t offset, char* buffer, std::size_t count) const
    {
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - std::min(offset, m_size)));
        if (!m_answer.bodyFile.empty()) {
            ssize_t read = ::pread(m_file.get(), buffer, count, static_cast<off_t>(offset));
            return read > 0 ? static_cast<std::size_t>(read) : 0;
        }
        if (m_answer.generatedLength) {
            const std::string& cycle = GeneratedCycle();
            for (std::size_t done = 0; done < count;) {
                std::size_t start = static_cast<std::size_t>((offset + done) % 251);
                std::size_t piece = std::min(count - done, cycle.size() - start);
                std::memcpy(buffer + done, cycle.data() + start, piece);
                done += piece;
            }
            return count;
        }
        std::memcpy(buffer, m_answer.body.data() + offset, count);
        return count;
    }

private:
    // Whole periods of the generated bytes, long enough for any piece from any starting point.
    static const std::string& GeneratedCycle()
    {
        static const std::string cycle = [] {
            std::string bytes(251 * 262, '\0');
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = GeneratedByte(i);
            return bytes;
        }();
        return cycle;
    }

    const Answer& m_answer;
    unique_fd m_file;
    std::uint64_t m_size = 0;
};

// Holds a stalled connection until the client closes it or the service stops.
void HoldUntilClosed(int fd, const std::atomic<bool>& stopping)
{
    char sink[4096];
    while (!stopping) {
        pollfd watch {fd, POLLIN, 0};
        int ready = ::poll(&watch, 1, 50);
        if (ready < 0 || (ready > 0 && ::recv(fd, sink, sizeof sink, MSG_DONTWAIT) <= 0))
            return;
    }
}

// Writes the answer and closes the connection: with a reset (RST) when the script says so, else cleanly.
void WriteAnswer(unique_fd connection, const Answer& answer, const std::atomic<bool>& stopping)
{
    Pause(answer.delayMs);
    if (answer.noAnswer)
        return;
    const BodySource source(answer);
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + answer.reason + "\r\n";
    if (!answer.contentType.empty())
        head += "Content-Type: " + answer.contentType + "\r\n";
    head += "Content-Length: " +
            (answer.declaredText.empty() ? std::to_string(answer.declaredLength.value_or(source.Size())) : answer.declaredText) +
            "\r\n";
    for (const auto& [name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    std::uint64_t toSend = source.Size();
    if (answer.resetAfter)
        toSend = std::min(toSend, *answer.resetAfter);
    if (answer.stallAfter)
        toSend = std::min(toSend, *answer.stallAfter);

    bool sent = true;
    if (answer.trickleMs > 0) {
        sent = SendAll(connection.get(), head);
        char byte = 0;
        for (std::uint64_t i = 0; sent && i < toSend && !stopping; ++i) {
            Pause(answer.trickleMs);
            sent = source.Read(i, &byte, 1) == 1 && SendAll(connection.get(), std::string_view(&byte, 1));
        }
    } else {
        // The head goes with the first piece: a second small write would wait for the client's delayed
        // acknowledgement.
        std::string piece = std::move(head);
        std::size_t headSize = piece.size();
        constexpr std::size_t kPiece = 64 * 1024;
        std::uint64_t offset = 0;
        do {
            std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, toSend - offset));
            piece.resize(headSize + want);
            std::size_t got = source.Read(offset, piece.data() + headSize, want);
            piece.resize(headSize + got);
            sent = SendAll(connection.get(), piece);
            offset += got;
            headSize = 0;
            if (got < want)
                break;
        } while (sent && offset < toSend && !stopping);
    }
    if (sent && answer.stallAfter && !answer.resetAfter)
        HoldUntilClosed(connection.get(), stopping);
    if (answer.resetAfter) {
        linger abort {1, 0};
        ::setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else {
        ::shutdown(connection.get(), SHUT_WR);
    }
}

// The number in the named header, `fallback` without one; a malformed number clears `valid`.
int HeaderNumber(const std::vector<std::pair<std::string, std::string>>& headers, std::string_view name,
                 std::size_t max, int fallback, bool& valid)
{
    for (const auto& [headerName, value] : headers)
        if (EqualIgnoringCase(headerName, name)) {
            auto number = ParseDecimal(TrimBlanks(value), max);
            valid = valid && number.has_value();
            return number ? static_cast<int>(*number) : fallback;
        }
    return fallback;
}

} // namespace

std::optional<Answer> AnswerFromControl(const std::vector<std::pair<std::string, std::string>>& headers,
                                        std::string body)
{
    Answer answer;
    bool valid = true;
    answer.status = HeaderNumber(headers, kAnswerStatus, 999, 200, valid);
    answer.delayMs = HeaderNumber(headers, kAnswerDelay, 600'000, 0, valid);
    answer.trickleMs = HeaderNumber(headers, kAnswerTrickle, 60'000, 0, valid);
    auto largeNumber = [&](std::string_view name, std::optional<std::uint64_t>& field) {
        for (const auto& [headerName, value] : headers)
            if (EqualIgnoringCase(headerName, name)) {
                field = ParseDecimal(TrimBlanks(value), kLargestBody);
                valid = valid && field.has_value();
            }
    };
    largeNumber(kAnswerGenerated, answer.generatedLength);
    largeNumber(kAnswerDeclared, answer.declaredLength);
    largeNumber(kAnswerStallAfter, answer.stallAfter);
    for (const auto& [name, value] : headers) {
        if (EqualIgnoringCase(name, kAnswerReason)) {
            answer.reason = value;
        } else if (EqualIgnoringCase(name, kAnswerContentType)) {
            answer.contentType = value;
        } else if (EqualIgnoringCase(name, kAnswerResetAfter)) {
            answer.resetAfter = ParseDecimal(TrimBlanks(value), kLargestBody);
            valid = valid && answer.resetAfter.has_value();
        } else if (EqualIgnoringCase(name, kAnswerHeader)) {
            std::size_t colon = value.find(':');
            if (colon == std::string::npos || colon == 0)
                return std::nullopt;
            answer.headers.emplace_back(value.substr(0, colon), TrimBlanks(std::string_view(value).substr(colon + 1)));
        }
    }
    // A cut after the end of the body would not cut anything: a mistake in the test.
    const std::uint64_t length = answer.generatedLength.value_or(body.size());
    if (!valid || answer.status < 100 || answer.resetAfter.value_or(0) > length || answer.stallAfter.value_or(0) > length)
        return std::nullopt;
    answer.body = std::move(body);
    return answer;
}

StandInServer::StandInServer() : m_server(std::make_unique<httplib::Server>()) {}

StandInServer::~StandInServer() { Stop(); }

int StandInServer::Start(int port)
{
    auto control = [this](const httplib::Request& request, httplib::Response& response) { Control(request, response); };
    auto serve = [this](const httplib::Request& request, httplib::Response&) { Serve(request); };
    const std::string controlPattern = std::string(kControlPrefix) + ".*";
    m_server->Get(controlPattern, control).Post(controlPattern, control);
    m_server->Get(".*", serve).Post(".*", serve).Put(".*", serve).Patch(".*", serve).Delete(".*", serve);
    m_server->Options(".*", serve);
    m_server->set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.status = 500;
        response.set_content("internal error\n", "text/plain");
    });
    if (port == 0)
        port = m_server->bind_to_any_port("127.0.0.1");
    else if (!m_server->bind_to_port("127.0.0.1", port))
        port = 0;
    if (port <= 0)
        return 0;
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    m_listener = std::thread([this] {
        m_server->listen_after_bind();
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_stopped.notify_all();
    });
    return port;
}

void StandInServer::Stop()
{
    m_stopping = true;
    m_server->stop();
    if (m_listener.joinable())
        m_listener.join();
}

bool StandInServer::WaitForStop(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_stopped.wait_for(lock, limit, [this] { return !m_running; });
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

void StandInServer::Serve(const httplib::Request& request)
{
    Answer answer = NextAnswer(Record(request));
    if (unique_fd connection = TakeOverConnection(request); connection.get() >= 0)
        WriteAnswer(std::move(connection), answer, m_stopping);
}

void StandInServer::Control(const httplib::Request& request, httplib::Response& response)
{
    const std::string command = request.path.substr(kControlPrefix.size());
    const auto headers = WireHeaders(request.headers);
    auto reply = [&response](int status, std::string text) {
        response.status = status;
        response.set_content(std::move(text), "text/plain");
    };
    if (request.method == "GET" && command == "requests") {
        reply(200, FormatRecordedRequests(Requests()));
    } else if (request.method != "POST") {
        reply(405, "control paths other than requests take POST\n");
    } else if (command == "answers" || command == "default") {
        auto answer = AnswerFromControl(headers, request.body);
        if (!answer)
            return reply(400, "malformed Answer- header\n");
        command == "answers" ? Enqueue(std::move(*answer)) : SetDefaultAnswer(std::move(*answer));
        reply(200, "queued\n");
    } else if (command == "verify") {
        auto requests = Requests();
        auto index = ParseDecimal(request.get_header_value(std::string(kVerifyRequest)), requests.size());
        if (!index || *index >= requests.size())
            return reply(400, "no such recorded request\n");
        const RecordedRequest& recorded = requests[*index];
        std::string expected = SignatureOf(request.get_header_value(std::string(kVerifyKey)),
                                           SignedMessage(recorded, request.get_header_value(std::string(kVerifyFields))));
        auto received = recorded.HeaderValues(request.get_header_value(std::string(kVerifyHeader)));
        bool valid = received.size() == 1 && received.front() == expected;
        reply(200, valid ? "valid\n" : "invalid " + expected + "\n");
    } else if (command == "reset") {
        Reset();
        reply(200, "reset\n");
    } else if (command == "shutdown") {
        reply(200, "stopping\n");
        m_stopping = true;
        m_server->stop();
    } else {
        reply(404, "unknown control path\n");
    }
}

} // namespace standin
