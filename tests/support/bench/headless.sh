#!/usr/bin/env bash
# Runs the bench's Pelvaro.exe on the current (virtual) display inside a Wine desktop, which
# draws frames and captions, and saves a screenshot of it.
set -euo pipefail
bench=$1
cd "$bench"
wine explorer /desktop=bench,800x600 Pelvaro.exe &
for _ in $(seq 1 100); do
    xdotool search --name "Upgrade Tools" >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 1
import -window root "$bench/screenshot.png"
wineserver -k
echo "Screenshot of the window: $bench/screenshot.png"
