// The large result label: emptied on screen at a press, given the flag and then the text of a
// run's end, and painted in the flag's colour.
#pragma once
#include <windows.h>

class ResultLabel {
public:
    // The flag is the dialog's own; it outlives the label.
    explicit ResultLabel(bool& resultOk) : m_resultOk(resultOk) {}
    ResultLabel(const ResultLabel&) = delete;
    ResultLabel& operator=(const ResultLabel&) = delete;

    void Attach(HWND dialog, HWND label);
    // Empties the label and has the dialog repaint, with erasing, the rectangle it covers.
    void Clear();
    // The flag first, then the text: the label paints in the colour of its new text.
    void SetFlag(bool ok) { m_resultOk = ok; }
    void SetText(const wchar_t* text) { SetWindowTextW(m_label, text); }
    // The label's text colour and transparent background; nullptr for every other control.
    HBRUSH Colour(HDC dc, HWND control) const;

private:
    bool& m_resultOk;
    HWND m_dialog = nullptr;
    HWND m_label = nullptr;
};
