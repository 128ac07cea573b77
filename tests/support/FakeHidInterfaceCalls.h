#pragma once
#include "device/UpgradeRequestScan.h"
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

// One HID interface as the fake system lists it, and how its calls go.
struct FakeHidInterface {
    std::wstring path;
    bool sizeQueryFails = false; // the size query does not ask for a buffer
    bool detailFails = false;
    bool openFails = false;
};

// A fake of the system calls behind the upgrade-mode trigger. It writes every call to a log
// ("list", "enum 0", "size 0", "detail 0", "open 0", "request 0", "close 0", "destroy"), counts
// what was obtained and given back, and notes every call made with a value it never gave out.
class FakeHidInterfaceCalls final : public HidInterfaceCalls {
public:
    std::vector<FakeHidInterface> interfaces;
    bool listFails = false;
    bool requestThrows = false; // stands for anything thrown while a device is open

    std::vector<std::string> log;
    std::vector<std::string> misuse;
    int listsObtained = 0;
    int listsDestroyed = 0;
    int devicesOpened = 0;
    int devicesClosed = 0;

    bool GetInterfaceList(void*& list) override {
        log.push_back("list");
        if (listFails) {
            return false;
        }
        ++listsObtained;
        list = &m_list;
        return true;
    }

    bool EnumInterface(void* list, std::uint32_t index) override {
        CheckList(list, "enum");
        log.push_back("enum " + std::to_string(index));
        m_selected = index;
        return index < interfaces.size();
    }

    bool QueryDetailSize(void* list, std::uint32_t& size) override {
        CheckList(list, "size");
        log.push_back("size " + std::to_string(m_selected));
        const auto& selected = Selected();
        if (selected.sizeQueryFails) {
            return false;
        }
        size = DetailSize(selected);
        return true;
    }

    bool ReadDetailPath(void* list, std::uint32_t size, std::wstring& path) override {
        CheckList(list, "detail");
        log.push_back("detail " + std::to_string(m_selected));
        const auto& selected = Selected();
        if (size != DetailSize(selected)) {
            misuse.push_back("detail read with a size the system did not give");
        }
        if (selected.detailFails) {
            return false;
        }
        path = selected.path;
        return true;
    }

    bool Open(const std::wstring& path, void*& device) override {
        for (std::size_t i = 0; i < interfaces.size(); ++i) {
            if (interfaces[i].path == path) {
                log.push_back("open " + std::to_string(i));
                if (interfaces[i].openFails) {
                    return false;
                }
                ++devicesOpened;
                device = &interfaces[i];
                return true;
            }
        }
        misuse.push_back("open of a path that was never listed");
        return false;
    }

    void RequestUpgrade(void* device) override {
        log.push_back("request " + IndexOf(device, "request"));
        if (requestThrows) {
            throw std::runtime_error("request failed");
        }
    }

    void Close(void* device) override {
        log.push_back("close " + IndexOf(device, "close"));
        ++devicesClosed;
    }

    void DestroyList(void* list) override {
        CheckList(list, "destroy");
        log.push_back("destroy");
        ++listsDestroyed;
    }

private:
    static std::uint32_t DetailSize(const FakeHidInterface& i) {
        return static_cast<std::uint32_t>(8 + 2 * (i.path.size() + 1));
    }

    const FakeHidInterface& Selected() const {
        static const FakeHidInterface none;
        return m_selected < interfaces.size() ? interfaces[m_selected] : none;
    }

    void CheckList(void* list, const char* call) {
        if (list != &m_list || listsDestroyed >= listsObtained) {
            misuse.push_back(std::string(call) + " with a list that is not alive");
        }
    }

    std::string IndexOf(void* device, const char* call) {
        for (std::size_t i = 0; i < interfaces.size(); ++i) {
            if (device == &interfaces[i]) {
                return std::to_string(i);
            }
        }
        misuse.push_back(std::string(call) + " of a device that was never opened");
        return "?";
    }

    int m_list = 0;
    std::size_t m_selected = 0;
};
