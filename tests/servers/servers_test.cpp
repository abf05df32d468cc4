#include "protocol.h"
#include "stand_in_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

using namespace std::string_literals;
using standin::Answer;
using testing_support::LoopbackExchange;
using testing_support::StandInService;

// An answer with the changes the test makes to the default one.
template <typename Change>
Answer Made(Change change)
{
    Answer answer;
    change(answer);
    return answer;
}

standin::RecordedRequest SampleRequest()
{
    standin::RecordedRequest request;
    request.method = "POST";
    request.path = "/search/substance";
    request.query = "a=1&b=%20";
    request.headers = {{"Content-Type", "text/plain"}, {"X-Sig", "abc="}};
    request.body = "line\nend\n\0tail"s; // looks like the framing and holds a zero byte
    return request;
}

TEST(RecordedRequestText, ReadsBackWhatWasWritten)
{
    standin::RecordedRequest empty;
    empty.method = "GET";
    auto parsed = standin::ParseRecordedRequests(standin::FormatRecordedRequests({SampleRequest(), empty}));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 2u);
    const auto& first = (*parsed)[0];
    EXPECT_EQ(first.method, "POST");
    EXPECT_EQ(first.path, "/search/substance");
    EXPECT_EQ(first.query, "a=1&b=%20");
    EXPECT_EQ(first.headers, SampleRequest().headers);
    EXPECT_EQ(first.body, SampleRequest().body);
    EXPECT_EQ(first.HeaderValues("x-sig"), std::vector<std::string>{"abc="});
    EXPECT_EQ((*parsed)[1].body, "");
}

TEST(RecordedRequestText, RefusesBrokenText)
{
    const std::string good = standin::FormatRecordedRequests({SampleRequest()});
    const std::string cases[] = {
        good.substr(0, good.size() - 1),                       // cut short
        "request 1\n" + good.substr(10),                       // index out of sequence
        good.substr(0, good.find("body")) + "body 99\nx\nend\n", // body longer than the text
        "request 0\nmethod GET\npath /\nquery \nheader NoColon\nbody 0\n\nend\n",
        "request 0\nmethod GET\n",
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(standin::ParseRecordedRequests(text));
    }
    EXPECT_EQ(standin::ParseRecordedRequests("")->size(), 0u);
}

TEST(HttpReplyText, ReadsStatusTextHeadersAndCountedBody)
{
    auto reply = standin::ParseHttpReply("HTTP/1.1 404 Not Here Today\r\nContent-Length: 3\r\nX-A:  b \r\n\r\nab\0extra"s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 404);
    EXPECT_EQ(reply->reason, "Not Here Today");
    EXPECT_EQ(reply->body, "ab\0"s);
    ASSERT_EQ(reply->headers.size(), 2u);
    EXPECT_EQ(reply->headers[1].second, "b");
    EXPECT_EQ(standin::ParseHttpReply("HTTP/1.0 200\r\n\r\nrest")->body, "rest");
    EXPECT_FALSE(standin::ParseHttpReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nabc"));
    EXPECT_FALSE(standin::ParseHttpReply("HTTP/1.1 2x0 OK\r\n\r\n"));
    EXPECT_FALSE(standin::ParseHttpReply("HTTP/1.1 200 OK\r\n"));

    // Chunked bodies are decoded, and are complete only with their last, empty chunk.
    const std::string chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    EXPECT_EQ(standin::ParseHttpReply(chunkedHead + "3\r\nabc\r\na;x=1\r\n0123456789\r\n0\r\n\r\n")->body,
              "abc0123456789");
    EXPECT_FALSE(standin::ParseHttpReply(chunkedHead + "3\r\nabc\r\n"));
    EXPECT_FALSE(standin::ParseHttpReply(chunkedHead + "5\r\nabc\r\n0\r\n\r\n"));
}

TEST(RequestHeadText, KeepsHeadersAsTheyArrived)
{
    auto head = standin::ParseRequestHead("POST /a?b=c HTTP/1.1\r\nX-Empty:\r\nX-B:  two words \r\nx-a: %41\r\nX-Blank: ");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->method, "POST");
    EXPECT_EQ(head->target, "/a?b=c");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"X-Empty", ""}, {"X-B", "two words"}, {"x-a", "%41"}, {"X-Blank", ""}};
    EXPECT_EQ(head->headers, expected);
    for (const char* malformed : {"", "GET\r\n", "GET / \r\n", "GET  HTTP/1.1", " / HTTP/1.1",
                                  "GET / HTTP/1.1\r\nNo colon", "GET / HTTP/1.1\r\n: empty name",
                                  "GET / HTTP/1.1\r\nBad name: x"}) {
        SCOPED_TRACE(malformed);
        EXPECT_FALSE(standin::ParseRequestHead(malformed));
    }
}

