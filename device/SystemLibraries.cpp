#include "device/SystemLibraries.h"
#include "base/SystemLibrary.h"

namespace {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return module;
    }
    // Windows 7 without its loader update refuses the search flag: name the file in full, and let
    // its own dependencies be looked for in its folder.
    if (GetLastError() != ERROR_INVALID_PARAMETER) {
        return nullptr;
    }
    const std::wstring path = SystemFolderFile(name);
    return path.empty() ? nullptr
                        : LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function> bool Resolve(HMODULE module, const char* name, Function& function) {
    function = LibraryCall<Function>(module, name);
    return function != nullptr;
}

bool LoadSetupApi(SetupApiCalls& calls) {
    const HMODULE module = LoadSystemLibrary(L"setupapi.dll");
    return module != nullptr && Resolve(module, "SetupDiGetClassDevsW", calls.GetClassDevs) &&
           Resolve(module, "SetupDiEnumDeviceInfo", calls.EnumDeviceInfo) &&
           Resolve(module, "SetupDiGetDeviceRegistryPropertyW", calls.GetDeviceRegistryProperty) &&
           Resolve(module, "SetupDiEnumDeviceInterfaces", calls.EnumDeviceInterfaces) &&
           Resolve(module, "SetupDiGetDeviceInterfaceDetailW", calls.GetDeviceInterfaceDetail) &&
           Resolve(module, "SetupDiDestroyDeviceInfoList", calls.DestroyDeviceInfoList);
}

bool LoadHid(HidCalls& calls) {
    const HMODULE module = LoadSystemLibrary(L"hid.dll");
    return module != nullptr && Resolve(module, "HidD_GetHidGuid", calls.GetHidGuid) &&
           Resolve(module, "HidD_GetIndexedString", calls.GetIndexedString);
}

// Loads the calls once, for whichever thread asks first, and gives them to every later call: the
// system's one-time initialisation, not a local static's, whose guard would bring the C++
// library's exception support back into the exe, and into the x64 one its thread support too
// (39 KB of either).
template <typename Calls, bool (*Load)(Calls&)> const Calls* LoadedOnce() {
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    static Calls calls; // zero-filled before the program starts: no guard
    struct Initializer {
        static BOOL CALLBACK Run(PINIT_ONCE, PVOID, PVOID* context) {
            *context = Load(calls) ? &calls : nullptr;
            return TRUE;
        }
    };
    void* loaded = nullptr;
    if (!InitOnceExecuteOnce(&once, &Initializer::Run, nullptr, &loaded)) {
        return nullptr;
    }
    return static_cast<const Calls*>(loaded);
}

} // namespace

const SetupApiCalls* SystemSetupApi() {
    return LoadedOnce<SetupApiCalls, LoadSetupApi>();
}

const HidCalls* SystemHid() {
    return LoadedOnce<HidCalls, LoadHid>();
}
