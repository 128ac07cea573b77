#include "runner/CommandLine.h"

namespace {

// cmd reads the registry for a command to run first (AutoRun), for delayed expansion, which makes
// "!NAME!" expand, and for whether its extensions, which "%cd:~,%" needs, are on. The switches
// settle all three for every tool, whatever the registry of the PC says.
constexpr std::wstring_view kCmd = L"cmd /d /e:on /v:off /c ";

bool IsControl(wchar_t c) {
    return c < 0x20 || c == 0x7F;
}

bool NeedsQuotes(wchar_t c) {
    return std::wstring_view(L" &|<>^(),;=").find(c) != std::wstring_view::npos;
}

// cmd expands %NAME% before it looks at quotes, so no quoting protects a "%". Written as
// "%%cd:~,%", it stays: cmd keeps the first "%" (no variable has the empty name) and expands the
// rest, a zero-length part of the always-defined variable cd, to nothing.
std::wstring EscapePercent(std::wstring_view text) {
    constexpr std::wstring_view kLiteralPercent = L"%%cd:~,%";
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'%') {
            escaped += kLiteralPercent;
        } else {
            escaped.push_back(c);
        }
    }
    return escaped;
}

} // namespace

std::optional<std::wstring> CommandArgument(std::wstring_view value) {
    bool quote = value.empty();
    for (const wchar_t c : value) {
        if (c == L'"' || IsControl(c)) {
            return std::nullopt;
        }
        quote = quote || NeedsQuotes(c);
    }
    // Quoting follows the value itself: the escape is gone by the time cmd reads quotes.
    if (!quote) {
        return EscapePercent(value);
    }
    // Backslashes right before the closing quote are doubled; otherwise the tool's argument
    // parser would read the last one as an escaped quote and run into the next argument.
    const auto trailing = value.size() - (value.find_last_not_of(L'\\') + 1);
    return L"\"" + EscapePercent(value) + std::wstring(trailing, L'\\') + L"\"";
}

std::optional<std::wstring> DfuUpgradeCommandLine(std::wstring_view packagePath,
                                                  std::wstring_view portName) {
    const auto package = CommandArgument(packagePath);
    const auto port = CommandArgument(portName);
    if (!package || !port) {
        return std::nullopt;
    }
    return std::wstring(kCmd) + L"nrfutil dfu serial -pkg " + *package + L" -p " + *port;
}

std::wstring EraseAllCommandLine() {
    return std::wstring(kCmd) + L"nrfjprog --family NRF52 --eraseall";
}

std::optional<std::wstring> ProgramCommandLine(std::wstring_view hexPath) {
    const auto hex = CommandArgument(hexPath);
    if (!hex) {
        return std::nullopt;
    }
    // Without --verify nrfjprog only warns that nothing was read back, and a write that failed
    // can still end with status 0; with it, a mismatch ends with "ERROR: ..." and a failing status.
    return std::wstring(kCmd) + L"nrfjprog --family NRF52 --program " + *hex + L" --verify";
}

std::wstring ResetCommandLine() {
    return std::wstring(kCmd) + L"nrfjprog --family NRF52 --reset";
}
