#include "BoundedRun.h"
#include "MessageBoxWatcher.h"
#include "PacedToolLog.h"
#include "StandInTools.h"
#include "runner/ToolSteps.h"
#include <gtest/gtest.h>
#include <windows.h>

using namespace std::chrono_literals;

namespace {

// A J-Link bench that erases, programs and resets as the real nrfjprog reports it.
// Each tool writes its output at once, so that each step's output arrives as one read.
const char kGoodProbe[] =
    "[nrfjprog --eraseall]\n"
    "out \"Erasing user available code and UICR flash areas.\\r\\nApplying system reset.\\r\\n\"\n"
    "exit 0\n"
    "[nrfjprog --program]\n"
    "out \"Parsing image file.\\r\\nProgramming device.\\r\\n\"\n"
    "exit 0\n"
    "[nrfjprog --reset]\n"
    "out \"Applying system reset.\\r\\nRun.\\r\\n\"\n"
    "exit 0\n"
    "[nrfutil]\n"
    "out \"Device programmed.\\r\\n\"\n"
    "exit 0\n";

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

class ToolStepsTest : public ::testing::Test {
protected:
    // Runs a step on a thread of its own, insisting that it ends.
    template <typename Step> auto Within(const StandInSession& tools, Step step) {
        decltype(step()) result{};
        BoundedRun run([&] { result = step(); });
        if (!run.EndsWithin(30s)) {
            ADD_FAILURE() << "the step did not end; boxes shown: " << boxes.Seen().size();
            tools.EndRecordedTools();
        }
        return result;
    }

    // Every test ends with exactly the boxes it expects; a box that nobody expected is closed,
    // so a failing start shows as a failure instead of a hang.
    void TearDown() override { EXPECT_EQ(boxes.Seen().size(), expectedBoxes); }

    MessageBoxWatcher boxes;
    size_t expectedBoxes = 0;
    TestFolder folder;
    RecordingToolLog log;
};

} // namespace

TEST_F(ToolStepsTest, TheJLinkStepsLogTheirBannersAndTheToolsOutput) {
    StandInSession tools(kGoodProbe);
    EXPECT_TRUE(Within(tools, [&] { return RunEraseAll(folder.Path(), log); }));
    EXPECT_TRUE(Within(tools, [&] { return RunProgram(L"remote.hex", folder.Path(), log); }));
    EXPECT_TRUE(Within(tools, [&] { return RunReset(folder.Path(), log); }));
    EXPECT_EQ(log.Text(), L"Eraseall...\r\n"
                          L"Erasing user available code and UICR flash areas.\r\n"
                          L"Applying system reset.\r\n\r\n"
                          L"Program...\r\n"
                          L"Parsing image file.\r\n"
                          L"Programming device.\r\n\r\n"
                          L"Reset...\r\n"
                          L"Applying system reset.\r\nRun.\r\n\r\n");
}

TEST_F(ToolStepsTest, TheDfuRunLogsOnlyItsBannerAndTheSuccessLine) {
    StandInSession tools("[nrfutil]\n" +
                         OneReadEach({"err \"2024-05-01 10:00:01,120 Using connection COM7\\r\\n\"",
                                      "out \"Device programmed.\\r\\n\""}) +
                         "exit 0\n");
    PacedToolLog log(tools);
    Within(tools, [&] {
        RunDfuUpgrade(L"remote_dfu.zip", L"COM7", folder.Path(), log);
        return true;
    });
    EXPECT_EQ(log.Text(), L"Upgrading...\r\nUpgrade succeeded.\r\n");
}

TEST_F(ToolStepsTest, EachStepIsJudgedByItsOwnTool) {
    StandInSession tools(
        "[nrfjprog --eraseall]\nout \"Applying system reset.\\r\\n\"\nexit 0\n"
        "[nrfjprog --program]\n"
        "out \"Parsing image file.\\r\\nERROR: The area to write is not erased.\\r\\n\"\n"
        "exit 58\n"
        "[nrfjprog]\nerr \"ERROR: No debuggers were discovered.\\r\\n\"\nexit 41\n");
    EXPECT_TRUE(Within(tools, [&] { return RunEraseAll(folder.Path(), log); }));
    EXPECT_FALSE(Within(tools, [&] { return RunProgram(L"remote.hex", folder.Path(), log); }));
    EXPECT_FALSE(Within(tools, [&] { return RunReset(folder.Path(), log); }));
    EXPECT_EQ(log.Text(), L"Eraseall...\r\nApplying system reset.\r\n\r\n"
                          L"Program...\r\nParsing image file.\r\n"
                          L"ERROR: The area to write is not erased.\r\n\r\n"
                          L"Reset...\r\nERROR: No debuggers were discovered.\r\n\r\n");
}

