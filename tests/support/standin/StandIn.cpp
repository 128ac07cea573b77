// Stand-in for the outside tools nrfutil and nrfjprog. The same program is built under both
// names; it takes its name from its own file name. What it does comes from a scenario file, so
// that a test or the bench can script exact output, exit statuses and hangs.
//
// Environment
//   PELVARO_STANDIN_SCENARIO  path of the scenario file (UTF-8 or plain ASCII)
//   PELVARO_STANDIN_RECORD    optional: path of a file to which every start appends one record
//
// Scenario file
//   Lines are steps or section headers; blank lines and lines starting with '#' are ignored.
//   [TOOL WORD]   a section for TOOL (nrfutil, nrfjprog; letter case ignored) started with WORD
//                 as one of its arguments (exact match), e.g. [nrfjprog --eraseall].
//   [TOOL]        a section for TOOL with any arguments.
//   The first section with a matching WORD is run; when there is none, the first [TOOL] section.
//   When no section fits (or the scenario is missing) the stand-in says so on standard error and
//   exits with status 99; a malformed scenario gives status 98.
//
// Steps of a section, run in order:
//   out BYTES        one write of BYTES to standard output (written at once, never buffered)
//   err BYTES        one write of BYTES to standard error
//   pause MS         sleeps MS milliseconds
//   await NAME [MS]  waits until the file NAME exists (a relative NAME is taken in the scenario
//                    file's folder); gives up after MS milliseconds (default 60000), writes a
//                    line to standard error and exits with status 124
//   exit STATUS      ends at once with STATUS (decimal, 0 to 4294967295)
//   hang             never ends by itself
//   stamp            one write to standard output of "stamp ", the performance counter's value
//                    taken just before the write (decimal) and "\r\n": the bench times a write's
//                    way into the program's log with it
//   The end of a section ends the program with status 0. A write that fails (nobody reads any
//   more) is ignored and the steps go on.
//
// BYTES: one or more pieces separated by blanks, written together as one write. A piece is a
// double-quoted string, optionally followed by *COUNT to repeat it COUNT times, e.g.
//   out "A"*4096 "\r\n"
// Escapes inside the quotes: \r \n \t \0 \\ \" and \xNN (exactly two hex digits). Other bytes of
// the file stand for themselves, so UTF-8 text stays UTF-8; use \xNN for other code pages.
//
// Record (one line per start, UTF-8, fields separated by a tab, ended by "\n"):
//   tool=NAME  pid=N  ticks=T  cwd=CURRENT-DIRECTORY  line=RAW-COMMAND-LINE  arg=A1  arg=A2 ...
// T is the performance counter's value when the program's main function began.
// The arguments are those the C runtime parsed from the command line, without the program name.
// Control characters and '%' in a field are written as %XX (hex of the UTF-8 byte).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

std::wstring Environment(const wchar_t* name) {
    wchar_t value[32768] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

void Write(DWORD which, const std::string& bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
}

[[noreturn]] void Quit(UINT status, const std::string& message) {
    if (!message.empty()) {
        Write(STD_ERROR_HANDLE, "stand-in: " + message + "\r\n");
    }
    ExitProcess(status);
}

std::string ReadWholeFile(const std::wstring& path, bool& ok) {
    ok = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof(block), &got, nullptr) && got > 0) {
        bytes.append(block, got);
    }
    CloseHandle(file);
    ok = true;
    return bytes;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string Field(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            const char* hex = "0123456789ABCDEF";
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

long long Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void AppendRecord(const std::wstring& path, const std::string& tool, long long ticks, int argc,
                  wchar_t** argv) {
    wchar_t cwd[MAX_PATH * 4] = {};
    GetCurrentDirectoryW(MAX_PATH * 4, cwd);
    std::string record = "tool=" + Field(tool) + "\tpid=" + std::to_string(GetCurrentProcessId()) +
                         "\tticks=" + std::to_string(ticks) + "\tcwd=" + Field(Utf8(cwd)) +
                         "\tline=" + Field(Utf8(GetCommandLineW()));
    for (int i = 1; i < argc; ++i) {
        record += "\targ=" + Field(Utf8(argv[i]));
    }
    record += "\n";
    // Stand-ins of parallel runs append to the same file: retry while another one holds it.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
    Quit(97, "cannot write the record file");
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The bytes of the pieces after a step's keyword; nothing when the text is malformed.
std::optional<std::string> ParseBytes(const std::string& text) {
    std::string bytes;
    size_t at = 0;
    bool any = false;
    while (true) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
            ++at;
        }
        if (at == text.size()) {
            break;
        }
        if (text[at] != '"') {
            return std::nullopt;
        }
        std::string piece;
        ++at;
        while (at < text.size() && text[at] != '"') {
            char c = text[at++];
            if (c == '\\') {
                if (at == text.size()) {
                    return std::nullopt;
                }
                const char e = text[at++];
                switch (e) {
                case 'r':
                    c = '\r';
                    break;
                case 'n':
                    c = '\n';
                    break;
                case 't':
                    c = '\t';
                    break;
                case '0':
                    c = '\0';
                    break;
                case '\\':
                    c = '\\';
                    break;
                case '"':
                    c = '"';
                    break;
                case 'x': {
                    if (at + 2 > text.size() || HexDigit(text[at]) < 0 ||
                        HexDigit(text[at + 1]) < 0) {
                        return std::nullopt;
                    }
                    c = static_cast<char>(HexDigit(text[at]) * 16 + HexDigit(text[at + 1]));
                    at += 2;
                    break;
                }
                default:
                    return std::nullopt;
                }
            }
            piece += c;
        }
        if (at == text.size()) {
            return std::nullopt;
        }
        ++at;
        unsigned long long count = 1;
        if (at < text.size() && text[at] == '*') {
            ++at;
            const size_t start = at;
            count = 0;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9' && count < 100000000) {
                count = count * 10 + static_cast<unsigned>(text[at++] - '0');
            }
            if (at == start) {
                return std::nullopt;
            }
        }
        for (unsigned long long i = 0; i < count; ++i) {
            bytes += piece;
        }
        any = true;
    }
    if (!any) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<unsigned long long> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    unsigned long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The step lines of the section that fits this start.
