// The structure search's HTTP requests against the stand-in structure service on loopback, through the real
// Msxml2.XMLHTTP: what arrives on the wire for configured header lists, and what the answers become.
#include "webservice/HttpRequest.h"

#include "addin/RegistryKey.h"
#include "framework/ole_exception.h"
#include "registry_sandbox.h"
#include "stand_in_service.h"
#include "webservice/Cypher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <regex>

namespace {

using namespace std::string_literals;
using testing_support::StandInService;

const char itemPath[] = "Software\\HttpTests\\Item";

class HttpRequestTest : public testing::Test {
protected:
    struct Outcome {
        int result = -7;
        std::string response = "untouched";
        int status = -7;
    };

    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        s_service = std::make_unique<StandInService>();
    }
    static void TearDownTestSuite()
    {
        s_service.reset();
        CoUninitialize();
    }
    void SetUp() override { s_service->Reset(); }

    static StandInService& Service() { return *s_service; }

    // The item key with the POST header list stored enciphered, or without one.
    basic_RegistryKey ItemKey(const std::optional<std::string>& postHeaders)
    {
        basic_RegistryKey writable(HKEY_CURRENT_USER, itemPath, KEY_ALL_ACCESS, true);
        if (postHeaders) {
            EXPECT_EQ(writable.SetValue("POSTHeaders", cypher.Encrypt(*postHeaders)), ERROR_SUCCESS);
        }
        return basic_RegistryKey(HKEY_CURRENT_USER, itemPath, KEY_READ);
    }

    static Outcome Post(const HeaderMap& headers, const std::string& body, const std::string& target = "/search")
    {
        Outcome outcome;
        outcome.result = SendHttpRequest(Service().BaseUrl(), "POST", target, headers, body, outcome.response,
                                         outcome.status);
        return outcome;
    }

    // Sends a request with the item's POST headers and returns what the service recorded of it.
    standin::RecordedRequest SendConfigured(const std::optional<std::string>& list, const std::string& body = "q=1",
                                            const std::string& proxy = "")
    {
        const HeaderMap headers = SetupHeaders(ItemKey(list), "POST", body, proxy);
        Post(headers, body);
        auto requests = Service().Requests();
        EXPECT_EQ(requests.size(), 1u);
        Service().Reset();
        return requests.empty() ? standin::RecordedRequest() : requests.back();
    }

    static standin::Answer AnswerWith(std::string body, int status = 200, std::string reason = "OK")
    {
        standin::Answer answer;
        answer.body = std::move(body);
        answer.status = status;
        answer.reason = std::move(reason);
        return answer;
    }

    regconfig::RegistrySandbox m_sandbox;

private:
    static inline std::unique_ptr<StandInService> s_service;
};

TEST_F(HttpRequestTest, JoinsHostAndTargetAsTheyAreAndSendsTheBodyUpToItsZero)
{
    Outcome outcome;
    SendHttpRequest(Service().BaseUrl() + "/api", "POST", "search?kind=exact", {}, "a=1+2\0ignored"s, outcome.response,
                    outcome.status);
    SendHttpRequest(Service().BaseUrl(), "GET", "/structure/42", {}, "", outcome.response, outcome.status);
    auto requests = Service().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/apisearch");
    EXPECT_EQ(requests[0].query, "kind=exact");
    EXPECT_EQ(requests[0].body, "a=1+2");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].path, "/structure/42");
    EXPECT_EQ(requests[1].body, "");
}

TEST_F(HttpRequestTest, SetsHeadersInMapOrderWithTheLaterDuplicateWinning)
{
    // The map puts "X-Case" before "x-case", so it is set first; MSXML keeps one value per name whatever the
    // case, and the first one set is the one that arrives (a configured-order request would send "lower").
    auto request = SendConfigured("x-case:lower;X-Case:upper;Dup:old;B-Second:2;A-First:1;Dup:new");
    auto caseValues = request.HeaderValues("X-Case");
    ASSERT_FALSE(caseValues.empty());
    EXPECT_EQ(caseValues.front().substr(0, 5), "upper");
    EXPECT_EQ(request.HeaderValues("Dup"), std::vector<std::string>{"new"});
    EXPECT_EQ(request.HeaderValues("A-First"), std::vector<std::string>{"1"});
    EXPECT_EQ(request.HeaderValues("B-Second"), std::vector<std::string>{"2"});
}

