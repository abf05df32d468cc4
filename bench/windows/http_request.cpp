// Times the structure search's request pipeline under Wine: per request the signed header list is read and
// deciphered from the item key, a UUID and a signature are computed, and the POST goes through Msxml2.XMLHTTP
// to the stand-in service on loopback. Usage: bench_http_request PORT COUNT. Prints requests per second.
#include "addin/RegistryKey.h"
#include "registry_sandbox.h"
#include "webservice/Cypher.h"
#include "webservice/HttpRequest.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv)
try {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_http_request PORT COUNT\n");
        return 2;
    }
    const std::string host = "http://127.0.0.1:" + std::string(argv[1]);
    const int count = std::atoi(argv[2]);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing_support::RegistrySandbox sandbox;
    const char itemPath[] = "Software\\Bench\\Item";
    basic_RegistryKey(HKEY_CURRENT_USER, itemPath, KEY_ALL_ACCESS, true)
        .SetValue("POSTHeaders", cypher.Encrypt("Content-Type:application/x-www-form-urlencoded;X-Request-Id:[UUID];"
                                                "X-Signature:[sign(X-Request-Id|Request_Body)bench key]"));
    const basic_RegistryKey item(HKEY_CURRENT_USER, itemPath, KEY_READ);
    const std::string body = "searchType=substructure&structure=C1%3DCC%3DCC%3DC1";

    int failures = 0;
    auto post = [&] {
        std::string response;
        int status = 0;
        failures += SendHttpRequest(host, "POST", "/search", SetupHeaders(item, "POST", body, ""), body, response,
                                    status) != 1;
    };
    for (int i = 0; i < 10; ++i)
        post(); // connection set-up of MSXML and the service's first answers
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        post();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("msxml: %d requests in %.3f s: %.0f requests/s (%d failed)\n", count, seconds, count / seconds,
                failures);
    // The share of the header step (decipher, UUID, signature) on its own.
    const auto headerStart = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        SetupHeaders(item, "POST", body, "");
    const double headerSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - headerStart).count();
    std::printf("headers alone: %.0f per second\n", count / headerSeconds);
    CoUninitialize();
    return failures == 0 ? 0 : 1;
} catch (const std::exception& error) {
    std::fprintf(stderr, "bench_http_request: %s\n", error.what());
    return 1;
}
