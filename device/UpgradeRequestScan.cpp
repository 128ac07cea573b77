#include "device/UpgradeRequestScan.h"
#include "base/ScopeExit.h"
#include "device/UpgradeInterfaceMatch.h"
#include <algorithm>
#include <vector>

namespace {

// Opens every matching interface in the order the system lists them, each with its own open and
// close, and hands it to visit while it is open. An interface whose size or detail cannot be read,
// or which cannot be opened, is skipped.
template <typename Visit> void ForEachOpenMatchingInterface(HidInterfaceCalls& calls, Visit visit) {
    void* list = nullptr;
    if (!calls.GetInterfaceList(list)) {
        return;
    }
    const ScopeExit destroyList([&] { calls.DestroyList(list); });

    for (std::uint32_t index = 0; calls.EnumInterface(list, index); ++index) {
        std::uint32_t size = 0;
        std::wstring path;
        if (!calls.QueryDetailSize(list, size) || !calls.ReadDetailPath(list, size, path) ||
            !IsUpgradeInterfacePath(path)) {
            continue;
        }
        void* device = nullptr;
        // One device that cannot be opened (unplugged meanwhile, held by another program) must
        // neither keep the others from being asked nor undo a request already sent.
        if (!calls.Open(path, device)) {
            continue;
        }
        const ScopeExit close([&] { calls.Close(device); });
        visit(path, device);
    }
}

} // namespace

bool RequestUpgradeOnMatchingInterfaces(HidInterfaceCalls& calls) {
    bool sent = false;
    ForEachOpenMatchingInterface(calls, [&](const std::wstring&, void* device) {
        sent = true;
        calls.RequestUpgrade(device);
    });
    return sent;
}

std::size_t CountMatchingDevices(HidInterfaceCalls& calls) {
    // A handful at most: a list costs less code than a set.
    std::vector<std::wstring> devices;
    ForEachOpenMatchingInterface(calls, [&](const std::wstring& path, void*) {
        std::wstring device = UpgradeDeviceKey(path);
        if (std::find(devices.begin(), devices.end(), device) == devices.end()) {
            devices.push_back(std::move(device));
        }
    });
    return devices.size();
}
