#include "runner/ToolOutputJudge.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

struct Outcome {
    std::wstring log;
    size_t chunksTaken = 0; // chunks read before the judge said stop
    bool succeeded = false;
};

// A read with a NUL stands for one that a NUL cut: the judge gets the text before it, as the
// runner hands it on.
ChunkVerdict Feed(ToolOutputJudge& judge, const std::wstring& read) {
    const auto nul = read.find(L'\0');
    return judge.OnChunk(read.substr(0, nul), nul != std::wstring::npos);
}

// Feeds chunks as the runner does: until the first stop.
Outcome Judge(CaptureMode mode, const std::vector<std::wstring>& chunks) {
    ToolOutputJudge judge(mode);
    Outcome outcome;
    for (const auto& chunk : chunks) {
        const auto verdict = Feed(judge, chunk);
        outcome.log += verdict.append;
        ++outcome.chunksTaken;
        if (verdict.stop) {
            break;
        }
    }
    outcome.succeeded = judge.Succeeded();
    return outcome;
}

} // namespace

TEST(WatchOnlyJudge, TheDeviceLineCountsHoweverTheReadsCutIt) {
    const std::vector<std::vector<std::wstring>> programmed = {
        {L"Device programmed.\r\n"},                                            // alone in a read
        {L"2026-12-09 10:00:00 Using board at COM7\r\nDevice programmed.\r\n"}, // after a line
        {L"Device progr", L"ammed.\r\n"},                       // split over two reads
        {L"x\r\nDevice programmed.\r", L"\n"},                  // split at the line end
        {L"Device programmed.\n"},                              // a bare line feed
        {L"Device programmed.\r\n", L"Device programmed.\r\n"}, // said twice, logged once
        {L"Progress 100%\0\r\n"s, L"Device programmed.\r\n"},   // a NUL ends the line it cuts
    };
    for (const auto& reads : programmed) {
        const auto outcome = Judge(CaptureMode::WatchOnly, reads);
        EXPECT_EQ(outcome.log, L"Upgrade succeeded.\r\n") << ::testing::PrintToString(reads);
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(outcome.chunksTaken, reads.size()) << "WatchOnly never stops reading";
    }
}

TEST(WatchOnlyJudge, OnlyAWholeLineOfTheWordsCounts) {
    const std::vector<std::wstring> nearMisses = {
        L"xDevice programmed.\r\n", L"Device programmed. not\r\n",    L"Device programmed.\r\r\n",
        L"device programmed.\r\n",  L"ERROR: Device programmed.\r\n",
        L"Device programmed.", // no line end, and the output ends
    };
    for (const auto& text : nearMisses) {
        const auto outcome = Judge(CaptureMode::WatchOnly, {text});
        EXPECT_EQ(outcome.log, L"") << ::testing::PrintToString(text);
        EXPECT_FALSE(outcome.succeeded);
    }
    // A long line is not remembered whole, and still never counts.
    const auto flood =
        Judge(CaptureMode::WatchOnly, {std::wstring(100000, L'#'), L"Device programmed.\r\n", L""});
    EXPECT_EQ(flood.log, L"");
}

TEST(WatchOnlyJudge, WithoutTheDeviceLineTheToolsEndIsAFailure) {
    ToolOutputJudge failed(CaptureMode::WatchOnly);
    failed.OnChunk(L"Traceback (most recent call last):\r\n");
    ASSERT_TRUE(failed.NeedsExitStatus());
    EXPECT_EQ(failed.OnToolEnded(1u),
              L"nrfutil: Traceback (most recent call last):\r\nUpgrade failed.\r\n");

    ToolOutputJudge missing(CaptureMode::WatchOnly);
    missing.OnChunk(L"Can't recognize 'nrfutil' as an internal or external command\r\n");
    EXPECT_EQ(missing.OnToolEnded(kCommandNotFoundStatus),
              L"nrfutil was not found.\r\nUpgrade failed.\r\n");
    EXPECT_EQ(ToolOutputJudge(CaptureMode::WatchOnly).OnToolEnded(std::nullopt),
              L"Upgrade failed.\r\n");

    ToolOutputJudge programmed(CaptureMode::WatchOnly);
    programmed.OnChunk(L"Device programmed.\r\n");
    EXPECT_FALSE(programmed.NeedsExitStatus()) << "a device that was programmed is not waited for";
    EXPECT_EQ(programmed.OnToolEnded(1u), L"");
    EXPECT_EQ(programmed.OnToolEnded(std::nullopt, true), L"") << "nor ended at the deadline";
    EXPECT_TRUE(programmed.Succeeded());
    // A status that the deadline forced on the tool says nothing, "not found" included.
    ToolOutputJudge late(CaptureMode::WatchOnly);
    late.OnChunk(L"x\n");
    EXPECT_EQ(late.OnToolEnded(kCommandNotFoundStatus, true), L"nrfutil: x\r\nUpgrade failed.\r\n");
}

