#include "AppUnderTest.h"
#include "ScreenPixels.h"
#include "StandInTools.h"
#include <gtest/gtest.h>

namespace {

constexpr int kJLinkRemote = 1002;
constexpr int kJLinkTablet = 1003;
constexpr int kLog = 1001;
constexpr int kResult = 1007;
constexpr COLORREF kGreen = RGB(0, 228, 156);
constexpr COLORREF kRed = RGB(255, 0, 0);

const char kAllStepsSucceed[] = "[nrfjprog --eraseall]\n"
                                "out \"Erasing user available code and UICR flash areas.\\r\\n"
                                "Applying system reset.\\r\\n\"\n"
                                "[nrfjprog --program]\n"
                                "out \"Parsing image file.\\r\\n\"\n"
                                "[nrfjprog --reset]\n"
                                "out \"Applying system reset.\\r\\nRun.\\r\\n\"\n";

std::wstring Text(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

std::vector<std::wstring> Steps(const StandInSession& tools) {
    std::vector<std::wstring> steps;
    for (const auto& record : tools.Records()) {
        std::wstring step = record.tool;
        for (size_t i = 2; i < record.args.size(); ++i) { // after "--family NRF52"
            step += L" " + record.args[i];
        }
        steps.push_back(step);
    }
    return steps;
}

class JLinkProgrammingTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile(L"config.ini",
                         "[Remote]\r\nhex=fw\\remote.hex\r\n[Tablet]\r\nhex=tablet.hex\r\n"
                         "[Dongle]\r\nhex=missing.hex\r\n");
        folder.WriteFile(L"fw\\remote.hex", ":00000001FF\r\n");
        folder.WriteFile(L"tablet.hex", ":00000001FF\r\n");
    }
    // The J-Link buttons are hidden; a click message still reaches them.
    static void Press(HWND dialog, int id) {
        WaitForRunEnd(dialog);
        PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
    static bool ResultIs(HWND dialog, const std::wstring& text) {
        return WaitUntil([&] { return Text(dialog, kResult) == text; }, 20000);
    }

    TestFolder folder;
};

} // namespace

TEST_F(JLinkProgrammingTest, AllStepsSucceedShowsSuccessInGreen) {
    StandInSession tools(kAllStepsSucceed);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(ResultIs(dialog, L"success")) << Utf8(Text(dialog, kLog));
    EXPECT_EQ(Text(dialog, kLog), L"Eraseall...\r\n"
                                  L"Erasing user available code and UICR flash areas.\r\n"
                                  L"Applying system reset.\r\n\r\n"
                                  L"Program...\r\n"
                                  L"Parsing image file.\r\n\r\n"
                                  L"Reset...\r\n"
                                  L"Applying system reset.\r\nRun.\r\n\r\n");
    EXPECT_EQ(Steps(tools), (std::vector<std::wstring>{L"nrfjprog --eraseall",
                                                       L"nrfjprog --program " + folder.Path() +
                                                           L"fw\\remote.hex --verify",
                                                       L"nrfjprog --reset"}));
    HWND label = GetDlgItem(dialog, kResult);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(label, kGreen) > 50; }, 5000));
    EXPECT_EQ(CountScreenPixels(label, kRed), 0u);
}

TEST_F(JLinkProgrammingTest, EraseErrorStopsTheChainAndShowsFailInRed) {
    StandInSession tools("[nrfjprog --eraseall]\n"
                         "out \"ERROR: No debuggers were discovered.\\r\\n\"\n"
                         "exit 41\n"
                         "[nrfjprog]\nout \"should not run\\r\\n\"\n");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(ResultIs(dialog, L"fail"));
    EXPECT_EQ(Text(dialog, kLog), L"Eraseall...\r\nERROR: No debuggers were discovered.\r\n\r\n");
    EXPECT_EQ(Steps(tools), (std::vector<std::wstring>{L"nrfjprog --eraseall"}));
    HWND label = GetDlgItem(dialog, kResult);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(label, kRed) > 50; }, 5000));
    EXPECT_EQ(CountScreenPixels(label, kGreen), 0u);
}

TEST_F(JLinkProgrammingTest, FailingExitStatusWithoutErrorTextStillFails) {
    StandInSession tools(
        "[nrfjprog --eraseall]\nout \"Erasing.\\r\\n\"\n"
        "[nrfjprog --program]\nout \"The file could not be found.\\r\\n\"\nexit 51\n"
        "[nrfjprog --reset]\nout \"Run.\\r\\n\"\n");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(ResultIs(dialog, L"fail"));
    EXPECT_EQ(Steps(tools), (std::vector<std::wstring>{L"nrfjprog --eraseall",
                                                       L"nrfjprog --program " + folder.Path() +
                                                           L"fw\\remote.hex --verify"}));
}

