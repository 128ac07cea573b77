#include "device/SystemLibraries.h"
#include "base/SystemLibrary.h"
#include <optional>

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

std::optional<SetupApiCalls> LoadSetupApi() {
    const HMODULE module = LoadSystemLibrary(L"setupapi.dll");
    SetupApiCalls calls{};
    if (module == nullptr || !Resolve(module, "SetupDiGetClassDevsW", calls.GetClassDevs) ||
        !Resolve(module, "SetupDiEnumDeviceInfo", calls.EnumDeviceInfo) ||
        !Resolve(module, "SetupDiGetDeviceRegistryPropertyW", calls.GetDeviceRegistryProperty) ||
        !Resolve(module, "SetupDiEnumDeviceInterfaces", calls.EnumDeviceInterfaces) ||
        !Resolve(module, "SetupDiGetDeviceInterfaceDetailW", calls.GetDeviceInterfaceDetail) ||
        !Resolve(module, "SetupDiDestroyDeviceInfoList", calls.DestroyDeviceInfoList)) {
        return std::nullopt;
    }
    return calls;
}

std::optional<HidCalls> LoadHid() {
    const HMODULE module = LoadSystemLibrary(L"hid.dll");
    HidCalls calls{};
    if (module == nullptr || !Resolve(module, "HidD_GetHidGuid", calls.GetHidGuid) ||
        !Resolve(module, "HidD_GetIndexedString", calls.GetIndexedString)) {
        return std::nullopt;
    }
    return calls;
}

} // namespace

const SetupApiCalls* SystemSetupApi() {
    static const std::optional<SetupApiCalls> calls = LoadSetupApi();
    return calls ? &*calls : nullptr;
}

const HidCalls* SystemHid() {
    static const std::optional<HidCalls> calls = LoadHid();
    return calls ? &*calls : nullptr;
}