class StructureService : public testing::Test {
protected:
    static void SetUpTestSuite() { s_service = std::make_unique<StandInService>(); }
    static void TearDownTestSuite() { s_service.reset(); }
    void SetUp() override { s_service->Reset(); }

    static StandInService& Service() { return *s_service; }
    static standin::HttpReply Send(std::string_view method, std::string_view target,
                                   const testing_support::HeaderList& headers = {}, std::string_view body = {})
    {
        return LoopbackExchange(Service().Port(), method, target, headers, body);
    }

private:
    static inline std::unique_ptr<StandInService> s_service;
};

TEST_F(StructureService, RecordsWhatArrivedOnTheWire)
{
    const testing_support::HeaderList sent = {
        {"X-B", "2"}, {"x-a", "first"}, {"X-Empty", ""}, {"X-A", "second"}, {"X-Escaped", "a%20b"}};
    Send("POST", "/search/a%2Fb?x=1&y=%20", sent, "body\0with zero"s);
    Send("GET", "/plain");
    auto requests = Service().Requests();
    ASSERT_EQ(requests.size(), 2u); // the control requests are not recorded
    const auto& post = requests[0];
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.path, "/search/a%2Fb");
    EXPECT_EQ(post.query, "x=1&y=%20");
    EXPECT_EQ(post.body, "body\0with zero"s);
    EXPECT_EQ(post.HeaderValues("X-B"), std::vector<std::string>{"2"});
    // Headers are kept as they came, in their order, empty values and percent signs included.
    ASSERT_GE(post.headers.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), post.headers.end() - static_cast<std::ptrdiff_t>(sent.size())));
    EXPECT_EQ(post.HeaderValues("x-a"), (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(post.HeaderValues("REMOTE_ADDR").empty());
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].query, "");
}

TEST_F(StructureService, AnswersFromTheScriptThenTheDefault)
{
    Service().Enqueue(Made([](Answer& a) { a.status = 404; a.reason = "Nothing Here Today"; a.body = "none"; }));
    Service().Enqueue(Made([](Answer& a) {
        a.contentType = "application/octet-stream"; a.headers = {{"X-Extra", "yes"}}; a.body = "a\0b\0"s;
    }));
    Service().SetDefaultAnswer(Made([](Answer& a) { a.status = 503; a.reason = "Try Later"; }));

    auto first = Send("GET", "/1");
    EXPECT_EQ(first.status, 404);
    EXPECT_EQ(first.reason, "Nothing Here Today");
    EXPECT_EQ(first.body, "none");
    auto second = Send("POST", "/2", {}, "x");
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, "a\0b\0"s);
    for (const auto& header : {std::pair<std::string, std::string>{"X-Extra", "yes"},
                               {"Content-Type", "application/octet-stream"}})
        EXPECT_NE(std::find(second.headers.begin(), second.headers.end(), header), second.headers.end())
            << header.first;
    for (int i = 0; i < 2; ++i) {
        auto later = Send("GET", "/later");
        EXPECT_EQ(later.status, 503);
        EXPECT_EQ(later.reason, "Try Later");
    }
    Service().Reset();
    EXPECT_EQ(Send("GET", "/after-reset").status, 200);
}

