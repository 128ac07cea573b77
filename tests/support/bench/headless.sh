#!/usr/bin/env bash
# Runs the bench's Pelvaro.exe on the current (virtual) display, presses "Upgrade the remote " as
# a user would, prints the log and saves a screenshot.
set -euo pipefail
bench=$1
driver=$2
cd "$bench"
status=0
wine "$driver" Pelvaro.exe || status=$?
sleep 1
import -window root "$bench/screenshot.png"
wineserver -k
echo "Screenshot of the window: $bench/screenshot.png"
exit $status