TEST_F(HttpRequestTest, SendsTheDefaultContentTypeOnlyWithoutAList)
{
    const HeaderMap defaults = SetupHeaders(ItemKey(std::nullopt), "POST", "", "");
    EXPECT_EQ(defaults, (HeaderMap{{"Content-Type", "application/x-www-form-urlencoded"}}));
    EXPECT_EQ(SendConfigured(std::nullopt).HeaderValues("Content-Type"),
              std::vector<std::string>{"application/x-www-form-urlencoded"});
    EXPECT_TRUE(SendConfigured("X-Only:1").HeaderValues("Content-Type").empty());
    EXPECT_TRUE(SetupHeaders(ItemKey("X-Only:1"), "GET", "", "") == defaults) << "GET has a list of its own";
}

TEST_F(HttpRequestTest, MakesAFreshUUIDForEveryRequest)
{
    const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    auto first = SendConfigured("X-Id:[UUID];X-Twice:[[UUID]];X-Lower:[uuid]").HeaderValues("X-Id");
    auto second = SendConfigured("X-Id:[UUID]").HeaderValues("X-Id");
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(std::regex_match(first[0], uuid)) << first[0];
    EXPECT_TRUE(std::regex_match(second[0], uuid)) << second[0];
    EXPECT_NE(first[0], second[0]);
}

TEST_F(HttpRequestTest, SignaturesVerifyOnTheServerAndCoverOnlyEarlierHeaders)
{
    const std::string list = "X-Before:[sign(X-Id|Request_Body)key-1];X-Id:[UUID];"
                             "X-After:[sign(X-Id|Request_Body)key-1];X-Body:[sign(Request_Body)other key]";
    Post(SetupHeaders(ItemKey(list), "POST", "query=benzene", ""), "query=benzene");
    EXPECT_TRUE(Service().VerifySignature(0, "X-After", "X-Id|Request_Body", "key-1"));
    EXPECT_TRUE(Service().VerifySignature(0, "X-Body", "Request_Body", "other key"));
    // Configured before the UUID, the signature could not include it.
    EXPECT_FALSE(Service().VerifySignature(0, "X-Before", "X-Id|Request_Body", "key-1"));
    EXPECT_TRUE(Service().VerifySignature(0, "X-Before", "Request_Body", "key-1"));
}

TEST_F(HttpRequestTest, AppliesTheListTextRules)
{
    auto request = SendConfigured("X-Proxy:[proxyURL]; X-Trimmed :  spaced value  ;X-Url:\"http://host:8080/a;b\";"
                                  "X-Brackets:[];X-Unknown:[other];X-Extra:a:b;");
    EXPECT_EQ(request.HeaderValues("X-Trimmed"), std::vector<std::string>{"spaced value"});
    EXPECT_EQ(request.HeaderValues("X-Url"), std::vector<std::string>{"http://host:8080/a;b"});
    EXPECT_EQ(request.HeaderValues("X-Brackets"), std::vector<std::string>{"[]"}); // not dynamic: sent as it is
    EXPECT_EQ(request.HeaderValues("X-Extra"), std::vector<std::string>{"a"});
    // Headers with an empty value (the proxy address was empty, an unknown keyword) go out empty.
    for (const char* empty : {"X-Proxy", "X-Unknown"})
        EXPECT_EQ(request.HeaderValues(empty), std::vector<std::string>{""}) << empty;
    EXPECT_EQ(SendConfigured("X-Proxy:[proxyURL]", "q", "http://proxy:3128").HeaderValues("X-Proxy"),
              std::vector<std::string>{"http://proxy:3128"});

    // An empty item is an entry of its own with an empty name, which MSXML refuses like any empty name.
    const HeaderMap withEmpty = SetupHeaders(ItemKey("A:1;;B:2;"), "POST", "", "");
    EXPECT_EQ(withEmpty, (HeaderMap{{"", ""}, {"A", "1"}, {"B", "2"}}));
    Outcome outcome;
    EXPECT_THROW(SendHttpRequest(Service().BaseUrl(), "POST", "/", withEmpty, "", outcome.response, outcome.status),
                 COleDispatchException);
}

