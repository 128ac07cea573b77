#include "RemoteDll.h"
#include "base/UniqueResource.h"
#include <tlhelp32.h>

namespace {

// Runs a function of the target process on a new thread there and waits for it.
bool RunRemote(HANDLE process, LPTHREAD_START_ROUTINE start, const std::wstring& argument,
               DWORD timeoutMs) {
    const SIZE_T bytes = (argument.size() + 1) * sizeof(wchar_t);
    void* remote =
        VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) {
        return false;
    }
    bool ok = WriteProcessMemory(process, remote, argument.c_str(), bytes, nullptr) != 0;
    if (ok) {
        const UniqueHandle thread(
            CreateRemoteThread(process, nullptr, 0, start, remote, 0, nullptr));
        ok = thread && WaitForSingleObject(thread.get(), timeoutMs) == WAIT_OBJECT_0;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return ok;
}

BYTE* RemoteModuleBase(DWORD processId, const std::wstring& name) {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) {
        return nullptr;
    }
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
         more = Module32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szModule, name.c_str()) == 0) {
            return entry.modBaseAddr;
        }
    }
    return nullptr;
}

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type module) { return module != nullptr; }
    static void Release(Type module) { FreeLibrary(module); }
};

} // namespace

bool LoadDllInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs) {
    // kernel32 lies at the same address in every process of the prefix.
    auto* loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    return RunRemote(process, loadLibrary, dllPath, timeoutMs);
}

bool CallDllExport(HANDLE process, DWORD processId, const std::wstring& dllPath,
                   const char* function, const std::wstring& argument, DWORD timeoutMs) {
    const UniqueResource<ModuleTraits> local(LoadLibraryW(dllPath.c_str()));
    const std::wstring name = dllPath.substr(dllPath.find_last_of(L"\\/") + 1);
    BYTE* remoteBase = RemoteModuleBase(processId, name);
    if (!local || remoteBase == nullptr) {
        return false;
    }
    auto* address =
        reinterpret_cast<BYTE*>(reinterpret_cast<void*>(GetProcAddress(local.get(), function)));
    if (address == nullptr) {
        return false;
    }
    auto* entry = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(remoteBase + (address - reinterpret_cast<BYTE*>(local.get()))));
    return RunRemote(process, entry, argument, timeoutMs);
}
