// A hid.dll that someone dropped beside the program. When loaded it leaves a file "<its own
// path>.loaded"; its two calls answer as if no device were there, so a program that used it
// would still run.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8] = {};
        const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatW(path, L".loaded");
            const HANDLE mark =
                CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (mark != INVALID_HANDLE_VALUE) {
                CloseHandle(mark);
            }
        }
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void __stdcall HidD_GetHidGuid(GUID* guid) {
    *guid = {0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

extern "C" __declspec(dllexport) BOOLEAN
    __stdcall HidD_GetIndexedString(HANDLE, ULONG, PVOID, ULONG) {
    return FALSE;
}
