#include "netfile/OpenGetNetFile.h"

#include "addin/ConfigStore.h"
#include "webservice/Selection.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

// The file's bytes; the path is in the system code page, which the runtime's narrow open expects.
std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!file.is_open() || file.bad())
        throw std::runtime_error("Cannot read " + path);
    return content;
}

} // namespace

void OpenGetNetFile(Application& application, const std::string& path)
{
    const TreviskApp app = IdentifyApp(application);
    if (IsDrawingApp(app)) {
        std::string content = ReadWholeFile(path);
        if (!content.empty())
            SetStructureData(application, std::move(content));
    } else if (IsModelApp(app)) {
        application.Documents().OpenDocument(path);
    } else if (app != appRavelle) {
        throw std::runtime_error("Unknown application");
    }
}
