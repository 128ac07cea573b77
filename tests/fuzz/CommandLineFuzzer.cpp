// Command-line building with quoting. Fields: the package or image path, then the port name.
// No value may give a line in which cmd sees a second command, a pipe or a redirection, or
// expands a variable; every value that is accepted reaches the tool as exactly one argument,
// unchanged; a value is refused only for a double quote or a control character; a plain value
// goes in byte for byte.
#include "CmdLineModel.h"
#include "FuzzInput.h"
#include "runner/CommandLine.h"
#include <initializer_list>

namespace {

bool CannotBeQuoted(std::wstring_view value) {
    for (const wchar_t c : value) {
        if (c == L'"' || c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

bool IsPlain(std::wstring_view value) {
    return !value.empty() && !CannotBeQuoted(value) &&
           value.find_first_of(L" &|<>^(),;=%") == std::wstring_view::npos;
}

std::string DescribeArgs(const std::vector<std::wstring>& args) {
    std::string text;
    for (const auto& arg : args) {
        text += "[" + Printable(arg) + "]";
    }
    return text;
}

// The line as cmd and then the tool read it: nothing special outside quotes, quotes that
// balance, no line break, and exactly the expected arguments.
void CheckLine(const std::wstring& line, const std::vector<std::wstring>& expected) {
    const CmdReading cmd = ReadAsCmd(line);
    const std::string detail = "line: " + Printable(line);
    FUZZ_CHECK(!cmd.startsWithQuote, detail);
    FUZZ_CHECK(!cmd.variableExpanded, detail);
    FUZZ_CHECK(!cmd.lineBreak, detail);
    FUZZ_CHECK(!cmd.operatorOutsideQuotes, detail);
    FUZZ_CHECK(!cmd.specialOutsideQuotes, detail);
    FUZZ_CHECK(cmd.balancedQuotes, detail);
    const auto args = SplitArguments(cmd.passed);
    FUZZ_CHECK(args == expected,
               detail + "\nargs: " + DescribeArgs(args) + "\nexpected: " + DescribeArgs(expected));
}

void Require(bool condition, const char* what) {
    if (!condition) {
        PropertyBroken("the cmd model reads a known line wrongly", what);
    }
}

} // namespace

// A model that misreads the lines it exists to judge would let every input pass.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Require(ReadAsCmd(kCmdPrefix + L"nrfjprog a & calc").operatorOutsideQuotes, "a & calc");
    Require(ReadAsCmd(kCmdPrefix + L"nrfjprog \"a\" | \"b\"").operatorOutsideQuotes,
            "\"a\" | \"b\"");
    Require(ReadAsCmd(kCmdPrefix + L"nrfjprog a>b").operatorOutsideQuotes, "a>b");
    const CmdReading inQuotes = ReadAsCmd(kCmdPrefix + L"nrfjprog \"a & b<c>|d^e(f)\"");
    Require(!inQuotes.specialOutsideQuotes && inQuotes.balancedQuotes, "all quoted");
    const CmdReading escaped = ReadAsCmd(kCmdPrefix + L"nrfjprog a ^& b");
    Require(escaped.specialOutsideQuotes && !escaped.operatorOutsideQuotes &&
                escaped.passed == L"nrfjprog a & b",
            "a ^& b");
    Require(!ReadAsCmd(kCmdPrefix + L"nrfjprog \"a & b").balancedQuotes, "open quote");
    Require(ReadAsCmd(kCmdPrefix + L"nrfjprog a\nb").lineBreak, "line feed");
    Require(ReadAsCmd(kCmdPrefix + L"\"nrfjprog\" a").startsWithQuote, "leading quote");
    const CmdReading os = ReadAsCmd(kCmdPrefix + L"nrfutil fw\\100%OS%.zip");
    Require(os.variableExpanded && os.passed == L"nrfutil fw\\100Windows_NT.zip", "%OS%");
    const CmdReading kept = ReadAsCmd(kCmdPrefix + L"nrfutil 100%%cd:~,%OS%%cd:~,%.zip");
    Require(!kept.variableExpanded && kept.passed == L"nrfutil 100%OS%.zip", "escaped %OS%");
    Require(ReadAsCmd(kCmdPrefix + L"nrfutil \"a %CMDCMDLINE% & b\"").operatorOutsideQuotes,
            "%CMDCMDLINE% ends the quoting");
    Require(SplitArguments(L"x \"C:\\My Dir\\\\\" y") ==
                std::vector<std::wstring>{L"x", L"C:\\My Dir\\", L"y"},
            "doubled backslash before a closing quote");
    Require(SplitArguments(L"x \"C:\\My Dir\\\" y") ==
                std::vector<std::wstring>{L"x", L"C:\\My Dir\" y"},
            "escaped quote");
    Require(SplitArguments(L"x a\\\\b \"\" c") ==
                std::vector<std::wstring>{L"x", L"a\\\\b", L"", L"c"},
            "literal backslashes and an empty argument");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = DecodeFields(data, size);
    const std::wstring path = fields[0];
    const std::wstring port = FieldAt(fields, 1);

    for (const std::wstring& value : {path, port}) {
        const auto argument = CommandArgument(value);
        FUZZ_CHECK(argument.has_value() == !CannotBeQuoted(value), "value: " + Printable(value));
        if (IsPlain(value)) {
            FUZZ_CHECK(*argument == value, "plain value changed: " + Printable(value));
        }
        if (argument) {
            CheckLine(kCmdPrefix + L"tool " + *argument, {L"tool", value});
        }
    }

    const auto dfu = DfuUpgradeCommandLine(path, port);
    FUZZ_CHECK(dfu.has_value() == (!CannotBeQuoted(path) && !CannotBeQuoted(port)),
               "package: " + Printable(path) + "\nport: " + Printable(port));
    if (dfu) {
        CheckLine(*dfu, {L"nrfutil", L"dfu", L"serial", L"-pkg", path, L"-p", port});
    }
    const auto program = ProgramCommandLine(path);
    FUZZ_CHECK(program.has_value() == !CannotBeQuoted(path), "image: " + Printable(path));
    if (program) {
        CheckLine(*program, {L"nrfjprog", L"--family", L"NRF52", L"--program", path, L"--verify"});
    }
    CheckLine(EraseAllCommandLine(), {L"nrfjprog", L"--family", L"NRF52", L"--eraseall"});
    CheckLine(ResetCommandLine(), {L"nrfjprog", L"--family", L"NRF52", L"--reset"});
    return 0;
}
