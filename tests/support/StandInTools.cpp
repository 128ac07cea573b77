#include "StandInTools.h"
#include <windows.h>

std::wstring StandInFolder() {
    return ProgramFolder() + L"standin\\";
}

std::string ScenarioBytes(std::string_view bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string piece = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            piece += '\\';
            piece += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            piece += "\\x";
            piece += hex[byte >> 4];
            piece += hex[byte & 15];
        } else {
            piece += c;
        }
    }
    return piece + "\"";
}

namespace {

std::optional<std::wstring> Variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

StandInRecord ParseRecord(const std::string& line) {
    StandInRecord record;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find('\t', start);
        if (end == std::string::npos) {
            end = line.size();
        }
        const std::string field = line.substr(start, end - start);
        const size_t equals = field.find('=');
        const std::string key = field.substr(0, equals);
        const std::wstring value =
            equals == std::string::npos ? L"" : Wide(Unescape(field.substr(equals + 1)));
        if (key == "tool") {
            record.tool = value;
        } else if (key == "pid") {
            record.pid = std::stoul(value);
        } else if (key == "ticks") {
            record.ticks = std::stoll(value);
        } else if (key == "cwd") {
            record.currentDirectory = value;
        } else if (key == "line") {
            record.commandLine = value;
        } else if (key == "arg") {
            record.args.push_back(value);
        }
        start = end + 1;
    }
    return record;
}

} // namespace

StandInSession::StandInSession(const std::string& scenario) {
    GetSystemTimeAsFileTime(&m_start);
    m_scenarioPath = m_folder.WriteFile(L"scenario.txt", scenario);
    const std::wstring recordPath = m_folder.Path() + L"records.txt";
    for (const wchar_t* name : {L"PELVARO_STANDIN_SCENARIO", L"PELVARO_STANDIN_RECORD", L"PATH"}) {
        m_saved.push_back({name, Variable(name)});
    }
    SetEnvironmentVariableW(L"PELVARO_STANDIN_SCENARIO", m_scenarioPath.c_str());
    SetEnvironmentVariableW(L"PELVARO_STANDIN_RECORD", recordPath.c_str());
    const auto path = m_saved.back().value;
    const std::wstring tools = StandInFolder();
    SetEnvironmentVariableW(
        L"PATH",
        (tools.substr(0, tools.size() - 1) + (path ? L";" + *path : std::wstring())).c_str());
}

StandInSession::~StandInSession() {
    if (!WaitForRecordedTools(10000)) {
        EndRecordedTools();
    }
    for (const auto& saved : m_saved) {
        SetEnvironmentVariableW(saved.name, saved.value ? saved.value->c_str() : nullptr);
    }
}

void StandInSession::SetScenario(const std::string& scenario) const {
    m_folder.WriteFile(L"scenario.txt", scenario);
}

void StandInSession::Signal(const std::wstring& name) const {
    m_folder.WriteFile(name, "");
}

std::vector<StandInRecord> StandInSession::Records() const {
    std::vector<StandInRecord> records;
    const std::string bytes = ReadFileBytes(m_folder.Path() + L"records.txt");
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        if (end > start) {
            records.push_back(ParseRecord(bytes.substr(start, end - start)));
        }
        start = end + 1;
    }
    return records;
}

namespace {

// The recorded stand-ins that still run. A recorded id may since have been given to another
// process, so only a stand-in started after the session began counts.
std::vector<HANDLE> OpenRunningTools(const std::vector<StandInRecord>& records,
                                     const FILETIME& sessionStart) {
    std::vector<HANDLE> running;
    for (const auto& record : records) {
        HANDLE process = OpenProcess(
            SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, record.pid);
        if (process == nullptr) {
            continue;
        }
        FILETIME created{}, exited{}, kernel{}, user{};
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        const bool ours = GetProcessTimes(process, &created, &exited, &kernel, &user) &&
                          CompareFileTime(&created, &sessionStart) >= 0 &&
                          QueryFullProcessImageNameW(process, 0, image, &size) &&
                          std::wstring(image).find(L"\\standin\\") != std::wstring::npos &&
                          WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        if (ours) {
            running.push_back(process);
        } else {
            CloseHandle(process);
        }
    }
    return running;
}

} // namespace

void StandInSession::EndRecordedTools() const {
    for (HANDLE process : OpenRunningTools(Records(), m_start)) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

bool StandInSession::WaitForRecordedTools(unsigned long limitMs) const {
    const ULONGLONG end = GetTickCount64() + Scaled(limitMs);
    bool allEnded = true;
    for (HANDLE process : OpenRunningTools(Records(), m_start)) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        allEnded = WaitForSingleObject(process, left) == WAIT_OBJECT_0 && allEnded;
        CloseHandle(process);
    }
    return allEnded;
}
