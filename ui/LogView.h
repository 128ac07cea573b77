// The log box of the main dialog as a view of the dialog's log text: its subclass, its text limit
// and its refresh.
#pragma once
#include <string>
#include <windows.h>

class LogView {
public:
    // A view of the text that the dialog keeps; the text outlives the view.
    explicit LogView(const std::wstring& logText) : m_logText(logText) {}
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    // Takes over the dialog's log box: Enter there closes the dialog, and the text limit is lifted.
    void Attach(HWND box);
    HWND Box() const { return m_editLog; }
    // Puts the part of the log that the box does not hold yet at its end, scrolls the end into
    // view and leaves the box to be repainted.
    void Refresh();

private:
    const std::wstring& m_logText;
    HWND m_editLog = nullptr;
};
