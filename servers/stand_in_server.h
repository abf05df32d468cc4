// A stand-in web service on 127.0.0.1 for tests: it records every request exactly as it came over the wire
// and answers from a script of queued answers (then a default one), byte for byte as scripted: any status
// text, bodies with zero bytes, chunked bodies, a delay, a slow trickle, a connection closed or reset
// part-way through the body, a body shorter than declared, a stall; large bodies are streamed. A request
// that names a whole URL (a client using the service as its proxy) is recorded by its path. Tests drive it
// over HTTP through the control paths of protocol.h, so Windows programs under Wine can use it as well as
// native ones. Linux only: it reads and writes its sockets itself (an HTTP library would tidy the requests
// it records and the answers it sends).
#pragma once

#include "protocol.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace standin {

class StandInServer {
public:
    StandInServer() = default;
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Listens on 127.0.0.1 (port 0: a free one) in a background thread; returns the port, or 0 on failure.
    int Start(int port);
    // Stops listening, cuts short what answers are still being written, and waits for every connection's
    // thread. Also reached through the shutdown control path (which only asks for it: see WaitForStop).
    void Stop();
    // Waits until the service was asked to stop (by Stop or the shutdown control path), at most `limit`.
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
    void Listen();
    void Serve(int connection);
    // The reply to a control request: status and text.
    std::pair<int, std::string> Control(const RequestHead& head, std::string_view command, std::string body);
    Answer NextAnswer(const RecordedRequest& request);
    void WriteAnswer(int connection, const Answer& answer);
    // Holds a stalled connection until the client closes it or the service stops.
    void HoldUntilClosed(int connection);
    // Waits, unless the service is stopping; false when it is.
    bool Pause(int milliseconds);
    void RequestStop();

    int m_listener = -1;
    int m_wakeUp[2] = {-1, -1};  // a pipe whose write end wakes the listening thread for stopping
    std::thread m_listening;
    std::atomic<bool> m_stopping = false;  // also ends delays, trickles and stalls of answers being written
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;  // notified when stopping is asked for and when a connection ends
    int m_connections = 0;              // connection threads still running
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
