#include "RemoteDll.h"
#include "TestFolder.h"
#include "base/UniqueResource.h"
#include <cstring>
#include <tlhelp32.h>
#include <winternl.h>

// The program may be a 32-bit process, and where the x86 layer falls back to qemu an emulated one:
// Wine's ReadProcessMemory and WriteProcessMemory reach the emulator's own memory there, not the
// program's, and the module lists of a 32-bit process stay closed to a 64-bit one. So nothing here
// reads or writes the program's memory: the thread's argument travels in a shared section mapped
// into it, and addresses come from the DLL files and where the program has mapped them.

namespace {

using MapViewOfSectionCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID*, ULONG_PTR, SIZE_T,
                                              PLARGE_INTEGER, PSIZE_T, DWORD, ULONG, ULONG);
using UnmapViewOfSectionCall = NTSTATUS(NTAPI*)(HANDLE, PVOID);

template <typename Call> Call NtCall(const char* name) {
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

struct ViewTraits {
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type view) { return view != nullptr; }
    static void Release(Type view) { UnmapViewOfFile(view); }
};

// Runs a function of the target process on a new thread there, with a copy of the argument as its
// parameter, and waits for it; `result` gets the thread's exit code.
bool RunRemote(HANDLE process, BYTE* start, const std::wstring& argument, DWORD timeoutMs,
               DWORD* result = nullptr) {
    const DWORD bytes = static_cast<DWORD>((argument.size() + 1) * sizeof(wchar_t));
    const UniqueHandle section(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, nullptr));
    const UniqueResource<ViewTraits> local(
        section ? MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, bytes) : nullptr);
    const auto map = NtCall<MapViewOfSectionCall>("NtMapViewOfSection");
    const auto unmap = NtCall<UnmapViewOfSectionCall>("NtUnmapViewOfSection");
    if (!local || map == nullptr || unmap == nullptr) {
        return false;
    }
    std::memcpy(local.get(), argument.c_str(), bytes);
    void* remote = nullptr;
    SIZE_T size = 0;
    constexpr DWORD kViewUnmap = 2;
    if (map(section.get(), process, &remote, 0, 0, nullptr, &size, kViewUnmap, 0, PAGE_READWRITE) <
        0) {
        return false;
    }
    const UniqueHandle thread(
        CreateRemoteThread(process, nullptr, 0,
                           reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(start)),
                           remote, 0, nullptr));
    const bool ok = thread && WaitForSingleObject(thread.get(), timeoutMs) == WAIT_OBJECT_0 &&
                    (result == nullptr || GetExitCodeThread(thread.get(), result));
    unmap(process, remote);
    return ok;
}

// The image base and the address of a named export, from a DLL file (PE32 or PE32+); false when
// the function is missing or forwarded to another DLL.
bool FileExport(const std::wstring& path, const char* function, ULONGLONG& imageBase, DWORD& rva) {
    const std::string file = ReadFileBytes(path);
    const auto at = [&](size_t offset, size_t size) {
        return offset + size <= file.size() ? file.data() + offset : nullptr;
    };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    const auto* nt = dos ? reinterpret_cast<const IMAGE_NT_HEADERS32*>(
                               at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS64)))
                         : nullptr;
    if (nt == nullptr) {
        return false;
    }
    const bool pe32 = nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    const auto* nt64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt);
    imageBase = pe32 ? nt->OptionalHeader.ImageBase : nt64->OptionalHeader.ImageBase;
    const IMAGE_DATA_DIRECTORY table =
        pe32 ? nt->OptionalHeader.DataDirectory[0] : nt64->OptionalHeader.DataDirectory[0];
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const char*>(&nt->OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader);
    // A relative address of the image as an offset into the file.
    const auto offset = [&](DWORD address) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto& s = sections[i];
            if (address >= s.VirtualAddress && address < s.VirtualAddress + s.SizeOfRawData) {
                return address - s.VirtualAddress + s.PointerToRawData;
            }
        }
        return file.size();
    };
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
        at(offset(table.VirtualAddress), sizeof(IMAGE_EXPORT_DIRECTORY)));
    if (exports == nullptr) {
        return false;
    }
    const auto* names = reinterpret_cast<const DWORD*>(
        at(offset(exports->AddressOfNames), exports->NumberOfNames * sizeof(DWORD)));
    const auto* ordinals = reinterpret_cast<const WORD*>(
        at(offset(exports->AddressOfNameOrdinals), exports->NumberOfNames * sizeof(WORD)));
    const auto* functions = reinterpret_cast<const DWORD*>(
        at(offset(exports->AddressOfFunctions), exports->NumberOfFunctions * sizeof(DWORD)));
    for (DWORD i = 0; names && ordinals && functions && i < exports->NumberOfNames; ++i) {
        const char* name = at(offset(names[i]), std::strlen(function) + 1);
        if (name != nullptr && std::strcmp(name, function) == 0 &&
            ordinals[i] < exports->NumberOfFunctions) {
            rva = functions[ordinals[i]];
            return rva < table.VirtualAddress || rva >= table.VirtualAddress + table.Size;
        }
    }
    return false;
}

// Where the process has mapped the DLL file: from its module list when it can be read (the same
// bitness), else at the DLL's own image base, where Wine puts it when that is free.
BYTE* RemoteModuleBase(HANDLE process, const std::wstring& path, ULONGLONG imageBase) {
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetProcessId(process)));
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && Module32FirstW(snapshot.get(), &entry); more;
         more = Module32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szModule, name.c_str()) == 0) {
            return entry.modBaseAddr;
        }
    }
    auto* base = reinterpret_cast<BYTE*>(static_cast<ULONG_PTR>(imageBase));
    MEMORY_BASIC_INFORMATION region;
    return VirtualQueryEx(process, base, &region, sizeof(region)) == sizeof(region) &&
                   region.Type == MEM_IMAGE && region.AllocationBase == base
               ? base
               : nullptr;
}

BYTE* RemoteExport(HANDLE process, const std::wstring& path, const char* function) {
    ULONGLONG imageBase = 0;
    DWORD rva = 0;
    if (!FileExport(path, function, imageBase, rva)) {
        return nullptr;
    }
    BYTE* base = RemoteModuleBase(process, path, imageBase);
    return base != nullptr ? base + rva : nullptr;
}

} // namespace

bool LoadDllInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs) {
    // The kernel32.dll of the process's bitness.
    BOOL wow64 = FALSE;
    IsWow64Process(process, &wow64);
    wchar_t system[MAX_PATH] = {};
    const UINT length =
        wow64 ? GetSystemWow64DirectoryW(system, MAX_PATH) : GetSystemDirectoryW(system, MAX_PATH);
    BYTE* loadLibrary =
        RemoteExport(process, std::wstring(system, length) + L"\\kernel32.dll", "LoadLibraryW");
    // The exit code holds the module handle's low half: nothing to go by in a 64-bit process.
    DWORD module = 0;
    return loadLibrary != nullptr && RunRemote(process, loadLibrary, dllPath, timeoutMs, &module) &&
           (module != 0 || !wow64);
}

bool CallDllExport(HANDLE process, DWORD, const std::wstring& dllPath, const char* function,
                   const std::wstring& argument, DWORD timeoutMs) {
    BYTE* entry = RemoteExport(process, dllPath, function);
    return entry != nullptr && RunRemote(process, entry, argument, timeoutMs);
}
