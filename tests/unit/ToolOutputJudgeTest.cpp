#include "runner/ToolOutputJudge.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Outcome {
    std::wstring log;
    size_t chunksTaken = 0; // chunks read before the judge said stop
    bool succeeded = false;
};

// Feeds chunks as the runner does: until the first stop.
Outcome Judge(CaptureMode mode, const std::vector<std::wstring>& chunks) {
    ToolOutputJudge judge(mode);
    Outcome outcome;
    for (const auto& chunk : chunks) {
        const auto verdict = judge.OnChunk(chunk);
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

TEST(WatchOnlyJudge, ExactlyDeviceProgrammedReportsSuccessEachTime) {
    EXPECT_EQ(Judge(CaptureMode::WatchOnly, {L"Device programmed.\r\n"}).log,
              L"Upgrade succeeded.\r\n");
    const auto twice = Judge(CaptureMode::WatchOnly, {L"Device programmed.\r\n", L"progress\r\n",
                                                      L"Device programmed.\r\n"});
    EXPECT_EQ(twice.log, L"Upgrade succeeded.\r\nUpgrade succeeded.\r\n");
    EXPECT_EQ(twice.chunksTaken, 3u);
}

TEST(WatchOnlyJudge, AnythingButTheExactTextAddsNothing) {
    const std::vector<std::wstring> nearMisses = {
        L"Device programmed.\r\n\r\n",            // longer
        L"[####] 100%\r\nDevice programmed.\r\n", // inside a longer read
        L"Device programmed.",                    // no line break
        L"Device programmed.\n",                  // bare line feed
        L"device programmed.\r\n",                // other letter case
        L"DEVICE PROGRAMMED.\r\n",
        L"Device programmed", // split between two reads...
        L".\r\n",             // ...is not seen either
        L"",
        L"ERROR: Device programmed.\r\n",
    };
    const auto outcome = Judge(CaptureMode::WatchOnly, nearMisses);
    EXPECT_EQ(outcome.log, L"");
    EXPECT_EQ(outcome.chunksTaken, nearMisses.size()) << "WatchOnly never stops reading";
    EXPECT_FALSE(outcome.succeeded);
}

TEST(WatchOnlyJudge, NeverStopsAndNeverSucceeds) {
    ToolOutputJudge judge(CaptureMode::WatchOnly);
    EXPECT_FALSE(judge.OnChunk(L"ERROR: Unable to connect to a debugger.\r\n").stop);
    EXPECT_FALSE(judge.OnChunk(L"Device programmed.\r\n").stop);
    EXPECT_FALSE(judge.Succeeded());
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
