#!/bin/sh
# Creates a 64-bit Wine prefix once (concurrent callers wait for the first), with a CJK font
# linked behind the dialog fonts so that Chinese texts render.
set -eu
prefix="$1"
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.pelvaro-ready" ] && exit 0
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" Arial; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wineserver -w
touch "$prefix/.pelvaro-ready"
