// A wait for a handle during which the waiting thread still handles the messages that other
// threads send to its windows.
#pragma once
#include <windows.h>

// Waits for the handle at most that long. Messages that other threads send to this thread's
// windows are handled meanwhile: workers report by such messages and wait for the answer, so a
// plain wait would hold every one of them (and the tools whose output they read) until it ends.
inline void WaitHandlingSentMessages(HANDLE handle, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE,
                                                     static_cast<DWORD>(end - now), QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1) {
            return;
        }
        // Peeking handles the sent messages; posted ones stay queued for after the press.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
