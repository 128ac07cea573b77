#include "TestFolder.h"
#include <atomic>
#include <stdexcept>
#include <windows.h>

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path);
    return full.substr(0, full.rfind(L'\\') + 1);
}

std::wstring ProductFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"PELVARO_TEST_PRODUCT", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return ProgramFolder();
    }
    std::wstring folder(path, length);
    return folder.back() == L'\\' ? folder : folder + L'\\';
}

unsigned long Scaled(unsigned long milliseconds) {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"PELVARO_TEST_TIME_SCALE", text, 16);
    const unsigned long scale = length > 0 && length < 16 ? wcstoul(text, nullptr, 10) : 1;
    return milliseconds * (scale > 0 ? scale : 1);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

namespace {
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring full = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}
} // namespace

TestFolder::TestFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"pelvaro-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++) + L"\\";
    RemoveTree(m_path);
    if (!CreateDirectoryW(m_path.c_str(), nullptr)) {
        throw std::runtime_error("cannot create a test folder");
    }
}

TestFolder::~TestFolder() {
    RemoveTree(m_path);
}

std::wstring TestFolder::MakeFolder(const std::wstring& relativePath) const {
    std::wstring full = m_path;
    size_t start = 0;
    while (start < relativePath.size()) {
        size_t end = relativePath.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = relativePath.size();
        }
        full += relativePath.substr(start, end - start) + L"\\";
        CreateDirectoryW(full.c_str(), nullptr);
        start = end + 1;
    }
    return full;
}

std::wstring TestFolder::WriteFile(const std::wstring& relativePath,
                                   const std::string& bytes) const {
    const auto slash = relativePath.rfind(L'\\');
    if (slash != std::wstring::npos) {
        MakeFolder(relativePath.substr(0, slash));
    }
    const std::wstring full = m_path + relativePath;
    HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot write a test file");
    }
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return full;
}

std::wstring TestFolder::CopyIn(const std::wstring& source, const std::wstring& name) const {
    const std::wstring target = m_path + name;
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy into a test folder");
    }
    return target;
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}