// A line break in a header would reach the wire as header lines of its own: a stored proxy address, a
// literal of the list or any value holding CR, LF or a zero byte refuses the whole request unsent.
TEST_F(HttpRequestTest, RefusesHeadersThatWouldSplitOnTheWire)
{
    const HeaderMap fromProxy = SetupHeaders(ItemKey("X-Proxy:[proxyURL]"), "POST", "q", "http://p:1\r\nX-Injected: yes");
    const HeaderMap fromList = SetupHeaders(ItemKey("X-Lit:\"a\nX-Injected: yes\""), "POST", "q", "");
    const HeaderMap cases[] = {
        fromProxy,
        fromList,
        {{"X-Zero", "a\0b"s}},
        {{"X-Carriage", "a\rb"}},
        {{"X-Line\nX-Injected", "yes"}},
        {{"X-Fine", "1"}, {"X-Zero\0"s, "2"}},
    };
    for (const HeaderMap& headers : cases) {
        SCOPED_TRACE(headers.rbegin()->first);
        Outcome outcome;
        try {
            SendHttpRequest(Service().BaseUrl(), "POST", "/search", headers, "q", outcome.response, outcome.status);
            ADD_FAILURE() << "sent";
        } catch (const COleDispatchException& error) {
            EXPECT_EQ(error.ErrorCode(), E_INVALIDARG);
            EXPECT_NE(error.m_strDescription.find("line break"), std::string::npos);
        }
        EXPECT_EQ(outcome.response, "untouched");
    }
    EXPECT_TRUE(Service().Requests().empty());
}

TEST_F(HttpRequestTest, DecidesURLEncodingOnTheRawListText)
{
    const struct {
        std::optional<std::string> list;
        bool encode;
    } cases[] = {
        {std::nullopt, true},
        {"X-A:1;Content-Type:application/x-www-form-urlencoded", true},
        {"Content-Type: application/x-www-form-urlencoded", false}, // trimmed when sent, yet not counted
        {"content-type:application/x-www-form-urlencoded", false},
        {"Content-Type:text/plain", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list.value_or("(no list)"));
        basic_RegistryKey key = ItemKey(c.list);
        EXPECT_EQ(RequiresURLEncoding(key, "POST"), c.encode);
        RegDeleteKeyA(HKEY_CURRENT_USER, itemPath);
    }
    EXPECT_EQ(SendConfigured("Content-Type: application/x-www-form-urlencoded").HeaderValues("Content-Type"),
              std::vector<std::string>{"application/x-www-form-urlencoded"});
}

TEST_F(HttpRequestTest, ReadsTheAnswers)
{
    standin::Answer slow = AnswerWith("mol\0with\0zeros"s);   // arrives late and in pieces, yet whole
    slow.delayMs = 100;
    slow.trickleMs = 10;
    standin::Answer chunked = AnswerWith("chunked\0answer of three chunks"s);
    chunked.chunkSize = 12;
    const struct {
        standin::Answer answer;
        int result;
        std::string response;
    } cases[] = {
        {slow, 1, slow.body},
        {AnswerWith("no_records_found"), 0, "No Records Found"},
        {AnswerWith("no_records_found\n"), 1, "no_records_found\n"},
        {AnswerWith("<html>missing</html>", 404, "Nothing Matched"), 0, "Nothing Matched"},
        {AnswerWith("", 500, "Internal Trouble"), 0, "Internal Trouble"},
        {AnswerWith(""), 1, ""},
        {chunked, 1, chunked.body},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response);
        Service().Enqueue(c.answer);
        Outcome outcome = Post({}, "q");
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.response, c.response);
        EXPECT_EQ(outcome.status, c.answer.status);
    }
}

