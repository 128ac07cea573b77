#include "BoundedRun.h"
#include "MessageBoxWatcher.h"
#include "PacedToolLog.h"
#include "StandInTools.h"
#include "base/UniqueResource.h"
#include "runner/ConsoleToolRunner.h"
#include "runner/ThreadAnsiText.h"
#include "runner/ToolSteps.h"
#include <gtest/gtest.h>
#include <windows.h>

using namespace std::chrono_literals;

namespace {

const std::wstring kEraseAll = L"cmd /c nrfjprog --family NRF52 --eraseall";
const std::wstring kBanner = L"Eraseall...\r\n";
const std::wstring kDfu = L"cmd /c nrfutil dfu serial -pkg fw.zip -p COM7";
// Far beyond any run of these tests.
const RunDeadline kLate{60000, L"late\r\n"};

// Simplified Chinese: its ANSI code page 936 is double-byte, unlike the machine's 1252.
const LCID kChineseLocale =
    MAKELCID(MAKELANGID(LANG_CHINESE, LANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);

std::wstring FromCodePage(UINT codePage, const std::string& bytes) {
    std::wstring text(bytes.size() * 2 + 2, L'\0');
    const int chars = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                          text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(chars > 0 ? chars : 0));
    return text;
}

class ConsoleToolRunnerTest : public ::testing::Test {
protected:
    // Runs the command in a test folder as the tool's current directory, on a thread of its
    // own, and insists that the run ends within a generous limit.
    bool Run(const StandInSession* tools, RecordingToolLog& into, const std::wstring& commandLine,
             CaptureMode mode, const std::wstring& banner = kBanner, LCID threadLocale = 0,
             const RunDeadline& deadline = kLate, ToolGrouping grouping = ToolGrouping::Job) {
        bool result = true;
        BoundedRun run([&] {
            if (threadLocale != 0) {
                SetThreadLocale(threadLocale);
            }
            result = RunConsoleTool(commandLine, banner, mode, L"提示", folder.Path(), into,
                                    deadline, grouping);
        });
        if (!run.EndsWithin(30s)) {
            ADD_FAILURE() << "the run did not end; its log so far: \"" << Utf8(into.Text())
                          << "\"; boxes shown: " << boxes.Seen().size();
            if (tools != nullptr) {
                tools->EndRecordedTools();
            }
        }
        return result;
    }

    // Every test ends with exactly the boxes it expects; a box that nobody expected is closed,
    // so a failing start shows as a failure instead of a hang.
    void TearDown() override { EXPECT_EQ(boxes.Seen().size(), expectedBoxes); }

    MessageBoxWatcher boxes;
    size_t expectedBoxes = 0;
    TestFolder folder;
};

} // namespace

TEST_F(ConsoleToolRunnerTest, AToolThatWritesNothingFails) {
    StandInSession tools("[nrfjprog]\nexit 0\n[nrfutil]\nexit 0\n");
    RecordingToolLog log;
    EXPECT_FALSE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
    EXPECT_EQ(log.Calls(), std::vector<std::wstring>{kBanner});

    RecordingToolLog dfuLog;
    EXPECT_FALSE(Run(&tools, dfuLog, kDfu, CaptureMode::WatchOnly, L"Upgrading...\r\n"));
    EXPECT_EQ(dfuLog.Calls(),
              (std::vector<std::wstring>{L"Upgrading...\r\n", L"Upgrade failed.\r\n"}));
}

TEST_F(ConsoleToolRunnerTest, EveryChunkIsEchoedAndRefreshedAndCleanOutputSucceeds) {
    StandInSession tools(
        "[nrfjprog --eraseall]\n" +
        OneReadEach({"out \"Erasing user available code and UICR flash areas.\\r\\n\"",
                     "out \"Applying system reset.\\r\\n\""}) +
        "exit 0\n");
    PacedToolLog log(tools);
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
    EXPECT_EQ(log.Calls(),
              (std::vector<std::wstring>{
                  kBanner, L"Erasing user available code and UICR flash areas.\r\n\r\n",
                  L"Applying system reset.\r\n\r\n"}));
}

TEST_F(ConsoleToolRunnerTest, WatchOnlyShowsOneSuccessLineButRefreshesAfterEveryRead) {
    StandInSession tools(
        "[nrfutil]\n" +
        OneReadEach({"err \"2024-05-01 10:00:01,120 Using connection COM7\\r\\n\"",
                     "err \"Progress 100%\\0\\r\\n\"", // the NUL ends its line
                     "out \"Device programmed.\\r\\n\"", "out \"Device programmed.\"",
                     "out \"Device programmed.\\r\\n\"",
                     "err \"2024-05-01 10:00:09,800 Done\\r\\n\""}) +
        "exit 1\n");
    PacedToolLog log(tools);
    Run(&tools, log, kDfu, CaptureMode::WatchOnly, L"Upgrading...\r\n");
    EXPECT_EQ(log.Calls(), (std::vector<std::wstring>{L"Upgrading...\r\n", L"", L"",
                                                      L"Upgrade succeeded.\r\n", L"", L"", L""}))
        << "one success per run; a programmed device's exit status is not looked at";
}

