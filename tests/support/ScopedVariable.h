#pragma once
#include <string>

// Sets an environment variable for the programs started from now on; the old value (or its
// absence) comes back at the end.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring m_name;
    std::wstring m_old;
    bool m_had = false;
};
