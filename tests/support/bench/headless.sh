#!/usr/bin/env bash
# Runs the bench's Pelvaro.exe on the current (virtual) display with the bench driver playing the
# remote, presses "Upgrade the remote " as a user would, prints the log and saves a screenshot.
# With a third argument, also writes there a small picture of the window alone in its frame (the
# README's picture).
set -euo pipefail
bench=$1
driver=$2
picture=${3:-}
cd "$bench"
rm -f frame.txt
status=0
# Into a file Wine writes the bytes as they are (on a terminal its console would redraw each
# character with escape sequences); the program keeps it open, which a pipe's reader would wait for.
wine "$driver" --press Pelvaro.exe frame.txt >driver.txt || status=$?
cat driver.txt
sleep 1
import -window root "$bench/screenshot.png"
wineserver -k
echo "Screenshot of the window: $bench/screenshot.png"
if [ -n "$picture" ]; then
    if [ $status -ne 0 ] || [ ! -s frame.txt ]; then
        echo "The upgrade did not succeed: $picture is left as it was." >&2
        exit 1
    fi
    # Without metadata (no dates), so the same window gives the same bytes.
    convert "$bench/screenshot.png" -crop "$(cat frame.txt)" +repage -strip \
        -define png:compression-level=9 "$picture"
    echo "Picture of the window: $picture ($(stat -c %s "$picture") bytes)"
fi
exit $status
