#pragma once
#include <optional>
#include <string>
#include <string_view>

// config.ini's text when the program reads the file itself as UTF-8: after a UTF-8 byte-order
// mark (ill-formed parts become U+FFFD), or without a mark when the bytes are well-formed UTF-8
// with at least one non-ASCII character. Nothing for every other file (a UTF-16 mark, ASCII
// alone, bytes that are not UTF-8): the system's profile reader reads those as it always did.
// Characters past U+FFFF become surrogate pairs where wchar_t has 16 bits.
std::optional<std::wstring> Utf8ConfigText(std::string_view bytes);
