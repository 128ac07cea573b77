#include "workflow/ResultLabelText.h"

const wchar_t* ResultLabelText(UpgradeTarget target, bool ok) {
    if (target == UpgradeTarget::Remote) {
        return ok ? L"success" : L"fail";
    }
    return ok ? L"成功" : L"失败";
}