std::vector<std::string> SelectSection(const std::vector<std::string>& lines,
                                       const std::string& tool,
                                       const std::vector<std::string>& args) {
    std::optional<size_t> withWord;
    std::optional<size_t> withoutWord;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = Trim(lines[i]);
        if (line.empty() || line.front() != '[') {
            continue;
        }
        if (line.back() != ']') {
            Quit(98, "malformed section header: " + line);
        }
        const std::string inner = Trim(line.substr(1, line.size() - 2));
        const size_t blank = inner.find_first_of(" \t");
        const std::string name = Lower(inner.substr(0, blank));
        const std::string word = blank == std::string::npos ? "" : Trim(inner.substr(blank));
        if (name != tool) {
            continue;
        }
        if (word.empty()) {
            if (!withoutWord) {
                withoutWord = i;
            }
        } else if (!withWord) {
            for (const auto& arg : args) {
                if (arg == word) {
                    withWord = i;
                    break;
                }
            }
        }
    }
    const auto header = withWord ? withWord : withoutWord;
    if (!header) {
        std::string call = tool;
        for (const auto& arg : args) {
            call += " " + arg;
        }
        Quit(99, "no scenario section for: " + call);
    }
    std::vector<std::string> steps;
    for (size_t i = *header + 1; i < lines.size(); ++i) {
        const std::string line = Trim(lines[i]);
        if (!line.empty() && line.front() == '[') {
            break;
        }
        if (!line.empty() && line.front() != '#') {
            steps.push_back(line);
        }
    }
    return steps;
}

std::wstring ScenarioFolder(const std::wstring& scenarioPath) {
    const size_t slash = scenarioPath.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : scenarioPath.substr(0, slash + 1);
}

bool IsRelative(const std::wstring& path) {
    return !(path.size() >= 2 && path[1] == L':') &&
           !(!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

void Await(const std::wstring& path, unsigned long long limitMs) {
    const ULONGLONG start = GetTickCount64();
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() - start >= limitMs) {
            Quit(124, "gave up waiting for " + Utf8(path));
        }
        Sleep(10);
    }
}

void RunStep(const std::string& step, const std::wstring& folder) {
    const size_t blank = step.find_first_of(" \t");
    const std::string keyword = step.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : Trim(step.substr(blank));
    if (keyword == "out" || keyword == "err") {
        const auto bytes = ParseBytes(rest);
        if (!bytes) {
            Quit(98, "malformed bytes: " + step);
        }
        Write(keyword == "out" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, *bytes);
    } else if (keyword == "pause") {
        const auto ms = ParseNumber(rest);
        if (!ms) {
            Quit(98, "malformed pause: " + step);
        }
        Sleep(static_cast<DWORD>(*ms));
    } else if (keyword == "await") {
        const size_t space = rest.find_first_of(" \t");
        std::wstring name = Wide(rest.substr(0, space));
        const auto limit = space == std::string::npos ? std::optional<unsigned long long>(60000)
                                                      : ParseNumber(Trim(rest.substr(space)));
        if (name.empty() || !limit) {
            Quit(98, "malformed await: " + step);
        }
        Await(IsRelative(name) ? folder + name : name, *limit);
    } else if (keyword == "exit") {
        const auto status = ParseNumber(rest);
        if (!status || *status > 0xFFFFFFFFull) {
            Quit(98, "malformed exit: " + step);
        }
        ExitProcess(static_cast<UINT>(*status));
    } else if (keyword == "hang") {
        Sleep(INFINITE);
    } else if (keyword == "stamp" && rest.empty()) {
        const long long ticks = Ticks();
        Write(STD_OUTPUT_HANDLE, "stamp " + std::to_string(ticks) + "\r\n");
    } else {
        Quit(98, "unknown step: " + step);
    }
}

std::string ToolName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.rfind(L'.'));
    return Lower(Utf8(name));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const long long started = Ticks();
    const std::string tool = ToolName();
    const std::wstring recordPath = Environment(L"PELVARO_STANDIN_RECORD");
    if (!recordPath.empty()) {
        AppendRecord(recordPath, tool, started, argc, argv);
    }
    const std::wstring scenarioPath = Environment(L"PELVARO_STANDIN_SCENARIO");
    bool ok = false;
    const std::string scenario = scenarioPath.empty() ? "" : ReadWholeFile(scenarioPath, ok);
    if (!ok) {
        Quit(99, "no scenario file (PELVARO_STANDIN_SCENARIO)");
    }
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    const auto steps = SelectSection(Lines(scenario), tool, args);
    const std::wstring folder = ScenarioFolder(scenarioPath);
    for (const auto& step : steps) {
        RunStep(step, folder);
    }
    return 0;
}
