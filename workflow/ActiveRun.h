// The rule of the run's life: one run at a time, each with a number of its own, and only the
// active run's requests carried out.
#pragma once
#include <cstdint>

// A run begins only when none is active and ends once. Its worker sends the run's number with
// every request, so requests of an earlier run or of a stranger that guessed a message are told
// apart from the active run's.
class ActiveRun {
public:
    // Begins the next run; false, changing nothing, while one is active.
    bool Begin() {
        if (m_active) {
            return false;
        }
        m_active = true;
        ++m_number;
        return true;
    }
    // Ends the active run; false when none was active.
    bool End() {
        const bool wasActive = m_active;
        m_active = false;
        return wasActive;
    }
    bool Active() const { return m_active; }
    // The number of the latest run; 0 before the first.
    std::uintptr_t Number() const { return m_number; }
    // True for the active run's number only.
    bool Accepts(std::uintptr_t run) const { return m_active && run == m_number; }

private:
    bool m_active = false;
    std::uintptr_t m_number = 0;
};
