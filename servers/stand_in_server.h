// A stand-in web service on 127.0.0.1 for tests: it records every request and answers from a script of
// queued answers (then a default one), byte for byte as scripted: any status text, bodies with zero bytes,
// a delay, a slow trickle, a connection reset part-way through the body, a body shorter than declared, a
// stall; large bodies are streamed. A request that names a whole URL (a client using the service as its
// proxy) is recorded by its path. Tests drive it over HTTP through
// the control paths of protocol.h, so Windows programs under Wine can use it as well as native ones.
// Linux only (it takes the connection over from the HTTP library to write its raw answers).
#pragma once

#include "protocol.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace standin {

class StandInServer {
public:
    StandInServer();
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Listens on 127.0.0.1 (port 0: a free one) in a background thread; returns the port, or 0 on failure.
    int Start(int port);
    // Stops listening and waits for the background thread. Also reached through the shutdown control path.
    void Stop();
    // Waits until the service was stopped (by Stop or the shutdown control path), at most `limit`.
    bool WaitForStop(std::chrono::milliseconds limit);

    void Enqueue(Answer answer);
    void SetDefaultAnswer(Answer answer);
    std::vector<RecordedRequest> Requests() const;
    void Reset();

    // A later service can answer some requests itself (a download server serving files); when the
    // responder returns nothing, the script answers.
    using Responder = std::function<std::optional<Answer>(const RecordedRequest&)>;
    void SetResponder(Responder responder);

private:
    void Control(const httplib::Request& request, httplib::Response& response);
    void Serve(const httplib::Request& request);
    Answer NextAnswer(const RecordedRequest& request);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_listener;
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_running = false;
    std::atomic<bool> m_stopping = false; // ends stalls and trickles of answers still being written
    std::vector<RecordedRequest> m_requests;
    std::deque<Answer> m_answers;
    Answer m_defaultAnswer;
    Responder m_responder;
};

// Reads an answer from the Answer-* headers and the body of a control request; nothing when a header is
// malformed.
std::optional<Answer> AnswerFromControl(const std::vector<std::pair<std::string, std::string>>& headers,
                                        std::string body);

} // namespace standin
