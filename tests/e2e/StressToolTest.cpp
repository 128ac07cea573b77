// Faults of the outside tools against the real program: a flood of output, a tool that never
// ends, a tool killed halfway.
#include "StressSupport.h"
#include <algorithm>
#include <gtest/gtest.h>

using namespace stress;

namespace {

// One line of the flood: no carriage return, so every "\r\n" in the log is one the program put
// after a chunk, and the tool's bytes can be told apart from the program's.
constexpr char kFloodLine[] = "Flash block verified.\n";
constexpr size_t kFloodBytes = 10 * 1024 * 1024;

constexpr size_t kFloodLineLength = sizeof(kFloodLine) - 1;

// The erase step writes that many flood lines in one go; the sections after it follow.
std::string FloodScenario(size_t lines, const std::string& laterSections) {
    return "[nrfjprog --eraseall]\nout \"Flash block verified.\\n\"*" + std::to_string(lines) +
           "\n" + laterSections;
}

std::wstring FloodLines(size_t lines) {
    std::wstring text;
    for (size_t line = 0; line < lines; ++line) {
        text += Wide(kFloodLine);
    }
    return text;
}

// The tool's bytes that the log holds after the banner: the chunks between the "\r\n" the program
// adds, joined; `largest` gets the longest chunk's length.
std::wstring JoinedChunks(const std::wstring& logAfterBanner, size_t& largest) {
    std::wstring joined;
    largest = 0;
    size_t start = 0;
    for (size_t end = logAfterBanner.find(L"\r\n"); end != std::wstring::npos;
         end = logAfterBanner.find(L"\r\n", start)) {
        joined.append(logAfterBanner, start, end - start);
        largest = std::max(largest, end - start);
        start = end + 2;
    }
    return joined;
}

class StressToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\nhex=remote.hex\r\n");
        folder.WriteFile(L"remote.zip", "PK\x03\x04");
        folder.WriteFile(L"remote.hex", ":00000001FF\r\n");
    }
    TestFolder folder;
};

} // namespace

TEST_F(StressToolTest, FloodKeepsTheWindowAnsweringAndClosingEndsTheProgram) {
    StandInSession tools(FloodScenario(kFloodBytes / kFloodLineLength + 1,
                                       "[nrfjprog]\nout \"should not run\\r\\n\"\n"));
    ToolReaper reaper(tools);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(WaitUntil([&] { return LogLength(dialog) > 64 * 1024; }, 30000))
        << "the flood reaches the log";
    // The window must still answer between the refreshes, and the run must keep going.
    size_t before = LogLength(dialog);
    for (int probe = 0; probe < 4; ++probe) {
        Sleep(250);
        EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs)) << "probe " << probe;
        const size_t now = LogLength(dialog);
        EXPECT_GT(now, before) << "the log keeps growing during the flood";
        before = now;
    }

    // What reached the log is the tool's bytes in order, in reads of at most 4096 bytes.
    const std::wstring log = Text(dialog, kLog);
    const std::wstring banner = L"Eraseall...\r\n";
    ASSERT_EQ(log.substr(0, banner.size()), banner);
    size_t largest = 0;
    const std::wstring joined = JoinedChunks(log.substr(banner.size()), largest);
    EXPECT_LE(largest, 4096u);
    ASSERT_GT(joined.size(), 64u * 1024);
    const std::wstring expected = FloodLines(joined.size() / kFloodLineLength + 1);
    EXPECT_TRUE(joined == expected.substr(0, joined.size())) << "no byte lost or repeated";
    EXPECT_EQ(Text(dialog, kResult), L"") << "no outcome while the step still runs";
    EXPECT_LT(joined.size(), kFloodBytes) << "the flood is still under way when the window closes";

    PostMessageW(dialog, WM_CLOSE, 0, 0);
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "closing during a run asks first";
    SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_TRUE(app.WaitForExit(20000)) << "closing does not wait for the rest of the flood";
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(app.ExitCode(code));
    EXPECT_EQ(code, 0u);
    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 1u) << "no later step was started";
    EXPECT_EQ(records[0].args.back(), L"--eraseall");
}

// A long output reaches the log box whole, past the box's default limit of 30,000 characters:
// the box holds the banners and the tool's bytes in order, each read followed by the program's
// "\r\n", with nothing cut or doubled, and its last line is in view.
TEST_F(StressToolTest, LongOutputIsShownWholeWithItsEndInView) {
    const size_t lines = 100 * 1024 / kFloodLineLength + 1;
    StandInSession tools(FloodScenario(lines,
                                       "[nrfjprog --program]\nout \"Parsing image file.\\r\\n\"\n"
                                       "[nrfjprog --reset]\nout \"Run.\\r\\n\"\n"));
    ToolReaper reaper(tools);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, kResult) == L"success"; }, 60000));
    const std::wstring log = Text(dialog, kLog);
    const std::wstring banner = L"Eraseall...\r\n";
    const std::wstring tail = L"Program...\r\nParsing image file.\r\n\r\nReset...\r\nRun.\r\n\r\n";
    ASSERT_GT(log.size(), banner.size() + tail.size() + 100 * 1024);
    EXPECT_TRUE(log.starts_with(banner));
    EXPECT_TRUE(log.ends_with(tail));
    const std::wstring output = log.substr(banner.size(), log.size() - banner.size() - tail.size());
    ASSERT_TRUE(output.ends_with(L"\r\n"));
    size_t largest = 0;
    const std::wstring joined = JoinedChunks(output, largest);
    EXPECT_TRUE(joined == FloodLines(lines)) << joined.size() << " characters";

    // The log ends with a line end, so its last line is the empty one after it.
    HWND box = GetDlgItem(dialog, kLog);
    const auto count = SendMessageW(box, EM_GETLINECOUNT, 0, 0);
    const auto first = SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
    const auto top = [&](LRESULT line) {
        const auto index = SendMessageW(box, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        return static_cast<int>(
            static_cast<short>(HIWORD(SendMessageW(box, EM_POSFROMCHAR, index, 0))));
    };
    ASSERT_GT(count, first + 2);
    const int lineHeight = top(first + 1) - top(first);
    ASSERT_GT(lineHeight, 0);
    const int lastTop = top(count - 2) + lineHeight;
    RECT client;
    GetClientRect(box, &client);
    EXPECT_GE(lastTop, 0);
    EXPECT_LE(lastTop + lineHeight, client.bottom) << "the last line is in view";
}