TEST_F(ConsoleToolRunnerTest, ErrorInTheFirstChunkStopsReadingWithoutWaitingForTheTool) {
    // After its first line the tool waits for a signal that the test gives only once the run has
    // returned, so a runner that read on or waited for the tool would not return at all.
    StandInSession tools("[nrfjprog]\n"
                         "out \"ERROR: Unable to connect to a debugger.\\r\\n\"\n"
                         "await released\n"
                         "out \"ERROR: JLinkARM DLL reported an error.\\r\\n\"\n"
                         "exit 33\n");
    RecordingToolLog log;
    const bool result = Run(&tools, log, kEraseAll, CaptureMode::EchoCheck);
    tools.Signal(L"released");
    EXPECT_FALSE(result);
    EXPECT_EQ(log.Calls(), (std::vector<std::wstring>{
                               kBanner, L"ERROR: Unable to connect to a debugger.\r\n\r\n"}));
}

TEST_F(ConsoleToolRunnerTest, AFullReadAndAShortOneShowOnlyTheirOwnBytes) {
    StandInSession tools("[nrfjprog]\n" + OneReadEach({"out \"A\"*4096", "out \"ok\\r\\n\""}) +
                         "exit 0\n");
    PacedToolLog log(tools);
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
    EXPECT_EQ(log.Calls(), (std::vector<std::wstring>{kBanner, std::wstring(4096, L'A') + L"\r\n",
                                                      L"ok\r\n\r\n"}));
}

TEST_F(ConsoleToolRunnerTest, AFloodArrivesInReadsOfAtMost4096Bytes) {
    StandInSession tools("[nrfjprog]\nout \"0123456789\"*2000 \"\\r\\n\"\nexit 0\n");
    RecordingToolLog log;
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
    std::wstring output;
    const auto calls = log.Calls();
    ASSERT_GE(calls.size(), 6u);
    for (size_t i = 1; i < calls.size(); ++i) {
        ASSERT_LE(calls[i].size(), 4096u + 2);
        ASSERT_EQ(calls[i].substr(calls[i].size() - 2), L"\r\n");
        output += calls[i].substr(0, calls[i].size() - 2);
    }
    std::wstring expected;
    for (int i = 0; i < 2000; ++i) {
        expected += L"0123456789";
    }
    EXPECT_EQ(output, expected + L"\r\n");
}

TEST_F(ConsoleToolRunnerTest, ANulEndsItsChunkAndHidesTheRestOfThatRead) {
    StandInSession tools(
        "[nrfjprog]\n" +
        OneReadEach({"out \"abc\\0ERROR hidden\\r\\n\"", "out \"\\0\"", "out \"next\\r\\n\""}) +
        "exit 0\n");
    PacedToolLog log(tools);
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck))
        << "the hidden ERROR is never tested";
    EXPECT_EQ(log.Calls(),
              (std::vector<std::wstring>{kBanner, L"abc\r\n", L"\r\n", L"next\r\n\r\n"}));
}

TEST_F(ConsoleToolRunnerTest, ChunksAreConvertedFromTheAnsiCodePage) {
    StandInSession tools("[nrfjprog]\nout \"caf\\xE9 \\x80\\r\\n\"\nexit 0\n");
    RecordingToolLog log;
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
    EXPECT_EQ(log.Text(), kBanner + FromCodePage(GetACP(), "caf\xE9 \x80\r\n") + L"\r\n");
    if (GetACP() == 1252) {
        EXPECT_EQ(log.Text(), kBanner + L"café €\r\n\r\n");
    }
}

