#pragma once
#include <string>
#include <string_view>

// One value out of INI text, as the system's profile reader (GetPrivateProfileStringW) gives it
// into a buffer of kPathBufferChars characters: "" for a missing section or key. Lines end at CR
// or LF. Only the first section of the name counts, and in it the first line of the key, "" when
// that line has no "=". Names match without regard to the case of a to z. Blanks (space, tab,
// VT, FF and Ctrl-Z) around names and values are dropped; a comment line's name starts with ";"
// and so names nothing. The system's strings end at a NUL. A value in one pair of matching quotes
// loses them, and the value is cut to 259 characters.
std::wstring ProfileValue(std::wstring_view text, std::wstring_view section, std::wstring_view key);
