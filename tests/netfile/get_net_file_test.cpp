// Whole download runs against the stand-in download server on loopback: the notices a window receives (read
// from a message-only window), what lands on disk and what does not, what the server received, and stops.
#include "netfile/GetNetFile.h"

#include "framework/internet.h"
#include "netfile_testing.h"
#include "protocol.h"
#include "registry_sandbox.h"
#include "stand_in_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

using namespace netfile_testing;
using testing_support::StandInService;

const std::string kBefore = "the file that was there";

// Compared here rather than in an assertion, which would print megabytes on a mismatch.
bool Holds(const std::string& path, const std::string& bytes) { return FileBytes(path) == bytes; }

bool IsGenerated(const std::string& bytes, std::size_t length)
{
    if (bytes.size() != length)
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != standin::GeneratedByte(i))
            return false;
    return true;
}

class GetNetFileTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<StandInService>(StandInService::DownloadServerProgram()); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { s_server->Reset(); }

    static std::string Url(const std::string& path) { return s_server->BaseUrl() + path; }

    // Runs a job in a worker to its finish notice; the job's result.
    int RunInWorker(CGetNetFile& job, const std::string& destination, DWORD* thread = nullptr)
    {
        const DWORD id = window.Started(job.DownloadInThread(destination));
        EXPECT_NE(id, 0u);
        if (thread)
            *thread = id;
        EXPECT_TRUE(window.WaitForFinish(id)) << "no finish notice";
        return window.Finish(id).value_or(-1);
    }
    // A GET of the URL run in a worker to its finish notice; the job's result.
    int Get(const std::string& url, const std::string& destination, DWORD* thread = nullptr)
    {
        CGetNetFile job("GET", url, "", window.Handle());
        return RunInWorker(job, destination, thread);
    }
    // Starts a job on a worker and waits until its first bytes have arrived.
    DWORD StartUntilProgress(CGetNetFile& job, const std::string& destination)
    {
        const DWORD thread = window.Started(job.DownloadInThread(destination));
        EXPECT_NE(thread, 0u);
        EXPECT_TRUE(window.PumpUntil(30s, [&] { return window.Count(thread, gnfKilobytes) > 0; }))
            << "no progress before the stall";
        return thread;
    }

    static inline std::unique_ptr<StandInService> s_server;
    regconfig::RegistrySandbox sandbox;
    NoticeWindow window;
    ScratchFolder folder{"netfile-"};
};

TEST_F(GetNetFileTest, GetStoresTheBodyUnderTheUrlsNameAndReportsProgress)
{
    CGetNetFile job("GET", Url("/bytes/1000000/files/1ABC.pdb?x=1"), "X-Ignored: 1", window.Handle());
    DWORD thread = 0;
    ASSERT_EQ(RunInWorker(job, folder.Path(), &thread), gnfSuccess);
    EXPECT_EQ(job.GetErrorCode(), gnfSuccess);
    EXPECT_EQ(job.GetSaveAsFilename(), folder.File("1ABC.pdb"));
    EXPECT_TRUE(IsGenerated(FileBytes(folder.File("1ABC.pdb")), 1'000'000));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"1ABC.pdb"}); // no temporary file left

    const auto codes = window.Codes(thread);
    ASSERT_GE(codes.size(), 7u);
    EXPECT_EQ(std::vector<WORD>(codes.begin(), codes.begin() + 3), (std::vector<WORD>{21, 23, 27}));
    EXPECT_EQ(codes.back(), gnfFinished);
    for (std::size_t i = 3; i + 1 < codes.size(); ++i)
        EXPECT_TRUE(codes[i] >= gnfSpeed && codes[i] <= gnfPercent) << "notice " << i << ": " << codes[i];
    EXPECT_EQ(window.Last(thread, gnfPercent), 90);
    EXPECT_EQ(window.Last(thread, gnfKilobytes), 976);

    auto requests = s_server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].query, "x=1");
    EXPECT_TRUE(requests[0].HeaderValues("X-Ignored").empty()); // headers are for POST only
}

TEST_F(GetNetFileTest, BodyArrivingByteByByteIsStoredWhole)
{
    // Most reads find nothing waiting and complete later, when WinInet only says that data has come.
    ASSERT_EQ(Get(Url("/trickle/700/1/slow.pdb"), folder.Path()), gnfSuccess);
    EXPECT_TRUE(IsGenerated(FileBytes(folder.File("slow.pdb")), 700));
}

