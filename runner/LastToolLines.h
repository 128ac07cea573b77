#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

// The last lines of a tool's output that are not blank: what the tool said last, usually why it
// failed. A line ends at "\n" or "\r"; each loses the blanks at both its ends, and one longer than
// kLineChars keeps its first kLineChars followed by "...". Memory stays bounded whatever the tool
// writes.
class LastToolLines {
public:
    static constexpr std::size_t kKept = 3;
    static constexpr std::size_t kLineChars = 200;

    void Add(std::wstring_view text);
    // Ends the line being put together, as a line end would: at the output's end, so that the
    // text after the last line end counts, and where a NUL cut a read.
    void EndLine();
    // Oldest first.
    const std::deque<std::wstring>& Lines() const { return m_lines; }

private:
    std::deque<std::wstring> m_lines;
    // The line being assembled, from its first character that is not blank, at most kLineChars.
    std::wstring m_current;
    // A character that is not blank came after those: the line is longer than kLineChars.
    bool m_cut = false;
};
