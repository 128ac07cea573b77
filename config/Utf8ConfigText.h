#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// config.ini's text when the program reads the file itself as UTF-8: after a UTF-8 byte-order
// mark (ill-formed parts become U+FFFD), or without a mark when the bytes are well-formed UTF-8
// with at least one non-ASCII character. Nothing for every other file (a UTF-16 mark, ASCII
// alone, bytes that are not UTF-8): the system's profile reader reads those as it always did.
// Characters past U+FFFF become surrogate pairs where wchar_t has 16 bits.
std::optional<std::wstring> Utf8ConfigText(std::string_view bytes);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A value out of a file without a mark that Utf8ConfigText decodes may as well be ANSI: GBK's 平台
// (C6 BD CC A8) is well-formed UTF-8 too (U+01BD U+0328). Of the UTF-8 reading and the system
// reader's ANSI one, the reading that names an existing file; the UTF-8 one when both or neither
// do. The same reading both ways is not looked up.
std::wstring ChooseUnmarkedReading(const std::wstring& utf8, const std::wstring& ansi,
                                   const std::function<bool(const std::wstring&)>& namesFile);
