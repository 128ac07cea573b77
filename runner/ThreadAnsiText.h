#pragma once
#include <string>
#include <string_view>

// Bytes in the calling thread's ANSI code page as UTF-16. Bytes the code page does not know do
// not fail the conversion; a failed conversion gives the empty text.
std::wstring ThreadAnsiText(std::string_view bytes);