TEST_F(StressToolTest, ToolsThatNeverEndAreEndedWithTheProgram) {
    StandInSession tools("[nrfjprog]\nout \"Erasing user available code.\\r\\n\"\nhang\n"
                         "[nrfutil]\nerr \"Using board at serial port: COM7\\r\\n\"\nhang\n");
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSHANG", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(LogContains(dialog, L"Erasing user available code.", 20000));
    PostMessageW(GetDlgItem(dialog, kUpgradeRemote), BM_CLICK, 0, 0);
    // The J-Link press gave up waiting for its worker after two seconds; the window is free.
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    EXPECT_EQ(Text(dialog, kResult), L"") << "a step that has not ended has no outcome";
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
    // Messages of other programs in the range the workers once used, with pointers that point
    // nowhere, neither crash the window nor end its run.
    DWORD_PTR answer = TRUE;
    for (UINT message = WM_APP + 1; message <= WM_APP + 5; ++message) {
        SendMessageTimeoutW(dialog, message, 1, 0x10, SMTO_ABORTIFHUNG, 5000, &answer);
    }
    EXPECT_TRUE(app.Running());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kJLinkRemote)));
    answer = TRUE;
    EXPECT_NE(SendMessageTimeoutW(dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                  SMTO_ABORTIFHUNG, 5000, &answer),
              0);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(FALSE)) << "a logoff during a run is refused";

    PostMessageW(dialog, WM_CLOSE, 0, 0);
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_TRUE(app.WaitForExit(20000)) << "hung tools do not keep the program alive";
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(app.ExitCode(code));
    EXPECT_EQ(code, 0u);
    ASSERT_EQ(tools.Records().size(), 1u) << "the USB press came during the J-Link run";
    EXPECT_TRUE(tools.WaitForRecordedTools(10000)) << "the hung nrfjprog outlived the program";
}

// A killed tool ends its output without "ERROR"; only its exit status tells that it did not
// finish. A step that ended that way must not count as done.
TEST_F(StressToolTest, EraseStepKilledHalfwayFailsAndStopsTheChain) {
    StandInSession tools("[nrfjprog --eraseall]\n"
                         "out \"Erasing user available code and UICR flash areas.\\r\\n\"\n"
                         "hang\n"
                         "[nrfjprog]\nout \"should not run\\r\\n\"\n");
    ToolReaper reaper(tools);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(WaitForRecords(tools, 1, 20000));
    ASSERT_TRUE(LogContains(dialog, L"Erasing user available code", 20000));
    ASSERT_TRUE(Kill(tools.Records()[0].pid));

    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, kResult) == L"fail"; }, 20000))
        << "result: " << Utf8(Text(dialog, kResult));
    EXPECT_EQ(Text(dialog, kLog),
              L"Eraseall...\r\nErasing user available code and UICR flash areas.\r\n\r\n");
    EXPECT_EQ(tools.Records().size(), 1u) << "program and reset do not run after a killed erase";
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr) << "the outcome shows in the label only";
}

TEST_F(StressToolTest, ProgramStepKilledHalfwayFailsAndSkipsTheReset) {
    StandInSession tools("[nrfjprog --eraseall]\nout \"Erasing.\\r\\n\"\n"
                         "[nrfjprog --program]\nout \"Parsing image file.\\r\\n\"\nhang\n"
                         "[nrfjprog --reset]\nout \"Run.\\r\\n\"\n");
    ToolReaper reaper(tools);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(LogContains(dialog, L"Parsing image file.", 20000));
    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 2u);
    ASSERT_TRUE(Kill(records[1].pid));

    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, kResult) == L"fail"; }, 20000))
        << "result: " << Utf8(Text(dialog, kResult));
    EXPECT_EQ(Text(dialog, kLog).find(L"Reset..."), std::wstring::npos);
    EXPECT_EQ(tools.Records().size(), 2u);
}

TEST_F(StressToolTest, DfuToolKilledHalfwayLogsAFailure) {
    StandInSession tools("[nrfutil dfu]\nerr \"Using board at serial port: COM7\\r\\n\"\n"
                         "await never-created 60000\nout \"Device programmed.\\r\\n\"\n");
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSKILL", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kUpgradeRemote);
    ASSERT_TRUE(WaitForRecords(tools, 1, 20000));
    ASSERT_TRUE(LogContains(dialog, L"Upgrading...", 20000));
    const unsigned long pid = tools.Records()[0].pid;
    ASSERT_TRUE(Kill(pid));

    // The run ends with the tool's output, and says that it failed.
    EXPECT_TRUE(WaitUntil([&] { return Text(dialog, kLog).size() > 14; }, 20000));
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    EXPECT_EQ(Text(dialog, kLog),
              L"Upgrading...\r\nnrfutil: Using board at serial port: COM7\r\nUpgrade failed.\r\n");
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
}