TEST_F(ToolStepsTest, ToolsGetTheirArgumentsWholeAndTheGivenCurrentDirectory) {
    StandInSession tools(kGoodProbe);
    const std::wstring hex = L"fw dir\\a&b (1);v=2.hex";
    const std::wstring package = L"C:\\My Firmware\\remote dfu\\";
    EXPECT_TRUE(Within(tools, [&] { return RunEraseAll(folder.Path(), log); }));
    EXPECT_TRUE(Within(tools, [&] { return RunProgram(hex, folder.Path(), log); }));
    EXPECT_TRUE(Within(tools, [&] { return RunReset(folder.Path(), log); }));
    Within(tools, [&] {
        RunDfuUpgrade(package, L"COM7", folder.Path(), log);
        return true;
    });

    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 4u) << "one start per tool; cmd ran no second command";
    using Args = std::vector<std::wstring>;
    EXPECT_EQ(records[0].args, (Args{L"--family", L"NRF52", L"--eraseall"}));
    EXPECT_EQ(records[1].args, (Args{L"--family", L"NRF52", L"--program", hex, L"--verify"}));
    EXPECT_EQ(records[2].args, (Args{L"--family", L"NRF52", L"--reset"}));
    EXPECT_EQ(records[3].args, (Args{L"dfu", L"serial", L"-pkg", package, L"-p", L"COM7"}));
    EXPECT_EQ(records[0].tool, L"nrfjprog");
    EXPECT_EQ(records[3].tool, L"nrfutil");
    for (const auto& record : records) {
        EXPECT_EQ(lstrcmpiW(WithoutTrailingBackslash(record.currentDirectory).c_str(),
                            WithoutTrailingBackslash(folder.Path()).c_str()),
                  0)
            << Utf8(record.currentDirectory);
    }
}

TEST_F(ToolStepsTest, AValueThatCannotBePassedSafelyStartsNothingAndShowsTheStartFailure) {
    expectedBoxes = 2;
    StandInSession tools(kGoodProbe);
    EXPECT_FALSE(
        Within(tools, [&] { return RunProgram(L"x.hex\" & calc & \"", folder.Path(), log); }));
    Within(tools, [&] {
        RunDfuUpgrade(L"remote_dfu.zip", L"COM7\r\nCOM8", folder.Path(), log);
        return true;
    });
    EXPECT_TRUE(log.Calls().empty());
    EXPECT_TRUE(tools.Records().empty());
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"CreateProcess Failed!");
    EXPECT_EQ(seen[0].caption, L"提示");
    EXPECT_EQ(seen[1].text, L"CreateProcess Failed!");
    EXPECT_EQ(seen[1].caption, L"Info");
    for (const auto& box : seen) {
        EXPECT_TRUE(box.warningIcon);
        EXPECT_TRUE(box.okOnly);
        EXPECT_FALSE(box.owned);
    }
}

TEST_F(ToolStepsTest, AStepThatCannotStartShowsTheBoxWithItsCaption) {
    expectedBoxes = 3;
    StandInSession tools(kGoodProbe);
    const std::wstring nowhere = folder.Path() + L"missing\\";
    EXPECT_FALSE(Within(tools, [&] { return RunEraseAll(nowhere, log); }));
    EXPECT_FALSE(Within(tools, [&] { return RunReset(nowhere, log); }));
    Within(tools, [&] {
        RunDfuUpgrade(L"remote_dfu.zip", L"COM7", nowhere, log);
        return true;
    });
    EXPECT_TRUE(log.Calls().empty());
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, L"提示");
    EXPECT_EQ(seen[1].caption, L"提示");
    EXPECT_EQ(seen[2].caption, L"Info");
    for (const auto& box : seen) {
        EXPECT_EQ(box.text, L"CreateProcess Failed!");
    }
}
