#!/usr/bin/env bash
# Checks that the fuzz targets catch real faults: plants one known fault at a time in a scratch
# copy of the tracked sources, builds the fuzz preset there and runs the target that should see
# it. Every fault must be caught (a non-zero exit) within the time limit.
#   tests/fuzz/mutation-check.sh [SECONDS] [SCRATCH_DIR]      (defaults: 60, build-fuzz-mutants)
# With PELVARO_FUZZ_SEEDS=none the targets start without their seed corpus, which shows what the
# fuzzing finds by itself rather than what the seeds already hold.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
scratch=$(realpath -m "${2:-build-fuzz-mutants}")
rm -rf "$scratch/src"
mkdir -p "$scratch/src"
git ls-files -z | xargs -0 cp --parents -t "$scratch/src"
cmake -S "$scratch/src" --preset fuzz -B "$scratch/build" >/dev/null

# file, fuzz target, text to replace, its faulty replacement
mutants=(
    device/UpgradeInterfaceMatch.cpp interface_match 'position > 0;' 'position + 1 > 0;'
    base/AsciiUpper.h interface_match "if (c >= L'a' && c <= L'z') {"
        "if ((c >= L'a' && c <= L'z') || c == 0x131) { if (c == 0x131) { c = L'i'; }"
    device/BootloaderPort.cpp bootloader_port "name.find(L'(')" "name.rfind(L'(')"
    device/BootloaderPort.cpp bootloader_port 'port = std::move(name);' 'port = std::move(name); break;'
    device/BootloaderPort.cpp bootloader_port "find_last_not_of(L')')" "find_last_not_of(L' ')"
    device/BootloaderPort.cpp bootloader_port 'name.size() > 6' 'name.size() > 7'
    device/PortListing.cpp port_listing '        Release();
        m_data' '        m_data'
    device/PortListing.cpp port_listing 'offset + 2 <= bytes' 'offset + 1 <= bytes'
    device/PortListing.cpp port_listing 'required <= buffer.Size() || ' ''
    runner/ToolOutputJudge.cpp output_judge 'kErrorMark[] = L"ERROR";' 'kErrorMark[] = L"ERRO";'
    runner/ToolOutputJudge.cpp output_judge 'm_succeeded = !m_failed;' 'm_succeeded = true;'
    runner/ToolOutputJudge.cpp output_judge 'line == kDeviceProgrammed' 'line.starts_with(kDeviceProgrammed)'
    runner/ToolOutputJudge.cpp output_judge 'm_lineTooLong = true;' ''
    runner/ToolOutputJudge.cpp output_judge '    if (cut) {' '    if (false && cut) {'
    runner/ToolChunk.cpp tool_chunk 'std::min(capacity, delivered)' 'delivered + 0 * capacity'
    runner/ToolChunk.cpp tool_chunk "bytes.find('\\0')" "bytes.find('\\n')"
    runner/ToolChunk.cpp tool_chunk 'nul != std::string_view::npos' 'false'
    runner/CommandLine.cpp command_line 'L" &|<>^(),;="' 'L" &|<>(),;="'
    runner/CommandLine.cpp command_line "std::wstring(trailing, L'\\\\')" "std::wstring(trailing / 2, L'\\\\')"
    runner/CommandLine.cpp command_line 'bool quote = value.empty();' 'bool quote = false;'
    runner/CommandLine.cpp command_line 'return c < 0x20 || c == 0x7F;' 'return c < 0x20 && c != 0x0A;'
    runner/CommandLine.cpp command_line "if (c == L'%') {" 'if (false) {'
    runner/CommandLine.cpp command_line '/e:on /v:off /c' '/e:on /c'
    config/ConfiguredPath.cpp configured_path 'isSlash(value[0]) && isSlash(value[1])' 'isSlash(value[0])'
    config/ExecutablePath.cpp configured_path 'dot > 0' 'dot + 1 > 0'
    config/ConfiguredPath.cpp configured_path 'path += L"\\config.ini";' 'path += L"config.ini";'
    config/Utf8ConfigText.cpp configured_path 'low = lead == 0xE0 ? 0xA0 : 0x80;' 'low = 0x80;'
    config/Utf8ConfigText.cpp configured_path 'high = lead == 0xED ? 0x9F : 0xBF;' 'high = 0xBF;'
    config/Utf8ConfigText.cpp configured_path 'if (following != 0) {' 'if (following > 0 && at < bytes.size()) {'
    config/ProfileValue.cpp configured_path 'kPathBufferChars - 1;' 'kPathBufferChars;'
)

survivors=0
for ((i = 0; i < ${#mutants[@]}; i += 4)); do
    file=${mutants[i]} target=${mutants[i + 1]} old=${mutants[i + 2]} new=${mutants[i + 3]}
    original=$(mktemp)
    cp "$scratch/src/$file" "$original"
    OLD=$old NEW=$new perl -0pi -e '$n += s/\Q$ENV{OLD}\E/$ENV{NEW}/' "$scratch/src/$file"
    if cmp -s "$original" "$scratch/src/$file"; then
        echo "mutant $((i / 4 + 1)): text not found in $file: $old" >&2
        exit 2
    fi
    outcome="SURVIVED"
    if ! cmake --build "$scratch/build" --target "fuzz_$target" >"$scratch/build.log" 2>&1; then
        outcome="does not build"
    else
        rm -rf "$scratch/work"
        start=$SECONDS
        if ! tests/fuzz/run-fuzzer.sh "$scratch/build/bin/fuzz_$target" "$target" "$seconds" \
            "$scratch/work" >"$scratch/run.log" 2>&1; then
            why=$(grep -m1 -oE 'PROPERTY BROKEN: .*|ERROR: [A-Za-z]+: [a-z-]+|runtime error: .*' \
                "$scratch/run.log" || echo "non-zero exit")
            outcome="caught after $((SECONDS - start)) s: $why"
        fi
    fi
    cp "$original" "$scratch/src/$file"
    rm -f "$original"
    echo "$file -> $target: $outcome"
    echo "    $old  =>  $new"
    [[ $outcome == caught* ]] || survivors=$((survivors + 1))
done
cmake --build "$scratch/build" >/dev/null
echo "$survivors of $((${#mutants[@]} / 4)) faults not caught"
[ "$survivors" -eq 0 ]
