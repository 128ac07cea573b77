#pragma once
#include <string>
#include <vector>
#include <windows.h>

// The resources of an executable, mapped as data: none of its code runs.
class ExecutableResources {
public:
    struct Entry {
        std::wstring type; // "#<number>" for a numbered type or name
        std::wstring name;
        LANGID language = 0;
    };

    explicit ExecutableResources(const std::wstring& path)
        : m_module(LoadLibraryExW(path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ExecutableResources() {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
    }
    ExecutableResources(const ExecutableResources&) = delete;
    ExecutableResources& operator=(const ExecutableResources&) = delete;

    bool Loaded() const { return m_module != nullptr; }
    HMODULE Module() const { return m_module; }

    // The bytes of one resource (in whichever language it has); empty when it is missing.
    std::string Bytes(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = FindResourceW(m_module, name, type);
        HGLOBAL loaded = found ? LoadResource(m_module, found) : nullptr;
        const auto* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        return data ? std::string(data, SizeofResource(m_module, found)) : std::string();
    }

    // Every resource of the executable, type by type, name by name, language by language.
    std::vector<Entry> All() const {
        std::vector<Entry> entries;
        EnumResourceTypesW(m_module, &CollectType, reinterpret_cast<LONG_PTR>(&entries));
        return entries;
    }

    static std::wstring IdText(LPCWSTR id) {
        return IS_INTRESOURCE(id) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id))
                                  : std::wstring(id);
    }

private:
    static BOOL CALLBACK CollectType(HMODULE module, LPWSTR type, LONG_PTR param) {
        EnumResourceNamesW(module, type, &CollectName, param);
        return TRUE;
    }
    static BOOL CALLBACK CollectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
        EnumResourceLanguagesW(module, type, name, &CollectLanguage, param);
        return TRUE;
    }
    static BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language,
                                         LONG_PTR param) {
        reinterpret_cast<std::vector<Entry>*>(param)->push_back(
            {IdText(type), IdText(name), language});
        return TRUE;
    }

    HMODULE m_module;
};
