#include "ScopedVariable.h"
#include <vector>
#include <windows.h>

ScopedVariable::ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
    std::vector<wchar_t> old(32768);
    const DWORD length = GetEnvironmentVariableW(name, old.data(), 32768);
    m_had = length > 0 && length < 32768;
    if (m_had) {
        m_old.assign(old.data(), length);
    }
    SetEnvironmentVariableW(name, value.c_str());
}

ScopedVariable::~ScopedVariable() {
    SetEnvironmentVariableW(m_name.c_str(), m_had ? m_old.c_str() : nullptr);
}
