#!/usr/bin/env bash
# Start-up of the whole program against a plain Qt Widgets window with the same widgets:
# time from the start of the process until its main window is mapped and painted on an X
# server, and its peak resident memory. The two run in turn in one X session, so both see the
# same machine load; the medians and their ratio are printed.
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

# One unmeasured start of each fills the page cache.
"$build/bench/startwatch" --settle 100 "${program[@]}" >/dev/null
"$build/bench/startwatch" --settle 100 "${minimal[@]}" >/dev/null

out=$(mktemp)
for ((i = 0; i < rounds; i++)); do
  echo "program $("$build/bench/startwatch" "${program[@]}")" >>"$out"
  echo "minimal $("$build/bench/startwatch" "${minimal[@]}")" >>"$out"
done

awk -v rounds="$rounds" '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j-1] > a[j]; j--) { t = a[j]; a[j] = a[j-1]; a[j-1] = t }
    return n % 2 ? a[(n+1)/2] : (a[n/2] + a[n/2+1]) / 2
  }
  {
    for (f = 2; f <= NF; f++) { split($f, kv, "="); v[$1, kv[1], ++n[$1, kv[1]]] = kv[2] }
  }
  END {
    split("map_ms paint_ms peak_rss_kb", keys, " ")
    printf "%-14s %10s %10s %8s   (median of %d starts each)\n", "", "qingfu", "minimal", "ratio", rounds
    for (k = 1; k <= 3; k++) {
      key = keys[k]
      for (i = 1; i <= n["program", key]; i++) p[i] = v["program", key, i]
      for (i = 1; i <= n["minimal", key]; i++) m[i] = v["minimal", key, i]
      mp = median(p, n["program", key]); mm = median(m, n["minimal", key])
      printf "%-14s %10.1f %10.1f %8.3f\n", key, mp, mm, mp / mm
    }
  }' "$out"
rm -f "$out"