TEST_F(StructureService, SlowAnswersArriveWholeAndResetOnesDoNot)
{
    Service().Enqueue(Made([](Answer& a) { a.body = "trickle"; a.delayMs = 30; a.trickleMs = 5; }));
    EXPECT_EQ(Send("GET", "/slow").body, "trickle");

    Service().Enqueue(Made([](Answer& a) { a.body = "0123456789"; a.resetAfter = 4; }));
    EXPECT_THROW(Send("GET", "/cut"), std::runtime_error);
    EXPECT_EQ(Service().Requests().size(), 2u);

    // Chunked answers arrive whole; closed early they miss their end (a Content-Length one its bytes).
    Answer chunked = Made([](Answer& a) { a.body = "0123456789"; a.chunkSize = 4; });
    Service().Enqueue(chunked);
    auto whole = Send("GET", "/chunked");
    EXPECT_EQ(whole.body, "0123456789");
    EXPECT_NE(std::find(whole.headers.begin(), whole.headers.end(),
                        std::pair<std::string, std::string>{"Transfer-Encoding", "chunked"}),
              whole.headers.end());
    chunked.closeAfter = 4;
    Service().Enqueue(chunked);
    EXPECT_THROW(Send("GET", "/chunked-cut"), std::runtime_error);
    Service().Enqueue(Made([](Answer& a) { a.body = "0123456789"; a.closeAfter = 6; }));
    EXPECT_THROW(Send("GET", "/closed"), std::runtime_error);
}

TEST_F(StructureService, GeneratedBodiesArriveWholeCountedOrChunked)
{
    // Longer than one write, in chunks that do not divide it: no byte is lost or repeated at a seam.
    Answer generated;
    generated.generatedLength = 200'003;
    generated.chunkSize = 70'000;
    Service().Enqueue(generated);
    generated.chunkSize = 0;
    Service().Enqueue(generated);
    for (const char* path : {"/chunked", "/counted"}) {
        auto reply = Send("GET", path);
        ASSERT_EQ(reply.body.size(), 200'003u) << path;
        for (std::size_t i = 0; i < reply.body.size(); ++i)
            ASSERT_EQ(reply.body[i], standin::GeneratedByte(i)) << path << " at " << i;
    }
    // Closed inside a later chunk: the answer has no end.
    generated.chunkSize = 70'000;
    generated.closeAfter = 100'000;
    Service().Enqueue(generated);
    EXPECT_THROW(Send("GET", "/chunked-cut"), std::runtime_error);
}

TEST_F(StructureService, RecomputesSignatures)
{
    // RFC 4231 test case 2: HMAC-SHA256 with key "Jefe" over "what do ya want for nothing?".
    const std::string rfcSignature = "W9zBRr9gdU5qBCQmCJV1x1oAPwidJzmDnexYuWTsOEM=";
    Send("POST", "/whole", {{"X-Signature", rfcSignature}}, "what do ya want for nothing?");
    // Header values lose blanks at their ends on the wire; the body keeps them.
    Send("POST", "/parts", {{"X-Part", "what do ya"}, {"X-Signature", rfcSignature}}, " want for nothing?");
    EXPECT_TRUE(Service().VerifySignature(0, "X-Signature", "Request_Body", "Jefe"));
    EXPECT_TRUE(Service().VerifySignature(1, "x-signature", " X-Part | Request_Body ", "Jefe"));
    EXPECT_TRUE(Service().VerifySignature(1, "X-Signature", "X-Absent|X-Part|Request_Body", "Jefe"));

    std::string expected;
    EXPECT_FALSE(Service().VerifySignature(1, "X-Signature", "Request_Body|X-Part", "Jefe", &expected));
    EXPECT_EQ(expected.size(), 44u);
    EXPECT_NE(expected, rfcSignature);
    EXPECT_FALSE(Service().VerifySignature(0, "X-Signature", "Request_Body", "jefe"));
    EXPECT_FALSE(Service().VerifySignature(0, "X-Missing", "Request_Body", "Jefe"));
}

TEST_F(StructureService, RefusesMalformedControlRequests)
{
    const std::string answers = std::string(standin::kControlPrefix) + "answers";
    EXPECT_EQ(Send("POST", answers, {{"Answer-Status", "abc"}}).status, 400);
    EXPECT_EQ(Send("POST", answers, {{"Answer-Reset-After", "5"}}, "abc").status, 400);
    EXPECT_EQ(Send("POST", answers, {{"Answer-Close-After", "5"}}, "abc").status, 400);
    EXPECT_EQ(Send("POST", answers, {{"Answer-Chunked", "2"}, {"Answer-Declared-Length", "9"}}, "abc").status, 400);
    EXPECT_EQ(Send("POST", answers, {{"Answer-Header", "no colon"}}).status, 400);
    EXPECT_EQ(Send("POST", std::string(standin::kControlPrefix) + "verify", {{"Verify-Request", "0"}}).status, 400);
    EXPECT_EQ(Send("POST", std::string(standin::kControlPrefix) + "unknown").status, 404);
    EXPECT_EQ(Send("GET", "/served").status, 200); // nothing malformed was queued
}

TEST(StructureServiceLifetime, StopsOnRequestAndFreesItsPort)
{
    StandInService service;
    const int port = service.Port();
    EXPECT_EQ(LoopbackExchange(port, "GET", "/").status, 200);
    service.Stop();
    EXPECT_THROW(LoopbackExchange(port, "GET", "/"), std::runtime_error);
}

// The download server, driven by path as the downloader's tests drive it.
class DownloadServer : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* source = std::getenv("ULNARA_SOURCE_DIR");
        s_server = std::make_unique<StandInService>(StandInService::DownloadServerProgram(),
                                                    std::vector<std::string>{"--root", std::string(source ? source : ".") + "/tests/fixtures"});
    }
    static void TearDownTestSuite() { s_server.reset(); }
    static standin::HttpReply Get(std::string_view target) { return LoopbackExchange(s_server->Port(), "GET", target); }

    static inline std::unique_ptr<StandInService> s_server;
};

