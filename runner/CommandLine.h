#pragma once
#include <optional>
#include <string>
#include <string_view>

// How one value goes into a tool's command line after "cmd ... /c": as it stands when cmd and the
// tool take it as one plain argument; in double quotes when it holds a blank or a character that
// cmd treats specially (& | < > ^ ( ) , ; =) or is empty; nothing at all when no quoting can keep
// it whole (a double quote or a control character such as CR, LF or NUL). Every "%" is written
// "%%cd:~,%", which cmd turns back into one "%" instead of expanding a variable; a value without
// "%" goes in byte for byte.
std::optional<std::wstring> CommandArgument(std::wstring_view value);

// The four command lines of the outside tools, each "cmd /d /e:on /v:off /c " and the tool's own
// line: no AutoRun command, extensions on and delayed expansion off. A line with an argument is
// empty when that argument cannot be passed safely; the tool is then not started. The program step
// reads the image back (--verify, last).
std::optional<std::wstring> DfuUpgradeCommandLine(std::wstring_view packagePath,
                                                  std::wstring_view portName);
std::wstring EraseAllCommandLine();
std::optional<std::wstring> ProgramCommandLine(std::wstring_view hexPath);
std::wstring ResetCommandLine();
