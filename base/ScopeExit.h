#pragma once
#include <utility>

// Runs a release step when the scope ends, on every path out of it, exceptions included.
template <typename Release> class ScopeExit {
public:
    explicit ScopeExit(Release release) : m_release(std::move(release)) {}
    ~ScopeExit() { m_release(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Release m_release;
};
