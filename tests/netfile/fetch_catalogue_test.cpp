// The stand-in download server's catalogue, read the way the add-in reads its answers: good entries give
// answer files that count, each scripted fault gives the failure it names.
#include "fetch_catalogue.h"
#include "netfile/FetchText.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

standin::FetchCatalogue Catalogue()
{
    std::string error;
    auto catalogue = standin::LoadFetchCatalogue(std::string(std::getenv("ULNARA_SOURCE_DIR")) +
                                                     "/tests/fixtures/netfile", error);
    if (!catalogue)
        throw std::runtime_error(error);
    return *catalogue;
}

standin::RecordedRequest Task(const std::string& query)
{
    standin::RecordedRequest request;
    request.method = "GET";
    request.path = standin::kFetchTaskPath;
    request.query = query;
    request.headers = {{"Host", "127.0.0.1:4242"}};
    return request;
}

std::string Body(const standin::FetchCatalogue& catalogue, const standin::RecordedRequest& request)
{
    auto answer = standin::AnswerFetchRequest(catalogue, request);
    return answer ? answer->body : "(none)";
}

} // namespace

TEST(FetchCatalogue, GoodEntriesAnswerWhatTheAddInReads)
{
    const auto catalogue = Catalogue();
    std::string tokens, caption, fileTypes;
    ASSERT_TRUE(netfile::ReadInitAnswer(
        Body(catalogue, Task("action=PDB&mxapp=Velmora%20Professional&mxver=19.0&task=gettoken")), tokens, caption,
        fileTypes));
    EXPECT_EQ(tokens, "ID:PDB ID;CHAIN:Chain{A,B}");

    auto link = netfile::ReadLinkAnswer(Body(catalogue, Task("action=PDB&mxapp=Velmora&task=getlink&ID=0ULN&CHAIN=A")));
    EXPECT_TRUE(link.counts);
    EXPECT_EQ(link.link, "http://127.0.0.1:4242/entries/0uln.pdb");
    link = netfile::ReadLinkAnswer(Body(catalogue, Task("action=MOL&task=getlink&NAME=ACETIC-ACID")));
    EXPECT_EQ(link.saveAs, "acetic_acid.mol");

    standin::RecordedRequest file;
    file.method = "GET";
    file.path = "/entries/0uln.pdb";
    EXPECT_EQ(Body(catalogue, file).substr(0, 6), "HEADER");
    file.path = "/entries/catalogue.txt"; // only the catalogue's entries are served
    EXPECT_FALSE(standin::AnswerFetchRequest(catalogue, file));
}

TEST(FetchCatalogue, FaultsFailAsNamed)
{
    const auto catalogue = Catalogue();
    std::string tokens, caption, fileTypes;
    for (const char* action : {"INITFIRST", "INITEMPTY", "INITLONG", "UNKNOWN"}) {
        SCOPED_TRACE(action);
        EXPECT_FALSE(netfile::ReadInitAnswer(Body(catalogue, Task(std::string("task=gettoken&action=") + action)),
                                             tokens, caption, fileTypes));
    }
    for (const char* id : {"9BAD", "9EMP", "9PUT", "9PST", "9LNG", "NONE"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(netfile::ReadLinkAnswer(Body(catalogue, Task(std::string("action=PDB&task=getlink&ID=") + id))).counts);
    }
    EXPECT_EQ(netfile::ReadLinkAnswer(Body(catalogue, Task("action=PDB&task=getlink&ID=9PST"))).saveAs, "posted.pdb");
    auto link = netfile::ReadLinkAnswer(Body(catalogue, Task("action=PDB&task=getlink&ID=9UP1")));
    EXPECT_TRUE(link.counts);
    EXPECT_EQ(link.saveAs, "..\\..\\escaped.pdb");

    for (const char* query : {"action=PDB&task=getlink&ID=9NON", "action=INITNONE&task=gettoken"})
        EXPECT_TRUE(standin::AnswerFetchRequest(catalogue, Task(query))->noAnswer);
}
