#!/usr/bin/env bash
# Checks that the handle and thread counts under Wine see real leaks: plants one leak at a time
# in a scratch copy of the tracked sources, builds the x64 tests there and runs the matching
# HandleBalance test, which must fail and name the count it found.
#   tests/leak/handle-mutation-check.sh [SCRATCH_DIR]           (default: build-fuzz-handle-mutants)
set -euo pipefail
cd "$(dirname "$0")/../.."
scratch=$(realpath -m "${1:-build-fuzz-handle-mutants}")
rm -rf "$scratch/src"
mkdir -p "$scratch/src"
git ls-files -z | xargs -0 cp --parents -t "$scratch/src"
cmake -S "$scratch/src" --preset mingw-x64 -B "$scratch/build" >/dev/null

# file, test, text to replace, its leaking replacement
mutants=(
    runner/ConsoleToolRunner.cpp 'HandleBalance.ToolRuns*'
        '    thread.reset();' '    static_cast<void>(thread.release());'
    runner/ConsoleToolRunner.cpp 'HandleBalance.ToolRuns*'
        '    readEnd.reset();' '    static_cast<void>(readEnd.release());'
    device/UpgradeTrigger.cpp 'HandleBalance.Upgrade*'
        'void Close(void* device) override { CloseHandle(device); }' 'void Close(void*) override {}'
    device/BootloaderPortLookup.cpp 'HandleBalance.Port*'
        'void DestroyList(void* list) override { m_api.DestroyDeviceInfoList(list); }'
        'void DestroyList(void*) override {}'
)

survivors=0
for ((i = 0; i < ${#mutants[@]}; i += 4)); do
    file=${mutants[i]} filter=${mutants[i + 1]} old=${mutants[i + 2]} new=${mutants[i + 3]}
    original=$(mktemp)
    cp "$scratch/src/$file" "$original"
    OLD=$old NEW=$new perl -0pi -e '$n += s/\Q$ENV{OLD}\E/$ENV{NEW}/' "$scratch/src/$file"
    if cmp -s "$original" "$scratch/src/$file"; then
        echo "mutant $((i / 4 + 1)): text not found in $file: $old" >&2
        exit 2
    fi
    cmake --build "$scratch/build" -j2 --target win32_tests >"$scratch/build.log" 2>&1
    xvfb-run -a "$scratch/build/wine-run.sh" "$scratch/build/bin/win32_tests.exe" \
        --gtest_filter="$filter" >"$scratch/run.log" 2>&1 && status=0 || status=$?
    cp "$original" "$scratch/src/$file"
    rm -f "$original"
    echo "$file: $old  =>  $new"
    echo "    $(grep -m1 '\[balance\]' "$scratch/run.log" || echo 'no figures')"
    if [ "$status" -eq 0 ]; then
        echo "    SURVIVED"
        survivors=$((survivors + 1))
    else
        echo "    caught"
    fi
done
echo "$survivors of $((${#mutants[@]} / 4)) leaks not caught"
[ "$survivors" -eq 0 ]