TEST(WatchOnlyJudge, AFailureShowsTheToolsLastThreeLinesThatAreNotBlank) {
    const auto tool = [](const std::wstring& line) { return L"nrfutil: " + line + L"\r\n"; };
    const std::wstring x200(200, L'x');
    const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
        {{}, L""},
        {{L" \t\r\n\r\n  \n"}, L""},
        {{L"1\n2\r\n3\r4\r\n"}, tool(L"2") + tool(L"3") + tool(L"4")}, // "\r" alone ends one too
        {{L"a\r", L"\nb"}, tool(L"a") + tool(L"b")}, // the last text counts once the tool ended
        {{L"  Serial port could not be opened. ", L"Reason: busy \r\n\t\r\n"},
         tool(L"Serial port could not be opened. Reason: busy")},
        {{x200 + L"x\n", x200 + L"   \n"}, tool(x200 + L"...") + tool(x200)},
        {{std::wstring(100000, L'x')}, tool(x200 + L"...")},
        {{L"Progress 100%\0dropped"s, L"Failed\r\n"}, tool(L"Progress 100%") + tool(L"Failed")},
    };
    for (const auto& [reads, shown] : cases) {
        ToolOutputJudge judge(CaptureMode::WatchOnly);
        for (const auto& read : reads) {
            Feed(judge, read);
        }
        EXPECT_EQ(judge.OnToolEnded(1u), shown + L"Upgrade failed.\r\n")
            << ::testing::PrintToString(reads);
    }
}

TEST(EchoCheckJudge, EveryChunkIsLoggedWithALineBreakAfterIt) {
    const auto outcome =
        Judge(CaptureMode::EchoCheck, {L"Applying system reset.\r\n", L"Run.", L"", L"x\r\n"});
    EXPECT_EQ(outcome.log, L"Applying system reset.\r\n\r\nRun.\r\n\r\nx\r\n\r\n");
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.chunksTaken, 4u);
}

TEST(EchoCheckJudge, NoChunkAtAllIsAFailure) {
    EXPECT_FALSE(ToolOutputJudge(CaptureMode::EchoCheck).Succeeded());
}

TEST(EchoCheckJudge, PassingOutputStillNeedsExitStatusZero) {
    for (const auto status :
         {std::optional<std::uint32_t>(1u), std::optional(kCommandNotFoundStatus),
          std::optional<std::uint32_t>()}) {
        ToolOutputJudge judge(CaptureMode::EchoCheck);
        judge.OnChunk(L"Applying system reset.\r\n");
        ASSERT_TRUE(judge.NeedsExitStatus());
        EXPECT_EQ(judge.OnToolEnded(status), L"");
        EXPECT_FALSE(judge.Succeeded());
    }
    ToolOutputJudge ok(CaptureMode::EchoCheck);
    ok.OnChunk(L"Run.\r\n");
    ok.OnToolEnded(0u);
    EXPECT_TRUE(ok.Succeeded());
    ToolOutputJudge stopped(CaptureMode::EchoCheck);
    stopped.OnChunk(L"ERROR: Unable to connect to a debugger.\r\n");
    EXPECT_FALSE(stopped.NeedsExitStatus()) << "after ERROR the tool may never end";
}

TEST(EchoCheckJudge, AnEmptyChunkCountsAsSuccessSoFar) {
    ToolOutputJudge judge(CaptureMode::EchoCheck);
    const auto verdict = judge.OnChunk(L"");
    EXPECT_EQ(verdict.append, L"\r\n");
    EXPECT_FALSE(verdict.stop);
    EXPECT_TRUE(judge.Succeeded());
}

TEST(EchoCheckJudge, ErrorInTheFirstChunkIsLoggedAndStops) {
    const auto outcome = Judge(CaptureMode::EchoCheck,
                               {L"ERROR: Unable to connect to a debugger.\r\n", L"NOTE: more"});
    EXPECT_EQ(outcome.log, L"ERROR: Unable to connect to a debugger.\r\n\r\n");
    EXPECT_EQ(outcome.chunksTaken, 1u);
    EXPECT_FALSE(outcome.succeeded);
}

TEST(EchoCheckJudge, ErrorAfterGoodChunksFailsTheRun) {
    const auto outcome =
        Judge(CaptureMode::EchoCheck,
              {L"Parsing image file.\r\n", L"ERROR: The area to write is not erased.\r\n",
               L"Programming device.\r\n"});
    EXPECT_EQ(outcome.chunksTaken, 2u);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.log,
              L"Parsing image file.\r\n\r\nERROR: The area to write is not erased.\r\n\r\n");
}

TEST(EchoCheckJudge, OnlyTheCapitalWordFails) {
    EXPECT_TRUE(Judge(CaptureMode::EchoCheck, {L"error: nothing\r\n"}).succeeded);
    EXPECT_TRUE(Judge(CaptureMode::EchoCheck, {L"Error: nothing\r\n"}).succeeded);
    EXPECT_TRUE(Judge(CaptureMode::EchoCheck, {L"ERRO", L"R\r\n"}).succeeded)
        << "a word split between two chunks is not seen";
    EXPECT_TRUE(
        Judge(CaptureMode::EchoCheck, {L"Can't recognize 'nrfjprog' as an internal or external "
                                       L"command, or batch script.\r\n"})
            .succeeded)
        << "the exit status, not the judge, fails a missing tool";
    EXPECT_FALSE(Judge(CaptureMode::EchoCheck, {L"NOERRORS\r\n"}).succeeded);
    EXPECT_FALSE(Judge(CaptureMode::EchoCheck, {L"ERROR"}).succeeded);
    EXPECT_FALSE(Judge(CaptureMode::EchoCheck, {L"WARNING: ... ERROR"}).succeeded);
}
