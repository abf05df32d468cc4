// Times the structure search's request pipeline under Wine: per request the signed header list is read and
// deciphered from the item key, a UUID and a signature are computed, and the POST goes through Msxml2.XMLHTTP
// to the stand-in service on loopback. The peer, in the same process against the same service, is a plain
// WinInet loop sending the same signed POST (the headers the pipeline built once). Rounds of the pipeline,
// the peer and the header step alone alternate, so that a change in the machine's load touches all three;
// the figures are medians over the rounds. Usage: bench_http_request PORT COUNT (requests of each kind).
#include "addin/RegistryKey.h"
#include "framework/handle.h"
#include "registry_sandbox.h"
#include "webservice/Cypher.h"
#include "webservice/HttpRequest.h"

#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using unique_hinternet = fw::unique_handle<HINTERNET, &InternetCloseHandle>;

constexpr int kRounds = 5;

// The status of one POST made with WinInet: a connection and a request per call, the answer read whole.
int PostWithWinInet(HINTERNET session, INTERNET_PORT port, const std::string& path, const std::string& headers,
                    const std::string& body)
{
    unique_hinternet connection(
        InternetConnectA(session, "127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    unique_hinternet request(HttpOpenRequestA(connection.get(), "POST", path.c_str(), nullptr, nullptr, nullptr,
                                              INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                                  INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI,
                                              0));
    if (!request || !HttpSendRequestA(request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                      const_cast<char*>(body.data()), static_cast<DWORD>(body.size())))
        throw std::runtime_error("WinInet request failed: " + std::to_string(GetLastError()));
    DWORD status = 0, size = sizeof status;
    HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read != 0) {
    }
    return static_cast<int>(status);
}

// Median over the rounds of the milliseconds per call.
double MedianMilliseconds(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double MillisecondsPerCall(int calls, const std::function<void()>& call)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
        call();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / calls;
}

} // namespace

int main(int argc, char** argv)
try {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_http_request PORT COUNT\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string host = "http://127.0.0.1:" + std::string(argv[1]);
    const int perRound = std::max(1, std::atoi(argv[2]) / kRounds);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    regconfig::RegistrySandbox sandbox;
    const char itemPath[] = "Software\\Bench\\Item";
    basic_RegistryKey(HKEY_CURRENT_USER, itemPath, KEY_ALL_ACCESS, true)
        .SetValue("POSTHeaders", cypher.Encrypt("Content-Type:application/x-www-form-urlencoded;X-Request-Id:[UUID];"
                                                "X-Signature:[sign(X-Request-Id|Request_Body)bench key]"));
    const basic_RegistryKey item(HKEY_CURRENT_USER, itemPath, KEY_READ);
    const std::string body = "searchType=substructure&structure=C1%3DCC%3DCC%3DC1";

    int failures = 0;
    auto pipeline = [&] {
        std::string response;
        int status = 0;
        failures += SendHttpRequest(host, "POST", "/search", SetupHeaders(item, "POST", body, ""), body, response,
                                    status) != 1;
    };
    std::string peerHeaders;
    for (const auto& [name, value] : SetupHeaders(item, "POST", body, ""))
        peerHeaders += name + ": " + value + "\r\n";
    unique_hinternet session(InternetOpenA("bench_http_request", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    auto peer = [&] {
        failures += PostWithWinInet(session.get(), static_cast<INTERNET_PORT>(port), "/search", peerHeaders, body) != 200;
    };
    auto headerStep = [&] { SetupHeaders(item, "POST", body, ""); };

    for (int i = 0; i < 10; ++i) { // connection set-up of both clients and the service's first answers
        pipeline();
        peer();
    }
    std::vector<double> pipelineTimes, peerTimes, headerTimes;
    for (int round = 0; round < kRounds; ++round) {
        pipelineTimes.push_back(MillisecondsPerCall(perRound, pipeline));
        peerTimes.push_back(MillisecondsPerCall(perRound, peer));
        headerTimes.push_back(MillisecondsPerCall(perRound, headerStep));
    }
    const double pipelineMs = MedianMilliseconds(pipelineTimes), peerMs = MedianMilliseconds(peerTimes),
                 headerMs = MedianMilliseconds(headerTimes);
    std::printf("pipeline (MSXML): %.0f requests/s, %.2f ms per request (%d failed)\n", 1e3 / pipelineMs, pipelineMs,
                failures);
    std::printf("WinInet loop:     %.0f requests/s, %.2f ms per request\n", 1e3 / peerMs, peerMs);
    std::printf("header step:      %.2f ms, %.1f%% of a pipeline request\n", headerMs, 100 * headerMs / pipelineMs);
    std::printf("ratio: the pipeline makes %.2f requests for each one of the WinInet loop's\n", peerMs / pipelineMs);
    session.reset();
    CoUninitialize();
    return failures == 0 ? 0 : 1;
} catch (const std::exception& error) {
    std::fprintf(stderr, "bench_http_request: %s\n", error.what());
    return 1;
}
