#include "config/ConfigFile.h"
#include "base/UniqueResource.h"
#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"
#include "config/ProfileValue.h"
#include "config/Utf8ConfigText.h"
#include <optional>
#include <windows.h>

std::wstring ModuleDirectory() {
    wchar_t path[kPathBufferChars] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(kPathBufferChars));
    return ExecutableDirectory(path);
}

namespace {

// config.ini holds a few lines; a file past this size is left to the system's reader alone.
constexpr LONGLONG kMaxDecodedFileBytes = 16 * 1024 * 1024;

// The file's bytes, shared as the system's reader shares them, so that a file open in an
// editor is read too; nothing when it cannot be read whole.
std::optional<std::string> FileBytes(const std::wstring& path) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxDecodedFileBytes) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

// The value as GetPrivateProfileStringW gives it: a file without a mark in the ANSI code page.
std::wstring SystemReaderValue(const std::wstring& configPath, UpgradeTarget target,
                               ConfigKey key) {
    wchar_t value[kPathBufferChars] = {};
    GetPrivateProfileStringW(SectionName(target), KeyName(key), L"", value,
                             static_cast<DWORD>(kPathBufferChars), configPath.c_str());
    return value;
}

} // namespace

std::wstring ReadConfiguredPath(const std::wstring& configPath, UpgradeTarget target,
                                ConfigKey key) {
    // The system's reader takes a file without a byte-order mark for ANSI, which garbles the
    // UTF-8 that Notepad saves, and on Windows it does not know the UTF-8 mark at all.
    const auto bytes = FileBytes(configPath);
    const auto text = bytes ? Utf8ConfigText(*bytes) : std::nullopt;
    if (!text) {
        return SystemReaderValue(configPath, target, key);
    }
    std::wstring value = ProfileValue(*text, SectionName(target), KeyName(key));
    if (bytes->starts_with(kUtf8ByteOrderMark)) {
        return value;
    }
    // Without a mark the bytes may be ANSI that is also UTF-8: the check that follows decides.
    return ChooseUnmarkedReading(value, SystemReaderValue(configPath, target, key),
                                 ConfiguredFileExists);
}

namespace {
bool Attributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    data = {};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}
} // namespace

bool PathExists(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data);
}

bool ConfiguredFileExists(const std::wstring& value) {
    // An empty value would name the executable's directory itself, which always exists.
    if (value.empty()) {
        return false;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(ResolveConfiguredPath(ModuleDirectory(), value), data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
