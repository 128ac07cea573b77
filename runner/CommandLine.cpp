#include "runner/CommandLine.h"

namespace {

bool IsControl(wchar_t c) {
    return c < 0x20 || c == 0x7F;
}

bool NeedsQuotes(wchar_t c) {
    return std::wstring_view(L" &|<>^(),;=").find(c) != std::wstring_view::npos;
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
    if (!quote) {
        return std::wstring(value);
    }
    // Backslashes right before the closing quote are doubled; otherwise the tool's argument
    // parser would read the last one as an escaped quote and run into the next argument.
    const auto trailing = value.size() - (value.find_last_not_of(L'\\') + 1);
    return L"\"" + std::wstring(value) + std::wstring(trailing, L'\\') + L"\"";
}

std::optional<std::wstring> DfuUpgradeCommandLine(std::wstring_view packagePath,
                                                  std::wstring_view portName) {
    const auto package = CommandArgument(packagePath);
    const auto port = CommandArgument(portName);
    if (!package || !port) {
        return std::nullopt;
    }
    return L"cmd /c nrfutil dfu serial -pkg " + *package + L" -p " + *port;
}

std::wstring EraseAllCommandLine() {
    return L"cmd /c nrfjprog --family NRF52 --eraseall";
}

std::optional<std::wstring> ProgramCommandLine(std::wstring_view hexPath) {
    const auto hex = CommandArgument(hexPath);
    if (!hex) {
        return std::nullopt;
    }
    return L"cmd /c nrfjprog --family NRF52 --program " + *hex;
}

std::wstring ResetCommandLine() {
    return L"cmd /c nrfjprog --family NRF52 --reset";
}
