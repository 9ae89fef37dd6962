#!/bin/bash
# The README's pictures of the planning and batch windows on an 800×600 screen: the real program
# under Xvfb with openbox (apt-get install openbox imagemagick xdotool xvfb), driven by keys as a
# person would. Usage: scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
build=$(realpath "${1:-build}")
out=$(realpath "${2:-docs}")
src=$(realpath "$(dirname "$0")/..")
# A home of its own: nothing remembered from earlier runs (window places, folders).
export HOME=$(mktemp -d)
export LANG=C.UTF-8
trap 'rm -rf "$HOME"' EXIT
xvfb-run -a -s "-screen 0 800x600x24" bash -c "
set -e
openbox & sleep 1
'$build/qingfu' & sleep 2
main=\$(xdotool search --sync --onlyvisible --classname '^qingfu\$' | head -1)
xdotool windowfocus --sync \$main
xdotool key --delay 150 alt+t p; sleep 2
xdotool type --delay 40 150000; xdotool key Tab; xdotool type --delay 40 1000
xdotool key Tab Tab; xdotool type --delay 40 5000; xdotool key Tab; xdotool type --delay 40 9000
xdotool key Return; sleep 2
import -window root '$out/plan-800x600.png'
xdotool key Escape; sleep 1
xdotool windowfocus --sync \$main
xdotool key --delay 150 alt+t b; sleep 2
xdotool key ctrl+o; sleep 2
xdotool type --delay 20 '$src/docs/batch-sample.csv'; xdotool key Return; sleep 2
import -window root '$out/batch-800x600.png'
"