TEST_F(ConsoleToolRunnerTest, AMultibyteCharacterSplitBetweenReadsIsConvertedAsTwoHalves) {
    // 0xD6 0xD0 is one character in code page 936; written in two writes it arrives in two reads.
    StandInSession tools(
        "[nrfjprog]\n" +
        OneReadEach({"out \"\\xD6\\xD0\\r\\n\"", "out \"\\xD6\"", "out \"\\xD0\\r\\n\""}) +
        "exit 0\n");
    std::wstring whole;
    BoundedRun probe([&] {
        SetThreadLocale(kChineseLocale);
        whole = ThreadAnsiText("\xD6\xD0");
    });
    ASSERT_TRUE(probe.EndsWithin(5s));
    ASSERT_EQ(whole, L"中") << "the thread's locale must make its ANSI code page double-byte";

    PacedToolLog log(tools);
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck, kBanner, kChineseLocale));
    const auto calls = log.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1], L"中\r\n\r\n");
    EXPECT_EQ(calls[2], FromCodePage(936, "\xD6") + L"\r\n");
    EXPECT_EQ(calls[3], FromCodePage(936, "\xD0\r\n") + L"\r\n");
    EXPECT_EQ(calls[2].find(L"中"), std::wstring::npos);
    EXPECT_EQ(calls[3].find(L"中"), std::wstring::npos);
}

TEST_F(ConsoleToolRunnerTest, AToolThatNeverEndsIsEndedAtTheDeadlineAndTheRunFails) {
    StandInSession tools("[nrfutil COM8]\nout \"Device programmed.\\r\\n\"\nhang\n"
                         "[nrfutil]\nerr \"Using board at serial port: COM7\\r\\n\"\nhang\n"
                         "[nrfjprog]\nout \"Erasing.\\r\\n\"\nhang\n");
    const RunDeadline shortDfu{300, kDfuDeadline.line};
    RecordingToolLog dfuLog;
    EXPECT_FALSE(
        Run(&tools, dfuLog, kDfu, CaptureMode::WatchOnly, L"Upgrading...\r\n", 0, shortDfu));
    EXPECT_EQ(dfuLog.Text(), L"Upgrading...\r\nnrfutil did not finish within 10 minutes.\r\n"
                             L"nrfutil: Using board at serial port: COM7\r\nUpgrade failed.\r\n");
    // A device that said it was programmed stays a success: the log's verdict is the result.
    // 2 s lets the word come before the deadline on a busy machine.
    EXPECT_TRUE(Run(&tools, dfuLog, L"cmd /c nrfutil dfu serial -pkg fw.zip -p COM8",
                    CaptureMode::WatchOnly, L"", 0, {2000, kDfuDeadline.line}));
    EXPECT_TRUE(
        dfuLog.Text().ends_with(L"Upgrade succeeded.\r\n" + std::wstring(kDfuDeadline.line)));

    const RunDeadline shortStep{300, kNrfjprogDeadline.line};
    RecordingToolLog stepLog;
    EXPECT_FALSE(Run(&tools, stepLog, kEraseAll, CaptureMode::EchoCheck, kBanner, 0, shortStep));
    EXPECT_EQ(stepLog.Text(),
              kBanner + L"Erasing.\r\n\r\nnrfjprog did not finish within 5 minutes.\r\n");
    EXPECT_TRUE(tools.WaitForRecordedTools(5000)) << "the deadline ended the tools themselves";

    // Outside a job only cmd is ended: its child, the stand-in, keeps the pipe open, so only a
    // cancelled read lets the run return. 2 s gives cmd time to start it on a busy machine.
    RecordingToolLog ungrouped;
    EXPECT_FALSE(Run(&tools, ungrouped, kEraseAll, CaptureMode::EchoCheck, kBanner, 0,
                     {2000, kNrfjprogDeadline.line}, ToolGrouping::Refused));
    EXPECT_EQ(ungrouped.Text(),
              kBanner + kUngroupedToolsLine +
                  L"Erasing.\r\n\r\nnrfjprog did not finish within 5 minutes.\r\n");
    EXPECT_FALSE(tools.WaitForRecordedTools(0)) << "the tool outside the job still runs";
    tools.EndRecordedTools();
}

TEST_F(ConsoleToolRunnerTest, AMissingToolsTextWithStatus9009Fails) {
    StandInSession tools(
        "[nrfjprog]\n"
        "err \"'nrfjprog' is not recognized as an internal or external command,\\r\\n"
        "operable program or batch file.\\r\\n\"\n"
        "exit 9009\n");
    RecordingToolLog log;
    EXPECT_FALSE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
    EXPECT_EQ(log.Text(),
              kBanner + L"'nrfjprog' is not recognized as an internal or external command,\r\n"
                        L"operable program or batch file.\r\n\r\n");
}

TEST_F(ConsoleToolRunnerTest, ANonZeroExitStatusFailsAStepWhoseOutputLookedClean) {
    const std::string output = "out \"Parsing image file.\\r\\n\"\n";
    for (const char* status : {"1", "55", "4294967295"}) {
        StandInSession tools("[nrfjprog]\n" + output + "pause 100\nexit " + status + "\n");
        RecordingToolLog log;
        EXPECT_FALSE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck)) << status;
        EXPECT_EQ(log.Text(), kBanner + L"Parsing image file.\r\n\r\n");
    }
    StandInSession tools("[nrfjprog]\n" + output + "pause 100\nexit 0\n");
    RecordingToolLog log;
    EXPECT_TRUE(Run(&tools, log, kEraseAll, CaptureMode::EchoCheck));
}

