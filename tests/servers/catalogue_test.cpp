// The stand-in structure service's catalogue: what it answers for the searches and retrievals the item tests
// do not reach (the add-in's own tests run whole searches against it), and the folders it refuses.
#include "catalogue.h"

#include "mx/base64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string CatalogueFolder()
{
    const char* source = std::getenv("ULNARA_SOURCE_DIR");
    if (source == nullptr)
        throw std::runtime_error("ULNARA_SOURCE_DIR is not set (run the tests through ctest)");
    return std::string(source) + "/servers/structures";
}

TEST(StructureCatalogue, AnswersWhatItCanReadAndRefusesTheRest)
{
    std::string error;
    auto catalogue = standin::Catalogue::Load(CatalogueFolder(), error);
    ASSERT_TRUE(catalogue) << error;
    const struct {
        std::string method, path, body;
        int status;
        std::string answer;
    } cases[] = {
        {"POST", "/search", "name=Ethanol", 200, "ethanol"},           // an exact name wins over longer ones
        {"POST", "/search", "name=(+)-camphor", 200, "no_records_found"}, // an unescaped "+" is a blank
        {"POST", "/search", "structure=AAAA+AAA", 422, ""},             // and no Base64
        {"POST", "/search", "structure=" + std::string(mxBinaryToBase64("not exchange data", false, 72)), 422, ""},
        {"POST", "/search", "q=ethanol", 400, ""},
        {"GET", "/structure/ethanol,ethane", "", 404, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        standin::RecordedRequest request;
        request.method = c.method;
        request.path = c.path;
        request.body = c.body;
        auto answer = catalogue->Respond(request);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, c.status);
        if (c.status == 200) {
            EXPECT_EQ(answer->body, c.answer);
        }
    }
    standin::RecordedRequest other;
    other.method = "GET";
    other.path = "/about";
    EXPECT_FALSE(catalogue->Respond(other)) << "left to the script";

    const auto folder = std::filesystem::temp_directory_path() / ("catalogue-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "broken.mol") << "title\n\n\nnot a counts line\n";
    EXPECT_FALSE(standin::Catalogue::Load(folder.string(), error));
    EXPECT_NE(error.find("broken.mol"), std::string::npos) << error;
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(standin::Catalogue::Load(folder.string(), error));
}

} // namespace
