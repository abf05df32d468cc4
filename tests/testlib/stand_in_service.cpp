#include "stand_in_service.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace testing_support {
namespace {

using namespace std::chrono_literals;
constexpr auto kStartLimit = 20s; // an ASan build under a loaded machine starts slowly
constexpr auto kStopLimit = 5s;
constexpr auto kPollInterval = 10ms;

#ifdef _WIN32
using socket_handle = SOCKET;
constexpr socket_handle kNoSocket = INVALID_SOCKET;
void CloseSocket(socket_handle s) { closesocket(s); }
long CurrentProcessId() { return static_cast<long>(GetCurrentProcessId()); }
// Wine maps the Unix root to drive Z:.
std::string ReadablePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}
void StartNetworking()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("WSAStartup failed");
}
#else
using socket_handle = int;
constexpr socket_handle kNoSocket = -1;
void CloseSocket(socket_handle s) { ::close(s); }
long CurrentProcessId() { return static_cast<long>(::getpid()); }
std::string ReadablePath(const std::string& unixPath) { return unixPath; }
void StartNetworking() {}
#endif

class SocketOwner {
public:
    explicit SocketOwner(socket_handle s) : m_socket(s) {}
    ~SocketOwner()
    {
        if (m_socket != kNoSocket)
            CloseSocket(m_socket);
    }
    SocketOwner(const SocketOwner&) = delete;
    SocketOwner& operator=(const SocketOwner&) = delete;
    socket_handle get() const { return m_socket; }

private:
    socket_handle m_socket;
};

std::optional<int> ReadPort(const std::string& portFile)
{
    std::ifstream in(ReadablePath(portFile));
    int port = 0;
    if (in >> port && port > 0)
        return port;
    return std::nullopt;
}

template <typename Condition>
bool WaitUntil(std::chrono::milliseconds limit, Condition condition)
{
    for (auto deadline = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < deadline;) {
        if (condition())
            return true;
        std::this_thread::sleep_for(kPollInterval);
    }
    return condition();
}

std::string EnvironmentOr(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

HeaderList AnswerHeaders(const standin::Answer& answer)
{
    HeaderList headers = {
        {std::string(standin::kAnswerStatus), std::to_string(answer.status)},
        {std::string(standin::kAnswerReason), answer.reason},
        {std::string(standin::kAnswerContentType), answer.contentType},
        {std::string(standin::kAnswerDelay), std::to_string(answer.delayMs)},
        {std::string(standin::kAnswerTrickle), std::to_string(answer.trickleMs)},
    };
    auto optional = [&headers](std::string_view name, const std::optional<std::uint64_t>& value) {
        if (value)
            headers.emplace_back(name, std::to_string(*value));
    };
    optional(standin::kAnswerResetAfter, answer.resetAfter);
    optional(standin::kAnswerCloseAfter, answer.closeAfter);
    optional(standin::kAnswerStallAfter, answer.stallAfter);
    optional(standin::kAnswerGenerated, answer.generatedLength);
    optional(standin::kAnswerDeclared, answer.declaredLength);
    if (answer.chunkSize > 0)
        headers.emplace_back(standin::kAnswerChunked, std::to_string(answer.chunkSize));
    for (const auto& [name, value] : answer.headers)
        headers.emplace_back(standin::kAnswerHeader, name + ": " + value);
    return headers;
}

} // namespace

standin::HttpReply LoopbackExchange(int port, std::string_view method, std::string_view target,
                                    const HeaderList& headers, std::string_view body)
{
    StartNetworking();
    SocketOwner connection(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (connection.get() == kNoSocket)
        throw std::runtime_error("cannot make a socket");
#ifdef _WIN32
    DWORD timeout = 30'000;
#else
    timeval timeout {30, 0};
#endif
    ::setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));

    std::string request = std::string(method) + " " + std::string(target) + " HTTP/1.1\r\n";
    request += "Host: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    for (const auto& [name, value] : headers)
        request += name + ": " + value + "\r\n";
    request += "\r\n";
    request += body;
    for (std::string_view rest = request; !rest.empty();) {
        int sent = ::send(connection.get(), rest.data(), static_cast<int>(rest.size()), 0);
        if (sent <= 0)
            throw std::runtime_error("cannot send to 127.0.0.1:" + std::to_string(port));
        rest.remove_prefix(static_cast<std::size_t>(sent));
    }
    std::string answer;
    char buffer[16384];
    while (true) {
        int received = ::recv(connection.get(), buffer, sizeof buffer, 0);
        if (received < 0)
            throw std::runtime_error("no complete answer from 127.0.0.1:" + std::to_string(port));
        if (received == 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(received));
    }
    auto reply = standin::ParseHttpReply(answer);
    if (!reply)
        throw std::runtime_error("malformed answer from 127.0.0.1:" + std::to_string(port));
    return *reply;
}

