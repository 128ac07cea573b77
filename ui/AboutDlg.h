#pragma once
#include "ui/DialogBase.h"

// The About box: icon, name and version of the program. OK, Enter, Escape and the close box end
// it through the base dialog's defaults. Each opening builds a new one.
class CAboutDlg : public CDialogBase {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
};
