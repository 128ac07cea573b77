#pragma once
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

// The calls of setupapi.dll and hid.dll that the device edge uses. Neither library is a known DLL
// of the system, so importing them would make the loader look for them beside the executable
// first, where anyone may drop a file. They are loaded from the system folder on first use
// instead, which also keeps their load out of the program's start.
struct SetupApiCalls {
    decltype(&SetupDiGetClassDevsW) GetClassDevs;
    decltype(&SetupDiEnumDeviceInfo) EnumDeviceInfo;
    decltype(&SetupDiGetDeviceRegistryPropertyW) GetDeviceRegistryProperty;
    decltype(&SetupDiEnumDeviceInterfaces) EnumDeviceInterfaces;
    decltype(&SetupDiGetDeviceInterfaceDetailW) GetDeviceInterfaceDetail;
    decltype(&SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList;
};

struct HidCalls {
    decltype(&HidD_GetHidGuid) GetHidGuid;
    decltype(&HidD_GetIndexedString) GetIndexedString;
};

// The calls, or nullptr when the library or one of its calls cannot be had. The first call loads
// the library; it then stays loaded for the life of the process, as an import would.
const SetupApiCalls* SystemSetupApi();
const HidCalls* SystemHid();