TEST_F(JLinkProgrammingTest, TabletShowsChineseTexts) {
    StandInSession tools(kAllStepsSucceed);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kJLinkTablet);
    ASSERT_TRUE(ResultIs(dialog, L"成功"));
    EXPECT_EQ(Steps(tools).at(1), L"nrfjprog --program " + folder.Path() + L"tablet.hex --verify");

    // The image read back differs: only a step started with --verify finds that out.
    tools.SetScenario(
        "[nrfjprog --verify]\nout \"Parsing image file.\\r\\nVerifying programming.\\r\\n\"\n"
        "err \"ERROR: Write verify failed.\\r\\n\"\nexit 55\n[nrfjprog]\nout \"Run.\\r\\n\"\n");
    Press(dialog, kJLinkTablet);
    EXPECT_TRUE(ResultIs(dialog, L"失败"));
    EXPECT_EQ(Steps(tools).size(), 5u) << "no reset after the failed verify";
    EXPECT_TRUE(
        WaitUntil([&] { return CountScreenPixels(GetDlgItem(dialog, kResult), kRed) > 50; }, 5000));
}

TEST_F(JLinkProgrammingTest, ASecondPressClearsTheOldResultFirstAndPressesDuringItStartNothing) {
    StandInSession tools(kAllStepsSucceed);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(ResultIs(dialog, L"success"));

    tools.SetScenario(
        "[nrfjprog --eraseall]\nawait go\nout \"ERROR: JLinkARM DLL reported an error.\\r\\n\"\n");
    Press(dialog, kJLinkRemote);
    const ULONGLONG pressed = GetTickCount64();
    EXPECT_TRUE(ResultIs(dialog, L"")) << "the label is emptied while the new run works";
    HWND label = GetDlgItem(dialog, kResult);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(label, kGreen) == 0; }, 5000))
        << "no trace of the old text is left on screen";
    // The press waits up to 2 s for its worker; the old result must not stay on screen meanwhile.
    EXPECT_LT(GetTickCount64() - pressed, 1900u);

    // While the run works its buttons are disabled, and neither a click nor a command that another
    // program sends starts anything: the dongle's image, which is missing, is never even read.
    ASSERT_TRUE(WaitUntil([&] { return tools.Records().size() == 4; }, 20000));
    const int buttons[] = {1000, kJLinkRemote, kJLinkTablet, 1004, 1005, 1006};
    for (const int id : buttons) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, kJLinkTablet), BM_CLICK, 0, 0, SMTO_NORMAL, 10000,
                        &ignored);
    SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 0, SMTO_NORMAL, 10000,
                        &ignored);
    tools.Signal(L"go");
    EXPECT_TRUE(ResultIs(dialog, L"fail"));
    ASSERT_TRUE(WaitForRunEnd(dialog));
    for (const int id : buttons) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    }
    EXPECT_EQ(tools.Records().size(), 4u);
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
}

TEST_F(JLinkProgrammingTest, TheToolsLinesShowWhileThePressStillWaits) {
    StandInSession tools("[nrfjprog --eraseall]\nout \"Erasing user available code.\\r\\n\"\n"
                         "await go\n[nrfjprog]\nout \"Run.\\r\\n\"\n");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    const ULONGLONG pressed = GetTickCount64();
    Press(dialog, kJLinkRemote);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Text(dialog, kLog).find(L"Erasing user available code.") != std::wstring::npos;
        },
        20000));
    // The press waits up to 2 s for its worker; the worker's line must not wait for the press.
    EXPECT_LT(GetTickCount64() - pressed, 1900u);
    tools.Signal(L"go");
    EXPECT_TRUE(ResultIs(dialog, L"success"));
}

TEST_F(JLinkProgrammingTest, MissingImageShowsTheMessageAndLeavesTheLabelEmpty) {
    StandInSession tools(kAllStepsSucceed);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, 1004); // the dongle's image is missing
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)),
              L"The configured missing.hex file does not exist. Please confirm the configuration "
              L"file again.");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Responsive(dialog, 10000));
    EXPECT_EQ(Text(dialog, kResult), L"");
    EXPECT_EQ(Text(dialog, kLog), L"");
    EXPECT_TRUE(tools.Records().empty());
}
