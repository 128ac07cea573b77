#include "device/UpgradeRequestScan.h"
#include "base/ScopeExit.h"
#include "device/UpgradeInterfaceMatch.h"

bool RequestUpgradeOnMatchingInterfaces(HidInterfaceCalls& calls) {
    void* list = nullptr;
    if (!calls.GetInterfaceList(list)) {
        return false;
    }
    const ScopeExit destroyList([&] { calls.DestroyList(list); });

    bool sent = false;
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
        sent = true;
        calls.RequestUpgrade(device);
    }
    return sent;
}
