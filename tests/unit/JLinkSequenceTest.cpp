#include "workflow/JLinkSequence.h"
#include "workflow/ResultLabelText.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class FakeJLinkOps : public JLinkOps {
public:
    std::wstring image = L"fw\\remote.hex";
    bool imagePresent = true;
    bool eraseOk = true, programOk = true, resetOk = true;
    std::vector<std::wstring> calls;

    std::wstring ReadImagePath(UpgradeTarget target) override {
        calls.push_back(L"read " + std::wstring(SectionName(target)));
        return image;
    }
    bool IsConfiguredFilePresent(const std::wstring& value) override {
        calls.push_back(L"check " + value);
        return imagePresent;
    }
    bool RunEraseAll() override {
        calls.push_back(L"erase");
        return eraseOk;
    }
    bool RunProgram(const std::wstring& hexPath) override {
        calls.push_back(L"program " + hexPath);
        return programOk;
    }
    bool RunReset() override {
        calls.push_back(L"reset");
        return resetOk;
    }
    void SetResultFlag(bool ok) override { calls.push_back(ok ? L"flag true" : L"flag false"); }
    void SetResultText(const std::wstring& text) override { calls.push_back(L"text " + text); }
};

class FakePressOps : public JLinkPressOps {
public:
    bool starts = true;
    std::vector<std::wstring> calls;
    void ClearResult() override { calls.push_back(L"clear"); }
    bool StartJLinkWorker(UpgradeTarget target) override {
        calls.push_back(L"start " + std::wstring(SectionName(target)));
        return starts;
    }
    void WaitForWorker(unsigned ms) override { calls.push_back(L"wait " + std::to_wstring(ms)); }
};

using Calls = std::vector<std::wstring>;

} // namespace

TEST(JLinkSequence, AllStepsSucceedThenFlagBeforeText) {
    FakeJLinkOps ops;
    ProgramWithJLink(ops, UpgradeTarget::Remote);
    EXPECT_EQ(ops.calls,
              (Calls{L"read Remote", L"check fw\\remote.hex", L"erase", L"program fw\\remote.hex",
                     L"reset", L"flag true", L"text success"}));
}

TEST(JLinkSequence, ChainStopsAtTheFirstFailingStep) {
    {
        FakeJLinkOps ops;
        ops.eraseOk = false;
        ProgramWithJLink(ops, UpgradeTarget::Remote);
        EXPECT_EQ(ops.calls, (Calls{L"read Remote", L"check fw\\remote.hex", L"erase",
                                    L"flag false", L"text fail"}));
    }
    {
        FakeJLinkOps ops;
        ops.programOk = false;
        ProgramWithJLink(ops, UpgradeTarget::Tablet);
        EXPECT_EQ(ops.calls, (Calls{L"read Tablet", L"check fw\\remote.hex", L"erase",
                                    L"program fw\\remote.hex", L"flag false", L"text 失败"}));
    }
}

TEST(JLinkSequence, OnlyTheResetFailingStillFails) {
    FakeJLinkOps ops;
    ops.resetOk = false;
    ProgramWithJLink(ops, UpgradeTarget::Dongle);
    ASSERT_GE(ops.calls.size(), 2u);
    EXPECT_EQ(ops.calls[ops.calls.size() - 2], L"flag false");
    EXPECT_EQ(ops.calls.back(), L"text 失败");
}

TEST(JLinkSequence, MissingImageLeavesFlagAndLabelAlone) {
    FakeJLinkOps ops;
    ops.imagePresent = false;
    ProgramWithJLink(ops, UpgradeTarget::Remote);
    EXPECT_EQ(ops.calls, (Calls{L"read Remote", L"check fw\\remote.hex"}));
}

TEST(JLinkSequence, ResultTextsPerTarget) {
    EXPECT_STREQ(ResultLabelText(UpgradeTarget::Remote, true), L"success");
    EXPECT_STREQ(ResultLabelText(UpgradeTarget::Remote, false), L"fail");
    EXPECT_STREQ(ResultLabelText(UpgradeTarget::Tablet, true), L"成功");
    EXPECT_STREQ(ResultLabelText(UpgradeTarget::Tablet, false), L"失败");
    EXPECT_STREQ(ResultLabelText(UpgradeTarget::Dongle, true), L"成功");
    EXPECT_STREQ(ResultLabelText(UpgradeTarget::Dongle, false), L"失败");
}

TEST(JLinkSequence, PressClearsStartsAndWaitsTwoSeconds) {
    FakePressOps ops;
    PressJLink(ops, UpgradeTarget::Tablet);
    EXPECT_EQ(ops.calls, (Calls{L"clear", L"start Tablet", L"wait 2000"}));
}

TEST(JLinkSequence, PressWithoutWorkerDoesNotWait) {
    FakePressOps ops;
    ops.starts = false;
    PressJLink(ops, UpgradeTarget::Remote);
    EXPECT_EQ(ops.calls, (Calls{L"clear", L"start Remote"}));
}
