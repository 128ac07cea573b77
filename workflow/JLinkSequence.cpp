#include "workflow/JLinkSequence.h"

const wchar_t* JLinkResultText(UpgradeTarget target, bool ok) {
    if (target == UpgradeTarget::Remote) {
        return ok ? L"success" : L"fail";
    }
    return ok ? L"成功" : L"失败";
}

void PressJLink(JLinkPressOps& ops, UpgradeTarget target) {
    ops.ClearResult();
    if (ops.StartJLinkWorker(target)) {
        ops.WaitForWorker(kJLinkPressWaitMs);
    }
}

void ProgramWithJLink(JLinkOps& ops, UpgradeTarget target) {
    const std::wstring path = ops.ReadImagePath(target);
    if (!ops.IsConfiguredFilePresent(path)) {
        return;
    }
    bool ok = ops.RunEraseAll();
    ok = ok && ops.RunProgram(path);
    ok = ok && ops.RunReset();
    ops.SetResultFlag(ok);
    ops.SetResultText(JLinkResultText(target, ok));
}
