// The program's own message boxes, captioned with the executable's name.
#include "ui/ProgramMessage.h"
#include "config/ExecutablePath.h"

int ProgramMessageBox(HWND owner, const wchar_t* text, UINT type) {
    wchar_t path[kPathBufferChars] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(kPathBufferChars));
    return MessageBoxW(owner, text, ExecutableBaseName(path).c_str(), type);
}
