#pragma once
#include <string>

// The folder of the running test program, where the build puts every program (with a backslash).
std::wstring ProgramFolder();
// The folder of the Pelvaro.exe under test and of the DLLs loaded into it: PELVARO_TEST_PRODUCT
// (a Windows path) when set, so that the x64 tests drive the i686 build; else ProgramFolder().
std::wstring ProductFolder();
// A wait of the tests times PELVARO_TEST_TIME_SCALE (a whole number, default 1): under emulation
// every step of the program takes many times longer.
unsigned long Scaled(unsigned long milliseconds);

// A fresh, empty folder below the system's temporary folder, removed with all it holds when the
// object goes away.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder's path, ending in a backslash.
    const std::wstring& Path() const { return m_path; }
    // Writes bytes to a file below the folder (creating subfolders), returns its full path.
    std::wstring WriteFile(const std::wstring& relativePath, const std::string& bytes) const;
    // Copies a file into the folder under the given name, returns its full path.
    std::wstring CopyIn(const std::wstring& source, const std::wstring& name) const;
    std::wstring MakeFolder(const std::wstring& relativePath) const;

private:
    std::wstring m_path;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);

// UTF-8 of a wide text, for files and messages.
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