TEST_F(GetNetFileTest, PostSendsTheQueryAsBodyToHostAndPath)
{
    UseProxy(s_server->Port());   // the POST form always uses the default HTTP port
    CGetNetFile job("POST", "http://ab/p?q=1", "X-Entry: 1ABC\r\nContent-Type: application/x-www-form-urlencoded", window.Handle());
    const std::string destination = folder.File("answer.txt");
    DWORD thread = 0;
    RunInWorker(job, destination, &thread);
    auto codes = window.Codes(thread);
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(std::vector<WORD>(codes.begin(), codes.begin() + 4), (std::vector<WORD>{21, 22, 23, 27}));
    auto requests = s_server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/p");
    EXPECT_EQ(requests[0].query, "q=1");
    EXPECT_EQ(requests[0].body, "q=1");
    EXPECT_EQ(requests[0].HeaderValues("Host"), std::vector<std::string>{"ab"});
    EXPECT_EQ(requests[0].HeaderValues("X-Entry"), std::vector<std::string>{"1ABC"});
    // The server's 404 page is stored: only the body's content decides what is an error.
    EXPECT_EQ(job.GetErrorCode(), gnfSuccess);
    EXPECT_EQ(FileBytes(destination), "no such file\n");
}

TEST_F(GetNetFileTest, PostHeadersCannotReframeTheBody)
{
    // Header text may come from a server's answer: a length or coding of its own would cut the body short
    // and leave the rest on the connection as the start of another request.
    UseProxy(s_server->Port());
    for (const char* framing : {"Content-Length: 1", "transfer-encoding : chunked"}) {
        SCOPED_TRACE(framing);
        s_server->Reset();
        CGetNetFile job("POST", "http://ab/p?q=123", std::string("X-Entry: 1ABC\r\n") + framing + "\r\nX-After: 2",
                        window.Handle());
        EXPECT_EQ(RunInWorker(job, folder.File("answer.txt")), gnfSuccess);
        auto requests = s_server->Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].body, "q=123");
        EXPECT_EQ(requests[0].HeaderValues("Content-Length"), std::vector<std::string>{"5"});
        EXPECT_TRUE(requests[0].HeaderValues("Transfer-Encoding").empty());
        EXPECT_EQ(requests[0].HeaderValues("X-After"), std::vector<std::string>{"2"});
    }
}

TEST_F(GetNetFileTest, PostUrlThatCannotBeSplitEndsWithTwo)
{
    for (const char* url : {"http://a/p?q=1", "http://ab/p"}) {
        SCOPED_TRACE(url);
        CGetNetFile job("POST", url, "", window.Handle());
        DWORD thread = 0;
        EXPECT_EQ(RunInWorker(job, folder.File("x.txt"), &thread), gnfBadPostUrl);
        EXPECT_EQ(window.Codes(thread), (std::vector<WORD>{gnfUrlNotSplit, gnfFinished}));
    }
    EXPECT_TRUE(s_server->Requests().empty());
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(GetNetFileTest, BlockingDownloadPostsNothing)
{
    CGetNetFile job("GET", Url("/bytes/70000/entry.pdb"), "", window.Handle());
    std::string path = folder.Path() + "\\";
    ASSERT_TRUE(job.Download(path));
    EXPECT_EQ(path, folder.File("entry.pdb"));
    EXPECT_TRUE(IsGenerated(FileBytes(path), 70000));
    std::string failing = folder.Path();
    CGetNetFile empty("GET", Url("/empty/none.pdb"), "", window.Handle());
    EXPECT_FALSE(empty.Download(failing));
    EXPECT_EQ(failing, folder.Path());
    EXPECT_EQ(empty.GetErrorCode(), gnfNoData);
    window.Drain(100ms);
    EXPECT_EQ(window.Total(), 0u);
}

TEST_F(GetNetFileTest, FailuresLeaveTheDestinationAsItWas)
{
    struct Case {
        std::string url;
        int result;
    } cases[] = {
        {Url("/html/hTmL/entry.pdb"), gnfErrorPage},
        {Url("/not-available/entry.pdb"), gnfErrorPage},
        {Url("/empty/entry.pdb"), gnfNoData},
        {Url("/cut/100000/30000/entry.pdb"), gnfInternetFailure}, // a clean close before the declared end
        {Url("/cut/1000/0/entry.pdb"), gnfInternetFailure},
        {Url("/oddlength/5000x/2000/entry.pdb"), gnfInternetFailure}, // the length WinInet reads from it
        {Url("/reset/300000/100000/entry.pdb"), gnfInternetFailure},
        {RefusedURL("/bytes/10/x.pdb"), gnfInternetFailure},
        {Url("/bytes/10/entry.pdb\r\nX-Injected: 1"), gnfInternetFailure},
    };
    const std::string destination = folder.File("entry.pdb");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        WriteFile(destination, kBefore);
        EXPECT_EQ(Get(c.url, destination), c.result);
        EXPECT_TRUE(Holds(destination, kBefore));
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"entry.pdb"});
    }
    for (const auto& request : s_server->Requests())
        EXPECT_TRUE(request.HeaderValues("X-Injected").empty());

    EXPECT_EQ(Get(Url("/bytes/3000/entry.pdb"), destination), gnfSuccess);
    EXPECT_TRUE(IsGenerated(FileBytes(destination), 3000));
}

