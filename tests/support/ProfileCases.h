#pragma once
// Tricky config.ini texts, each with the value of Remote's zip that the system's profile reader
// reads from it saved as UTF-16 (win32 tests check both readers against them, unit tests ours).
#include <string>
#include <utility>
#include <vector>

inline std::vector<std::pair<std::wstring, std::wstring>> ProfileCases() {
    using namespace std::string_literals;
    const std::wstring v(300, L'v');
    return {
        {L"[rEMOTE]\r\n ZIP \t= 固件\\遥控器.zip \x1A\r\nhex=h\r\n", L"固件\\遥控器.zip"},
        {L"[ Remote ] ; 注释\n;zip=c.zip\nzip = \"a b\" \n", L"a b"},
        {L"zip=x\r\n[Remote]x]\r\nzip=y\r\n[Remote]\rzip=\"a'\r", L"\"a'"},
        {L"[Remote]\r\nhex=h\r\n[remote]\r\nzip=second\r\n", L""},
        {L"[Remote]\r\nzip\r\nzip=a\r\n", L""},
        {L"[Remote]\r\nzip=first\r\nZIP=second\r\n", L"first"},
        {L"[Remote]\r\nzip=\u3000a\u00A0\r\n", L"\u3000a\u00A0"},
        {L"[Remote]\r\nzip=" + v + L"\r\n", v.substr(0, 259)},
        {L"[Remote]\r\nzip='" + v.substr(0, 259) + L"'\r\n", v.substr(0, 258)},
        {L"[Remote\0x]\nzip=a\0b\n"s, L"a"},
    };
}
