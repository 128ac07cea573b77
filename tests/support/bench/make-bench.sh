#!/usr/bin/env bash
# Lays out the simulated bench: Pelvaro.exe with its config.ini and sample firmware files, and the
# stand-in tools with a scenario of a successful upgrade. The remote and its bootloader port on
# COM7 are played by the bench driver while the program runs.
set -euo pipefail
build=$1   # the x64 build folder
bench=$2   # the bench folder
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$bench/firmware" "$bench/tools"
cp "$build/bin/Pelvaro.exe" "$bench/"
cp "$build/bin/standin/nrfutil.exe" "$build/bin/standin/nrfjprog.exe" "$bench/tools/"
cp "$here/config.ini" "$here/scenario.txt" "$bench/"
for kind in remote tablet dongle; do
    printf 'PK\005\006%018d' 0 >"$bench/firmware/${kind}_dfu.zip"  # an empty zip archive
    printf ':020000040000FA\r\n:00000001FF\r\n' >"$bench/firmware/$kind.hex"
done

# The bench driver plays the device, its bootloader port included; earlier benches wrote a port
# into the prefix that never went away.
if grep -qF 'PID_521F&MI_00\\BENCH0001]' "$WINEPREFIX/system.reg"; then
    wine reg delete 'HKLM\System\CurrentControlSet\Enum\USB\VID_1915&PID_521F&MI_00' /f >/dev/null 2>&1
fi
# Wine draws the caption's close box with Marlett. This Wine looks for its own fonts in
# "<data folder>\../fonts", a path its file lookup cannot resolve, so fonts-wine's faces are never
# found there; a face in the prefix's Fonts folder is loaded by every program at its start.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# Every program of the bench prefix shares one virtual desktop, in which Wine draws frames and
# captions even without a window manager.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x520 /f >/dev/null 2>&1
wineserver -w