TEST_F(ConsoleToolRunnerTest, AMissingProgramFailsWithoutABox) {
    // No stand-ins on the PATH: cmd itself starts and reports the unknown command.
    RecordingToolLog log;
    EXPECT_FALSE(Run(nullptr, log, kEraseAll, CaptureMode::EchoCheck));
    const auto text = log.Text();
    EXPECT_EQ(text.rfind(kBanner, 0), 0u);
    EXPECT_NE(text.find(L"nrfjprog"), std::wstring::npos) << "cmd's complaint is logged";
    EXPECT_EQ(text.find(L"ERROR"), std::wstring::npos);
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(ConsoleToolRunnerTest, AProcessThatCannotStartShowsItsBoxAndLogsNothing) {
    expectedBoxes = 1;
    StandInSession tools("[nrfjprog]\nout \"x\"\nexit 0\n");
    RecordingToolLog log;
    bool result = true;
    BoundedRun run([&] {
        result = RunConsoleTool(kEraseAll, kBanner, CaptureMode::EchoCheck, L"提示",
                                folder.Path() + L"no such folder\\", log, kLate);
    });
    ASSERT_TRUE(run.EndsWithin(30s));
    EXPECT_FALSE(result);
    EXPECT_TRUE(log.Calls().empty());
    EXPECT_TRUE(tools.Records().empty());
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"CreateProcess Failed!");
    EXPECT_EQ(seen[0].caption, L"提示");
    EXPECT_TRUE(seen[0].warningIcon);
    EXPECT_TRUE(seen[0].okOnly);
    EXPECT_FALSE(seen[0].owned);
}

namespace {

// A log that holds its run at the banner, while the run still owns the pipe's write end, until
// the test lets it go on.
class GatedLog : public RecordingToolLog {
public:
    void AppendAndRefresh(const std::wstring& text) override {
        RecordingToolLog::AppendAndRefresh(text);
        if (Calls().size() == 1) {
            SetEvent(m_bannerSeen.get());
            WaitForSingleObject(m_goOn.get(), 30000);
        }
    }
    bool WaitForBanner() const {
        return WaitForSingleObject(m_bannerSeen.get(), 30000) == WAIT_OBJECT_0;
    }
    void GoOn() const { SetEvent(m_goOn.get()); }

private:
    UniqueHandle m_bannerSeen{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle m_goOn{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

} // namespace

TEST_F(ConsoleToolRunnerTest, TwoRunsAtOnceEachEndWithTheirOwnTool) {
    // The first run's tool ends at once; the second's runs on until the first run has returned.
    // The second tool is started while the first run still holds its pipe's write end, so if that
    // end reached the second tool, the first run's output would not end before the second tool.
    StandInSession tools("[nrfjprog --eraseall]\n"
                         "out \"Applying system reset.\\r\\n\"\n"
                         "exit 0\n"
                         "[nrfutil]\n"
                         "out \"Device programmed.\\r\\n\"\n"
                         "await first-run-ended\n"
                         "exit 0\n");
    GatedLog firstLog;
    RecordingToolLog secondLog;
    bool firstResult = false;
    BoundedRun first([&] {
        firstResult = RunConsoleTool(kEraseAll, kBanner, CaptureMode::EchoCheck, L"提示",
                                     folder.Path(), firstLog, kLate);
    });
    ASSERT_TRUE(firstLog.WaitForBanner());
    BoundedRun second([&] {
        RunConsoleTool(kDfu, L"Upgrading...\r\n", CaptureMode::WatchOnly, L"Info", folder.Path(),
                       secondLog, kLate);
    });
    // The second tool has started once its first chunk is in.
    const bool secondStarted = [&] {
        for (int i = 0; i < 1500 && secondLog.Calls().size() < 2; ++i) {
            Sleep(20);
        }
        return secondLog.Calls().size() >= 2;
    }();
    firstLog.GoOn();
    const bool firstEnded = first.EndsWithin(20s);
    tools.Signal(L"first-run-ended");
    EXPECT_TRUE(secondStarted);
    EXPECT_TRUE(firstEnded) << "the first run waited for the second run's tool";
    EXPECT_TRUE(second.EndsWithin(30s));
    EXPECT_TRUE(firstResult);
    EXPECT_EQ(firstLog.Text(), kBanner + L"Applying system reset.\r\n\r\n");
    EXPECT_EQ(secondLog.Text(), L"Upgrading...\r\nUpgrade succeeded.\r\n");
}
