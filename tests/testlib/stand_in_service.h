// Test support for the stand-in services of servers/: starts one on a free loopback port for the life of
// the object and drives it over HTTP (protocol.h). Works natively and in Windows tests under Wine, which
// can start the native Linux program directly. Every wait is bounded; failures throw std::runtime_error.
#pragma once

#include "protocol.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One HTTP/1.1 exchange with 127.0.0.1:port over a fresh connection.
standin::HttpReply LoopbackExchange(int port, std::string_view method, std::string_view target,
                                    const HeaderList& headers = {}, std::string_view body = {});

// A loopback port on which nothing listens (connections to it are refused).
int RefusedPort();

class StandInService {
public:
    // `program` is the service's Unix path; by default the one ctest names in ULNARA_STRUCTURE_SERVICE.
    // `options` go to the program's command line as they are (Unix paths for the native service).
    explicit StandInService(std::string program = {}, const std::vector<std::string>& options = {});
    // The structure service answering from the catalogue of servers/structures (servers/catalogue.h).
    static std::vector<std::string> CatalogueOptions();
    // The download server's program, as ctest names it in ULNARA_DOWNLOAD_SERVER.
    static std::string DownloadServerProgram();
    ~StandInService();
    StandInService(const StandInService&) = delete;
    StandInService& operator=(const StandInService&) = delete;

    int Port() const { return m_port; }
    std::string BaseUrl() const; // "http://127.0.0.1:<port>"

    void Enqueue(const standin::Answer& answer);
    void SetDefaultAnswer(const standin::Answer& answer);
    std::vector<standin::RecordedRequest> Requests();
    // Whether the recorded request's header holds HMAC-SHA256 of the field list under the key, as the
    // service recomputes it; `expected` receives the service's signature when it differs.
    bool VerifySignature(std::size_t request, std::string_view header, std::string_view fields,
                         std::string_view key, std::string* expected = nullptr);
    void Reset();
    // Stops the service now (the destructor does it otherwise); later calls do nothing.
    void Stop();

private:
    standin::HttpReply Control(std::string_view method, std::string_view command, const HeaderList& headers = {},
                               std::string_view body = {});

    std::string m_portFile; // Unix path the service writes its port to, and removes when it ends
    int m_port = 0;
    long m_process = 0;     // native: the child's pid
};

} // namespace testing_support
