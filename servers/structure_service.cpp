// The stand-in structure service: records requests and answers from a script, driven over HTTP by tests
// (protocol.h), and with --catalogue from a folder of structures it searches and hands out (catalogue.h).
#include "catalogue.h"
#include "service_main.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    std::string folder;
    auto option = [&folder](std::string_view name, std::string_view value) {
        if (name != "--catalogue")
            return false;
        folder = value;
        return true;
    };
    auto setup = [&folder](standin::StandInServer& server) {
        if (folder.empty())
            return true;
        std::string error;
        auto catalogue = standin::Catalogue::Load(folder, error);
        if (!catalogue) {
            std::fprintf(stderr, "structure_service: %s\n", error.c_str());
            return false;
        }
        server.SetResponder([catalogue = std::move(*catalogue)](const standin::RecordedRequest& request) {
            return catalogue.Respond(request);
        });
        return true;
    };
    return standin::RunService(argc, argv, "structure_service", option, setup);
}
