#pragma once
#include <string>
#include <string_view>
#include <vector>

// A small model of how a command line "cmd /d /e:on /v:off /c REST" reaches the tool that cmd
// starts: first what cmd itself makes of REST, then how the tool's C runtime splits what cmd hands
// on into arguments. The switches settle what the registry could change (no AutoRun command,
// extensions on, delayed expansion off), so "!" is an ordinary character here.
//
// cmd: a double quote toggles quoting; outside quotes ^ takes the next character literally and
// & | < > are operators (a second command, a pipe or a redirection), while ( ) are special inside
// a block; CR, LF and NUL end or split the line wherever they stand. With /c, a REST that starts
// with a double quote loses that quote and the last one of the line.
//
// Before all that, cmd expands %NAME% and %NAME:modifier%, quotes or not. The environment that the
// program passes on may hold any name, so the model takes every name as set: only the empty name
// of "%%" is unset, and an unset name keeps its "%" while the scan goes on at the very next
// character. "%cd:~,%", a zero-length part of cd, is the one expansion that yields nothing.
// CMDCMDLINE holds the whole line that cmd was started with (it holds quotes).
// The start of every line the model reads.
inline const std::wstring kCmdPrefix = L"cmd /d /e:on /v:off /c ";

struct CmdReading {
    bool startsWithQuote = false;  // /c would strip quotes: the line is not read as written
    bool variableExpanded = false; // some %NAME% was replaced by a value
    bool lineBreak = false;
    bool operatorOutsideQuotes = false;
    bool specialOutsideQuotes = false; // any of & | < > ^ ( ) outside quotes, escaped or not
    bool balancedQuotes = true;
    std::wstring passed; // the command as cmd starts it, escapes removed
};

inline bool IsCmdOperator(wchar_t c) {
    return c == L'&' || c == L'|' || c == L'<' || c == L'>';
}

inline bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](wchar_t c) {
            return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

inline std::wstring ExpandVariables(std::wstring_view rest, std::wstring_view line,
                                    bool& expanded) {
    std::wstring out;
    std::size_t i = 0;
    while (i < rest.size()) {
        if (rest[i] != L'%') {
            out.push_back(rest[i++]);
            continue;
        }
        const std::size_t close = rest.find(L'%', i + 1);
        if (close == std::wstring_view::npos) {
            out.append(rest.substr(i));
            break;
        }
        const std::wstring_view name = rest.substr(i + 1, close - i - 1);
        if (name.empty()) {
            out.push_back(L'%');
            ++i;
            continue;
        }
        i = close + 1;
        if (EqualsIgnoringAsciiCase(name, L"cd:~,")) {
            continue;
        }
        expanded = true;
        if (EqualsIgnoringAsciiCase(name, L"CMDCMDLINE")) {
            out.append(line);
        } else if (EqualsIgnoringAsciiCase(name, L"OS")) {
            out.append(L"Windows_NT");
        } else {
            out.append(L"value of ").append(name);
        }
    }
    return out;
}

inline CmdReading ReadAsCmd(std::wstring_view line) {
    CmdReading reading;
    const std::wstring_view prefix = kCmdPrefix;
    if (line.substr(0, prefix.size()) != prefix) {
        reading.startsWithQuote = true; // not a line of the expected shape at all
        return reading;
    }
    reading.startsWithQuote = line.size() > prefix.size() && line[prefix.size()] == L'"';
    const std::wstring rest =
        ExpandVariables(line.substr(prefix.size()), line, reading.variableExpanded);
    bool quoted = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const wchar_t c = rest[i];
        if (c == L'\r' || c == L'\n' || c == L'\0') {
            reading.lineBreak = true;
        }
        if (c == L'"') {
            quoted = !quoted;
        } else if (!quoted && (IsCmdOperator(c) || c == L'^' || c == L'(' || c == L')')) {
            reading.specialOutsideQuotes = true;
            if (c == L'^') {
                // The escaped character goes on as it is; a final ^ would join the next line.
                if (++i == rest.size()) {
                    reading.lineBreak = true;
                    break;
                }
                reading.passed.push_back(rest[i]);
                continue;
            }
            reading.operatorOutsideQuotes = reading.operatorOutsideQuotes || IsCmdOperator(c);
        }
        reading.passed.push_back(c);
    }
    reading.balancedQuotes = !quoted;
    return reading;
}

// The Microsoft C runtime's split of a command line into arguments, the program name first:
// blanks and tabs separate outside quotes; 2n backslashes before a quote give n and the quote
// toggles quoting, 2n+1 give n and a literal quote; a doubled quote inside quotes is one quote;
// other backslashes are literal. The program name ends at the first blank outside quotes.
inline std::vector<std::wstring> SplitArguments(std::wstring_view line) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) { return line[at] == L' ' || line[at] == L'\t'; };
    {
        std::wstring program;
        bool quoted = false;
        for (; i < line.size() && (quoted || !blank(i)); ++i) {
            if (line[i] == L'"') {
                quoted = !quoted;
            } else {
                program.push_back(line[i]);
            }
        }
        args.push_back(program);
    }
    for (;;) {
        while (i < line.size() && blank(i)) {
            ++i;
        }
        if (i == line.size()) {
            return args;
        }
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank(i))) {
            if (line[i] == L'\\') {
                std::size_t count = 0;
                while (i < line.size() && line[i] == L'\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == L'"') {
                    arg.append(count / 2, L'\\');
                    if (count % 2 == 1) {
                        arg.push_back(L'"');
                        ++i;
                    }
                } else {
                    arg.append(count, L'\\');
                }
                continue;
            }
            if (line[i] == L'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    arg.push_back(L'"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
                continue;
            }
            arg.push_back(line[i++]);
        }
        args.push_back(arg);
    }
}