TEST_F(DownloadServer, ServesGeneratedBytesPagesAndFiles)
{
    auto bytes = Get("/bytes/70000/1ABC.pdb?x=1");
    ASSERT_EQ(bytes.body.size(), 70000u);
    for (std::size_t i = 0; i < bytes.body.size(); ++i)
        ASSERT_EQ(bytes.body[i], standin::GeneratedByte(i)) << "at " << i;
    EXPECT_EQ(Get("/html/HtMl/x.pdb").body.substr(0, 6), "<HtMl>");
    EXPECT_EQ(Get("/not-available/x.pdb").body, "We're sorry, but the requested file is not available.\n");
    EXPECT_EQ(Get("/empty/x.pdb").body, "");
    EXPECT_EQ(Get("/status/404/x.pdb").status, 404);
    EXPECT_EQ(Get("/files/ethanol.mol").body.substr(0, 7), "ethanol");
    for (const char* outside : {"/files/../README.md", "/files/./ethanol.mol", "/files//ethanol.mol", "/bytes/x/y"})
        EXPECT_EQ(Get(outside).status, 404) << outside;
}

TEST_F(DownloadServer, CutsBodiesShortAsThePathSays)
{
    // A body that ends before its declared length is not a complete answer to the client.
    EXPECT_THROW(Get("/cut/1000/300/x.pdb"), std::runtime_error);
    EXPECT_THROW(Get("/reset/100000/3000/x.pdb"), std::runtime_error);
    EXPECT_EQ(Get("/trickle/3/1/x.pdb").body, std::string({standin::GeneratedByte(0), standin::GeneratedByte(1), standin::GeneratedByte(2)}));
}

TEST_F(DownloadServer, EchoesAndRecordsWhatItReceived)
{
    auto echo = LoopbackExchange(s_server->Port(), "POST", "/echo/p?q=1", {{"X-A", "b"}}, "q=1");
    auto echoed = standin::ParseRecordedRequests(echo.body);
    ASSERT_TRUE(echoed);
    ASSERT_EQ(echoed->size(), 1u);
    EXPECT_EQ((*echoed)[0].path, "/echo/p");
    EXPECT_EQ((*echoed)[0].query, "q=1");
    EXPECT_EQ((*echoed)[0].body, "q=1");
    // A client that takes the server for its proxy names the whole URL; the path is recorded.
    LoopbackExchange(s_server->Port(), "POST", "http://ab/p?q=1", {}, "q=1");
    auto last = s_server->Requests().back();
    EXPECT_EQ(last.path, "/p");
    EXPECT_EQ(last.query, "q=1");
}

} // namespace