TEST_F(HttpRequestTest, TransportFailuresThrowAutomationExceptionsAndRestoreTheCursor)
{
    standin::Answer cut = AnswerWith("0123456789abcdef");
    cut.resetAfter = 6;
    Service().Enqueue(cut);
    int refusedPort = 0;
    {
        StandInService stopped;
        refusedPort = stopped.Port();
    }
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    const std::string refusedHost = "http://127.0.0.1:" + std::to_string(refusedPort);
    for (const std::string& host : {Service().BaseUrl(), refusedHost}) {
        SCOPED_TRACE(host);
        SetCursor(arrow);
        Outcome outcome;
        try {
            SendHttpRequest(host, "POST", "/search", {}, "q", outcome.response, outcome.status);
            ADD_FAILURE() << "no exception";
        } catch (const COleDispatchException& error) {
            EXPECT_NE(error.ErrorCode(), 0);
        }
        EXPECT_EQ(outcome.response, "untouched");
        EXPECT_EQ(outcome.status, -7);
        EXPECT_EQ(GetCursor(), arrow);
    }
}

// A chunked answer that ends before its last chunk is a failed download, as one short of its Content-Length
// is. Wine's MSXML returns what arrived as a whole answer, with nothing that tells it apart (status, ready
// state, headers and the response stream's length are those of a whole answer): a known Wine limitation,
// reported as skipped there (docs/wine.md).
TEST_F(HttpRequestTest, AChunkedAnswerCutShortIsAFailure)
{
    standin::Answer cut = AnswerWith("0123456789abcdef");
    cut.chunkSize = 8;
    cut.closeAfter = 8;
    Service().Enqueue(cut);
    Outcome outcome;
    try {
        outcome.result = SendHttpRequest(Service().BaseUrl(), "GET", "/cut", {}, "", outcome.response, outcome.status);
    } catch (const COleDispatchException&) {
        EXPECT_EQ(outcome.response, "untouched");
        return;
    }
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr)
        GTEST_SKIP() << "known Wine limitation: a chunked answer cut short reads as whole (result " << outcome.result
                     << ", \"" << outcome.response << "\")";
    ADD_FAILURE() << "a chunked answer cut short was taken as whole: \"" << outcome.response << "\"";
}

TEST_F(HttpRequestTest, AStoredListThatDoesNotDecipherPropagatesTheCipherError)
{
    basic_RegistryKey writable(HKEY_CURRENT_USER, itemPath, KEY_ALL_ACCESS, true);
    ASSERT_EQ(writable.SetValue("POSTHeaders", "Content-Type:text/plain"), ERROR_SUCCESS); // stored in clear
    basic_RegistryKey key(HKEY_CURRENT_USER, itemPath, KEY_READ);
    EXPECT_THROW(SetupHeaders(key, "POST", "", ""), CypherError);
    EXPECT_THROW(RequiresURLEncoding(key, "POST"), CypherError);
    EXPECT_EQ(LoadHeaders(key, "GET"), "");
}

TEST(HeaderListText, ReadsDeclaredBodyLengths)
{
    EXPECT_EQ(DeclaredBodyLength("Content-Type: text/plain\r\nContent-Length: 10\r\n\r\n"), 10u);
    EXPECT_EQ(DeclaredBodyLength("content-length:0\r\nContent-Encoding: identity\r\n"), 0u);
    EXPECT_FALSE(DeclaredBodyLength("Content-Length: 10\r\nContent-Encoding: gzip\r\n"));
    EXPECT_FALSE(DeclaredBodyLength("Content-Length: ten\r\n"));
    EXPECT_FALSE(DeclaredBodyLength("Transfer-Encoding: chunked\r\n"));
}

} // namespace
