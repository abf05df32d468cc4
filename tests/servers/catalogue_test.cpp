// The stand-in structure service's catalogue: what a search by name or by structure answers, the structures
// it hands out, and the form bodies it reads.
#include "catalogue.h"

#include "mx/base64.h"
#include "refhost/chem/Exchange.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using standin::Answer;
using standin::Catalogue;

std::string SourceDir()
{
    const char* dir = std::getenv("ULNARA_SOURCE_DIR");
    if (dir == nullptr)
        throw std::runtime_error("ULNARA_SOURCE_DIR is not set (run the tests through ctest)");
    return dir;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The structure of a molfile as the add-in posts it: exchange data in Base64 lines of 72, "+" as "%2b".
std::string StructureField(const std::string& molfile)
{
    std::string text = mxBinaryToBase64(refhost::chem::EncodeExchange(molfile), false, 72);
    for (std::size_t at = text.find('+'); at != std::string::npos; at = text.find('+', at))
        text.replace(at, 1, "%2b");
    return "structure=" + text;
}

class StructureCatalogue : public testing::Test {
protected:
    StructureCatalogue()
    {
        std::string error;
        auto loaded = Catalogue::Load(SourceDir() + "/servers/structures", error);
        if (!loaded)
            throw std::runtime_error(error);
        m_catalogue = std::move(*loaded);
    }

    Answer Respond(std::string method, std::string path, std::string body = {})
    {
        standin::RecordedRequest request;
        request.method = std::move(method);
        request.path = std::move(path);
        request.body = std::move(body);
        auto answer = m_catalogue->Respond(request);
        if (!answer)
            throw std::runtime_error("the catalogue left the request to the script");
        return *answer;
    }

    std::optional<Catalogue> m_catalogue;
};

TEST_F(StructureCatalogue, SearchesByName)
{
    const struct {
        std::string body;
        std::string answer;
    } cases[] = {
        {"name=Ethanol", "ethanol"},                           // an exact name wins over longer ones
        {"name=eth", "ethane,ethanol,ethyl acetate"},         // several starts: a list in name order
        {"name=ethyl%20acetate&comp=vlns", "ethyl acetate"},
        {"name=(%2B)-camphor", "(+)-camphor"},
        {"name=(+)-camphor", "no_records_found"},             // an unescaped "+" is a blank in a form
        {"name=unobtainium", "no_records_found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        Answer answer = Respond("POST", "/search", c.body);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.body, c.answer);
    }
}

TEST_F(StructureCatalogue, SearchesByStructureAndHandsStructuresOut)
{
    const std::string ethanol = ReadFile(SourceDir() + "/servers/structures/ethanol.mol");
    EXPECT_EQ(Respond("POST", "/search?type=substance", StructureField(ethanol)).body, "ethanol");
    const std::string camphor = ReadFile(SourceDir() + "/servers/structures/(+)-camphor.mol");
    EXPECT_EQ(Respond("POST", "/search", "mode=x&" + StructureField(camphor)).body, "(+)-camphor");

    Answer retrieved = Respond("GET", "/structure/ethyl%20acetate");
    EXPECT_EQ(retrieved.status, 200);
    auto document = refhost::chem::ReadExchange(retrieved.body);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->Atoms().size(), 6u);
    EXPECT_EQ(Respond("GET", "/structure/empty").body, "");   // the empty structure
    EXPECT_EQ(Respond("GET", "/structure/ethanol,ethane").status, 404);
    standin::RecordedRequest other;
    other.method = "GET";
    other.path = "/about";
    EXPECT_FALSE(m_catalogue->Respond(other));
}

TEST_F(StructureCatalogue, RefusesSearchesItCannotRead)
{
    // A "+" left unescaped arrives as a blank, which is no Base64 character.
    EXPECT_EQ(Respond("POST", "/search", "structure=AAAA+AAA").status, 422);
    EXPECT_EQ(Respond("POST", "/search", "structure=" + std::string(mxBinaryToBase64("not exchange data", false, 0))).status,
              422);
    EXPECT_EQ(Respond("POST", "/search", "q=ethanol").status, 400);
}

TEST(StructureCatalogueFolder, RefusesFoldersItCannotRead)
{
    const auto folder = std::filesystem::temp_directory_path() / ("catalogue-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "broken.mol") << "title\n\n\nnot a counts line\n";
    std::string error;
    EXPECT_FALSE(Catalogue::Load(folder.string(), error));
    EXPECT_NE(error.find("broken.mol"), std::string::npos) << error;
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(Catalogue::Load(folder.string(), error));
}

TEST(FormBody, DecodesFieldsAsAFormDoes)
{
    EXPECT_EQ(standin::ParseFormBody("name=a%20b+c&x=%zz&flag&%2b=%2B"),
              (std::map<std::string, std::string>{{"name", "a b c"}, {"x", "%zz"}, {"flag", ""}, {"+", "+"}}));
    EXPECT_EQ(standin::PercentDecode("a+b%2", false), "a+b%2");
}

} // namespace