std::vector<std::string> StandInService::CatalogueOptions()
{
    const std::string source = EnvironmentOr("ULNARA_SOURCE_DIR", "");
    if (source.empty())
        throw std::runtime_error("ULNARA_SOURCE_DIR is not set (run the tests through ctest)");
    return {"--catalogue", source + "/servers/structures"};
}

int RefusedPort()
{
    StartNetworking();
    SocketOwner probe(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (probe.get() == kNoSocket || ::bind(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("cannot find a free loopback port");
    // Bound but never listening; once closed, nothing else takes the port in the test's short life.
    return ntohs(address.sin_port);
}

std::string StandInService::DownloadServerProgram()
{
    std::string program = EnvironmentOr("ULNARA_DOWNLOAD_SERVER", "");
    if (program.empty())
        throw std::runtime_error("ULNARA_DOWNLOAD_SERVER is not set (run the tests through ctest)");
    return program;
}

StandInService::StandInService(std::string program, const std::vector<std::string>& options)
{
    if (program.empty())
        program = EnvironmentOr("ULNARA_STRUCTURE_SERVICE", "");
    if (program.empty())
        throw std::runtime_error("ULNARA_STRUCTURE_SERVICE is not set (run the tests through ctest)");
    static std::atomic<int> started = 0;
    m_portFile = EnvironmentOr("ULNARA_BINARY_DIR", "/tmp") + "/stand-in-" + std::to_string(CurrentProcessId()) +
                 "-" + std::to_string(started++) + ".port";
    std::remove(ReadablePath(m_portFile).c_str());
    // A test that dies leaves the service running for ten minutes at most.
    const char* lifetime = "600";
#ifdef _WIN32
    // Wine starts a native program given by its drive path; its process handle cannot be waited on, so the
    // service's end is seen by its port file going away.
    std::string commandLine = "\"" + ReadablePath(program) + "\" --port-file \"" + m_portFile + "\" --lifetime " + lifetime;
    for (const std::string& option : options)
        commandLine += " \"" + option + "\"";
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start " + program);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
#else
    std::string portFileOption = "--port-file", lifetimeOption = "--lifetime";
    std::vector<char*> arguments = {program.data(), portFileOption.data(), m_portFile.data(), lifetimeOption.data(),
                                    const_cast<char*>(lifetime)};
    for (const std::string& option : options)
        arguments.push_back(const_cast<char*>(option.c_str()));
    arguments.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, arguments.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program);
    m_process = pid;
#endif
    if (!WaitUntil(kStartLimit, [this] { return ReadPort(m_portFile).has_value(); })) {
        Stop();
        throw std::runtime_error(program + " did not report its port within the start limit");
    }
    m_port = *ReadPort(m_portFile);
}

StandInService::~StandInService()
{
    try {
        Stop();
    } catch (...) {
    }
}

void StandInService::Stop()
{
    if (m_port != 0) {
        try {
            Control("POST", "shutdown");
        } catch (const std::runtime_error&) {
        }
        m_port = 0;
    }
#ifdef _WIN32
    WaitUntil(kStopLimit, [this] { return !std::ifstream(ReadablePath(m_portFile)).good(); });
#else
    if (m_process != 0) {
        pid_t pid = static_cast<pid_t>(m_process);
        if (!WaitUntil(kStopLimit, [pid] { return ::waitpid(pid, nullptr, WNOHANG) != 0; })) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        m_process = 0;
    }
#endif
}

std::string StandInService::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }

standin::HttpReply StandInService::Control(std::string_view method, std::string_view command,
                                           const HeaderList& headers, std::string_view body)
{
    auto reply = LoopbackExchange(m_port, method, std::string(standin::kControlPrefix) + std::string(command), headers, body);
    if (reply.status != 200)
        throw std::runtime_error("control " + std::string(command) + " failed: " + reply.body);
    return reply;
}

void StandInService::Enqueue(const standin::Answer& answer) { Control("POST", "answers", AnswerHeaders(answer), answer.body); }

void StandInService::SetDefaultAnswer(const standin::Answer& answer)
{
    Control("POST", "default", AnswerHeaders(answer), answer.body);
}

std::vector<standin::RecordedRequest> StandInService::Requests()
{
    auto requests = standin::ParseRecordedRequests(Control("GET", "requests").body);
    if (!requests)
        throw std::runtime_error("malformed recorded requests");
    return *requests;
}

bool StandInService::VerifySignature(std::size_t request, std::string_view header, std::string_view fields,
                                     std::string_view key, std::string* expected)
{
    HeaderList headers = {
        {std::string(standin::kVerifyRequest), std::to_string(request)},
        {std::string(standin::kVerifyHeader), std::string(header)},
        {std::string(standin::kVerifyFields), std::string(fields)},
        {std::string(standin::kVerifyKey), std::string(key)},
    };
    std::string verdict = Control("POST", "verify", headers).body;
    if (verdict == "valid\n")
        return true;
    if (expected && verdict.rfind("invalid ", 0) == 0)
        *expected = verdict.substr(8, verdict.size() - 9);
    return false;
}

void StandInService::Reset() { Control("POST", "reset"); }

} // namespace testing_support
