#!/usr/bin/env bash
# Start-up of the whole program against a plain Qt Widgets window with the same widgets, in one
# run on one X server, so both see the same machine load:
# - wall-clock time from the start of the process until its main window is mapped and painted,
#   its peak resident memory, its time on a CPU and waiting for one, and its page faults
#   (bench/startwatch), medians of ROUNDS starts each, taken in turn;
# - the same yardstick window started a second time in each round and compared with itself: the
#   ratio the wall-clock times show between two identical programs, i.e. how noisy they are today;
# - instructions to the map and to the first paint under valgrind (callgrind), which a busy
#   machine does not change: the repeatable figure.
# Usage: bench/startup.sh [BUILD_DIR] [ROUNDS]     (make bench-startup)
set -euo pipefail
build=$(realpath "${1:-build}")
rounds=${2:-25}

for tool in "$build/qingfu" "$build/bench/minimal_qt" "$build/bench/widget_census" "$build/bench/startwatch"; do
  [ -x "$tool" ] || { echo "startup.sh: $tool is missing (build first)" >&2; exit 2; }
done

if [ -z "${STARTUP_IN_X:-}" ]; then
  # One X server for the whole measure; the program must not fall back to offscreen.
  exec env -u QT_QPA_PLATFORM STARTUP_IN_X=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" \
    bash "$0" "$build" "$rounds"
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

census=$("$build/bench/widget_census")
echo "widgets of the main window: $census"
program=("$build/qingfu")
minimal=("$build/bench/minimal_qt" $census)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One unmeasured start of each fills the page cache.
"$build/bench/startwatch" --settle 100 "${program[@]}" >/dev/null
"$build/bench/startwatch" --settle 100 "${minimal[@]}" >/dev/null

out=$work/starts
start() {
  case $1 in
    program) echo "program $("$build/bench/startwatch" "${program[@]}")" ;;
    *) echo "$1 $("$build/bench/startwatch" "${minimal[@]}")" ;;
  esac
}
# Each round starts the three in another order, so none always follows the same one.
order=(program minimal control)
for ((i = 0; i < rounds; i++)); do
  for ((j = 0; j < 3; j++)); do start "${order[(i + j) % 3]}" >>"$out"; done
done

# Instructions from exec until the window is shown (the map request) and until the first flush
# of its backing store (the first paint), ld.so and every library included. Each program's
# profile is dumped at those two points; a child it forks writes a file without parts.
count() {
  local tag=$1
  shift
  "$build/bench/startwatch" --settle 0 valgrind --tool=callgrind --callgrind-out-file="$work/cg.$tag.%p" \
    --dump-before='QXcbWindow::show()' --dump-after='QWidgetRepaintManager::flush()' "$@" >/dev/null 2>&1 || true
  local map paint
  map=$(sed -n 's/^summary: //p' "$work"/cg."$tag".*.1 2>/dev/null | head -1)
  paint=$(sed -n 's/^summary: //p' "$work"/cg."$tag".*.2 2>/dev/null | head -1)
  [ -n "$map" ] && [ -n "$paint" ] || return 0
  echo "$tag map_ir=$map paint_ir=$((map + paint)) map_replies=$(replies "$work"/cg."$tag".*.1)" \
    "paint_replies=$(($(replies "$work"/cg."$tag".*.1) + $(replies "$work"/cg."$tag".*.2)))" >>"$out"
}
# Replies from the X server the program waited for, in one callgrind profile: on a busy machine
# each that blocks costs a wake-up of the server and one of the program.
replies() {
  awk '/^c?fn=/ { i = $1; sub(/^c?fn=/, "", i); if ($2 ~ /^xcb_wait_for_reply(64)?$/) want[i] = 1 }
       /^cfn=/ { id = i; next }
       /^fn=/ { id = "" }
       /^calls=/ { if (want[id]) { split($1, c, "="); n += c[2] } }
       END { print n + 0 }' "$1"
}
if command -v valgrind >/dev/null; then
  count program "${program[@]}"
  count minimal "${minimal[@]}"
else
  echo "(valgrind is not installed: no instruction counts)"
fi

awk -v rounds="$rounds" '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j-1] > a[j]; j--) { t = a[j]; a[j] = a[j-1]; a[j-1] = t }
    return n % 2 ? a[(n+1)/2] : (a[n/2] + a[n/2+1]) / 2
  }
  function med(who, key,   i, a) {
    for (i = 1; i <= n[who, key]; i++) a[i] = v[who, key, i]
    return median(a, n[who, key])
  }
  {
    for (f = 2; f <= NF; f++) { split($f, kv, "="); v[$1, kv[1], ++n[$1, kv[1]]] = kv[2] }
  }
  END {
    printf "%-14s %10s %10s %8s   (median of %d starts each)\n", "", "qingfu", "minimal", "ratio", rounds
    split("map_ms paint_ms cpu_ms wait_ms faults peak_rss_kb", keys, " ")
    for (k = 1; k <= 6; k++) {
      mp = med("program", keys[k]); mm = med("minimal", keys[k])
      printf "%-14s %10.1f %10.1f %8.3f\n", keys[k], mp, mm, mm ? mp / mm : 0
    }
    printf "%-14s %10s %10s %8s   (under valgrind: instructions in millions, X replies waited for)\n", "", "", "", ""
    split("map_ir paint_ir map_replies paint_replies", keys, " ")
    for (k = 1; k <= 4; k++) {
      if (!n["program", keys[k]] || !n["minimal", keys[k]]) continue
      mp = v["program", keys[k], 1]; mm = v["minimal", keys[k], 1]
      if (k <= 2) { mp /= 1e6; mm /= 1e6 }
      printf "%-14s %10.1f %10.1f %8.3f\n", keys[k], mp, mm, mp / mm
    }
    printf "noise: the yardstick against itself in the same rounds, map %.3f, paint %.3f, cpu %.3f\n",
      med("control", "map_ms") / med("minimal", "map_ms"), med("control", "paint_ms") / med("minimal", "paint_ms"),
      med("control", "cpu_ms") / med("minimal", "cpu_ms")
  }' "$out"