TEST_F(GetNetFileTest, DestinationThatCannotBeReplacedIsKept)
{
    // A read-only file, and one held open by another program without leave to delete it.
    const std::string readOnly = folder.File("kept.pdb");
    WriteFile(readOnly, kBefore);
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Get(Url("/bytes/100/kept.pdb"), readOnly), gnfFileFailure);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(Holds(readOnly, kBefore));

    const std::string open = folder.File("open.pdb");
    WriteFile(open, kBefore);
    HANDLE holder = CreateFileA(open.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Get(Url("/bytes/100/open.pdb"), open), gnfFileFailure);
    CloseHandle(holder);
    EXPECT_TRUE(Holds(open, kBefore));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"kept.pdb", "open.pdb"}));
}

TEST_F(GetNetFileTest, ChunkedBodyIsStoredWhateverItsContentLength)
{
    // Chunks delimit the body; a Content-Length beside them means nothing.
    standin::Answer answer;
    answer.contentType = "application/octet-stream";
    answer.chunkSize = 2000;
    answer.headers = {{"Content-Length", "3"}};
    answer.body = std::string(5000, 'c');
    s_server->Enqueue(answer);
    EXPECT_EQ(Get(Url("/any/chunked.pdb"), folder.Path()), gnfSuccess);
    EXPECT_TRUE(Holds(folder.File("chunked.pdb"), answer.body));
}

