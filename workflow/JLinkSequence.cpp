#include "workflow/JLinkSequence.h"
#include "workflow/ResultLabelText.h"

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
    ops.SetResultText(ResultLabelText(target, ok));
}
