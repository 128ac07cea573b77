#pragma once
#include "config/UpgradeTarget.h"

// The result label's text at the end of a run, USB or J-Link: English for the remote, Chinese for
// the other two.
const wchar_t* ResultLabelText(UpgradeTarget target, bool ok);