TEST_F(GetNetFileTest, FolderTooLongForATemporaryFileIsRefused)
{
    // A folder of 247 or 248 characters exists, but no temporary file name fits beside a file in it.
    std::string deep = folder.Path();
    while (deep.size() + 41 <= 247) {
        deep += "\\" + std::string(40, 'd');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    if (deep.size() < 247) {
        deep += "\\" + std::string(std::max<std::size_t>(1, 247 - deep.size() - 1), 'e');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    EXPECT_EQ(Get(Url("/bytes/10/deep.pdb"), deep), gnfFileFailure);
}

TEST_F(GetNetFileTest, NamesThatWouldLeaveTheFolderAreRefused)
{
    for (const char* path : {"/bytes/10/files/", "/bytes/10/CON", "/bytes/10/nul.pdb", "/bytes/10/a/..", "/bytes/10/entry.pdb."}) {
        SCOPED_TRACE(path);
        DWORD thread = 0;
        EXPECT_EQ(Get(Url(path), folder.Path(), &thread), gnfFileFailure);
        EXPECT_EQ(window.Count(thread, gnfFileNamed), 0u);
    }
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(GetNetFileTest, ProgressNoticesAreThrottledAndTheLastValuesArrive)
{
    // 32 MiB arrive in hundreds of reads; unthrottled that would be three notices per read.
    const auto start = std::chrono::steady_clock::now();
    DWORD thread = 0;
    ASSERT_EQ(Get(Url("/bytes/33554432/big.bin"), folder.Path(), &thread), gnfSuccess);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    const std::size_t progress = window.Count(thread, gnfSpeed) + window.Count(thread, gnfKilobytes) + window.Count(thread, gnfPercent);
    EXPECT_LE(progress, 3 * (static_cast<std::size_t>(took.count()) / 50 + 2)) << "in " << took.count() << " ms";
    // The estimate has grown to 33,800,000 by the end.
    EXPECT_EQ(window.Last(thread, gnfKilobytes), 32768);
    EXPECT_EQ(window.Last(thread, gnfPercent), 99);
    EXPECT_EQ(window.Count(thread, gnfFinished), 1u);
}

TEST_F(GetNetFileTest, StopEndsAStalledTransferAtOnce)
{
    // The server sends part of the body and then nothing: the worker's read waits on WinInet.
    const std::string destination = folder.File("entry.pdb");
    WriteFile(destination, kBefore);
    CGetNetFile job("GET", Url("/stall/1000000/3000/entry.pdb"), "", window.Handle());
    const DWORD thread = StartUntilProgress(job, destination);

    job.SignalThread(true);
    // A bounded wait: the finish notice must follow the stop within 100 ms.
    EXPECT_TRUE(window.WaitForFinish(thread, 100ms)) << "the stop did not end the transfer within 100 ms";
    EXPECT_TRUE(window.WaitForFinish(thread));
    EXPECT_EQ(window.Finish(thread), gnfCancelled);
    EXPECT_FALSE(job.KillThread()); // already ended
    EXPECT_TRUE(Holds(destination, kBefore));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"entry.pdb"});
}

TEST_F(GetNetFileTest, ProgressBeforeAStallIsReportedWhole)
{
    // 3,000,000 bytes arrive at once, then nothing: the throttled notices must still reach the last amount.
    CGetNetFile job("GET", Url("/stall/100000000/3000000/entry.pdb"), "", window.Handle());
    const DWORD thread = window.Started(job.DownloadInThread(folder.File("entry.pdb")));
    ASSERT_NE(thread, 0u);
    EXPECT_TRUE(window.PumpUntil(30s, [&] { return window.Last(thread, gnfKilobytes) == 2929; }))
        << "last amount shown: " << window.Last(thread, gnfKilobytes).value_or(0);
    job.KillThread();
}

TEST_F(GetNetFileTest, StartingARunningJobAgainIsRefusedAtOnce)
{
    // A second start (or a blocking run) while the worker waits on a stalled server gives up at once
    // instead of waiting for a transfer that may never end.
    CGetNetFile job("GET", Url("/stall/1000000/3000/entry.pdb"), "", window.Handle());
    const DWORD thread = StartUntilProgress(job, folder.File("entry.pdb"));
    // Should a start wait after all, stops after 2 s end every run it waits for, so the test ends either way.
    std::atomic<bool> returned = false;
    std::thread watchdog([&] {
        for (int waited = 0; !returned; ++waited) {
            Sleep(20);
            if (waited > 100)
                job.SignalThread(true);
        }
    });
    const DWORD second = job.DownloadInThread(folder.File("other.pdb"));
    std::string path = folder.File("other.pdb");
    const bool blocking = job.Download(path);
    returned = true;
    watchdog.join();
    EXPECT_EQ(second, 0u);
    EXPECT_FALSE(blocking);
    EXPECT_EQ(path, folder.File("other.pdb"));
    EXPECT_EQ(job.GetThreadID(), thread); // the first run goes on
    window.Drain(100ms);
    EXPECT_FALSE(window.Finish(thread).has_value());
    EXPECT_TRUE(job.KillThread());
    ASSERT_TRUE(window.WaitForFinish(thread));
    EXPECT_EQ(window.Finish(thread), gnfCancelled);
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(GetNetFileTest, KillThreadRacingTheEndFinishesOnce)
{
    // Stops land anywhere from before the first step to after the file is in place; each run ends once,
    // either stored whole or not at all, and the job is deleted at once.
    const std::string destination = folder.File("entry.pdb");
    const long contextsBefore = fw::OutstandingInternetContexts();
    int stored = 0, cancelled = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        WriteFile(destination, "before");
        auto job = std::make_unique<CGetNetFile>("GET", Url("/bytes/200000/entry.pdb"), "", window.Handle());
        const DWORD thread = window.Started(job->DownloadInThread(destination));
        ASSERT_NE(thread, 0u);
        // From at once to after a loaded machine has finished the download.
        if (round % 3 != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 20 * 3));
        job->KillThread();
        const int result = job->GetErrorCode();
        job.reset();
        ASSERT_TRUE(window.WaitForFinish(thread));
        EXPECT_EQ(window.Count(thread, gnfFinished), 1u);
        EXPECT_EQ(window.Finish(thread), result);
        if (result == gnfSuccess) {
            ++stored;
            EXPECT_TRUE(IsGenerated(FileBytes(destination), 200000));
        } else {
            ++cancelled;
            EXPECT_EQ(result, gnfCancelled);
            EXPECT_TRUE(Holds(destination, "before"));
        }
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"entry.pdb"});
    }
    EXPECT_GT(cancelled, 0);
    std::printf("stop race: %d runs stored, %d cancelled\n", stored, cancelled);
    // WinInet lets go of every handle of these runs (their servers all answered), each exactly once. On a
    // loaded machine Wine's last callbacks can come seconds late; a handle never let go stays counted.
    for (int waited = 0; waited < 2000 && fw::OutstandingInternetContexts() != contextsBefore; ++waited)
        Sleep(10);
    EXPECT_EQ(fw::OutstandingInternetContexts(), contextsBefore);
}

} // namespace
