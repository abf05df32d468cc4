// The stand-in services' control protocol, shared by the servers (which write it) and the test support
// (which reads it, natively and under Wine). Portable C++ only.
//
// Every request whose path starts with kControlPrefix drives the service instead of being served:
//   POST   /_control/answers   queue one answer (headers below; the request body is the answer body)
//   POST   /_control/default   the same, but sets the answer given when the queue is empty
//   GET    /_control/requests  the recorded requests, in the text form FormatRecordedRequests writes
//   POST   /_control/verify    recompute a signature header of a recorded request (headers below)
//   POST   /_control/reset     forget recorded requests and queued answers
//   POST   /_control/shutdown  stop the service
// Control requests are not recorded. Every other request is recorded and answered.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin {

inline constexpr std::string_view kControlPrefix = "/_control/";

// Headers of a control request that describe an answer. Each is optional.
inline constexpr std::string_view kAnswerStatus = "Answer-Status";           // decimal, default 200
inline constexpr std::string_view kAnswerReason = "Answer-Reason";           // status text, default "OK"
inline constexpr std::string_view kAnswerContentType = "Answer-Content-Type"; // default "text/plain"
inline constexpr std::string_view kAnswerHeader = "Answer-Header";           // "Name: value", repeatable
inline constexpr std::string_view kAnswerDelay = "Answer-Delay-Ms";          // wait before the status line
inline constexpr std::string_view kAnswerTrickle = "Answer-Trickle-Ms";      // wait before each body byte
inline constexpr std::string_view kAnswerResetAfter = "Answer-Reset-After";  // body bytes sent before a reset
inline constexpr std::string_view kAnswerCloseAfter = "Answer-Close-After";  // body bytes sent before a clean close
inline constexpr std::string_view kAnswerChunked = "Answer-Chunked";          // chunk size: the body goes chunked

// Headers of a verify request; the answer body is "valid\n" or "invalid <expected signature>\n".
inline constexpr std::string_view kVerifyRequest = "Verify-Request"; // index of the recorded request
inline constexpr std::string_view kVerifyHeader = "Verify-Header";   // the header holding the signature
inline constexpr std::string_view kVerifyFields = "Verify-Fields";   // field list, "|"-separated
inline constexpr std::string_view kVerifyKey = "Verify-Key";         // the HMAC key text
// The field name that stands for the request body in a field list.
inline constexpr std::string_view kBodyField = "Request_Body";

struct Answer {
    int status = 200;
    std::string reason = "OK";
    std::string contentType = "text/plain";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int delayMs = 0;
    int trickleMs = 0;
    // The body is cut after this many bytes: with a reset, or with a clean close (and no last chunk).
    std::optional<std::size_t> resetAfter;
    std::optional<std::size_t> closeAfter;
    // 0: the body's length goes in Content-Length; otherwise it is sent chunked, in chunks of this size.
    std::size_t chunkSize = 0;
};

struct RecordedRequest {
    std::string method;
    std::string path;  // as sent, before any "?"
    std::string query; // as sent, after the first "?"
    // Headers in arrival order as they came over the wire: names as sent, values without the blanks around
    // them, empty values kept.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // Values of every header of that name (ignoring case), in order.
    std::vector<std::string> HeaderValues(std::string_view name) const;
};

// Text form of the recorded requests. Per request:
//   "request" SP index LF, "method" SP text LF, "path" SP text LF, "query" SP text LF,
//   ("header" SP name ":" SP value LF)*, "body" SP length LF, <length raw bytes> LF, "end" LF
// The body is counted, so it may hold any bytes; the other fields never hold a line break.
std::string FormatRecordedRequests(const std::vector<RecordedRequest>& requests);
// Reads that form back; nothing when the text does not follow it.
std::optional<std::vector<RecordedRequest>> ParseRecordedRequests(std::string_view text);

// The head of an HTTP/1.x request as it arrived (without the empty line that ends it).
struct RequestHead {
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers; // as RecordedRequest keeps them
};
// Nothing when the head is malformed: no request line of method, target and version, or a header line
// without a name and colon.
std::optional<RequestHead> ParseRequestHead(std::string_view head);

// An HTTP answer as a client reads it: status, status text, headers, body (chunked bodies decoded, others
// counted by Content-Length when given, else up to the end of the text).
struct HttpReply {
    int status = 0;
    std::string reason;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};
// Nothing when the text is not a complete answer (a short body or a missing last chunk included).
std::optional<HttpReply> ParseHttpReply(std::string_view text);

// Blanks trimmed from both ends (HTTP header values, field names).
std::string_view TrimBlanks(std::string_view text);
bool EqualIgnoringCase(std::string_view left, std::string_view right);
// Whole-text decimal number without sign or leading zeros; nothing for anything else or a value beyond max.
std::optional<std::size_t> ParseDecimal(std::string_view text, std::size_t max);

} // namespace standin
