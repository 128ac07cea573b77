#!/usr/bin/env bash
# Lays out the simulated bench: Pelvaro.exe with its config.ini and sample firmware files, the
# stand-in tools with a scenario of a successful upgrade, and a bootloader port on COM7 in the
# bench's Wine prefix.
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

port='HKLM\System\CurrentControlSet\Enum\USB\VID_1915&PID_521F&MI_00\BENCH0001'
wine reg add "$port" /v ClassGUID /d "{4D36E978-E325-11CE-BFC1-08002BE10318}" /f >/dev/null 2>&1
wine reg add "$port" /v Class /d Ports /f >/dev/null 2>&1
wine reg add "$port" /v FriendlyName /d "nRF52 SDFU USB (COM7)" /f >/dev/null 2>&1
wine reg add "$port" /v HardwareID /t REG_MULTI_SZ \
    /d 'USB\VID_1915&PID_521F&REV_0100&MI_00\0USB\VID_1915&PID_521F&MI_00' /f >/dev/null 2>&1
# Every program of the bench prefix shares one virtual desktop, in which Wine draws frames and
# captions even without a window manager.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x520 /f >/dev/null 2>&1
wineserver -w
