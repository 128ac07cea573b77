// The program's own message boxes: owned by a window of the program, captioned with the
// executable's name.
#pragma once
#include <windows.h>

// MessageBoxW with the executable's name as the caption; returns the button pressed.
int ProgramMessageBox(HWND owner, const wchar_t* text, UINT type);
