#!/usr/bin/env bash
# How qingfu-batch replaces a file: the mode and owner stay, a link planted where a scratch file
# might go is not followed, a stopped run leaves nothing behind, and a long name is no trouble.
# usage: test_save.sh QINGFU_BATCH SAMPLE.csv
set -u
bin=$1 sample=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
# Only the names given are in the folder.
only() { # folder, names...
    local folder=$1; shift
    local want got
    want=$(printf '%s\n' "$@" | sort) got=$(ls -A "$folder" | sort)
    [ "$got" = "$want" ] || { echo "in $folder: $(echo $got) (expected: $*)"; return 1; }
}

for kind in csv xlsx; do
    out=$dir/$kind
    mkdir "$out"
    echo old >"$out/p.$kind"
    chmod 0640 "$out/p.$kind"
    owner=$(id -u):$(id -g)
    # Only root can give a file away; another user's file then keeps its owner.
    [ "$(id -u)" = 0 ] && owner=65534:65534 && chown "$owner" "$out/p.$kind"
    "$bin" "$sample" -o "$out/p.$kind" 2>/dev/null
    check "$kind: replaced" test "$(head -c 3 "$out/p.$kind")" != old
    check "$kind: mode kept" test "$(stat -c %a "$out/p.$kind")" = 640
    check "$kind: owner kept" test "$(stat -c %u:%g "$out/p.$kind")" = "$owner"
    check "$kind: nothing beside it" only "$out" "p.$kind"

    # The scratch name of earlier versions, planted as a link to a file of someone else's.
    echo victim >"$dir/victim-$kind"
    bash -c 'ln -s "$1" "$2.part-$$-0"; exec "$3" "$4" -o "$2" 2>/dev/null' _ \
        "$dir/victim-$kind" "$out/q.$kind" "$bin" "$sample"
    check "$kind: a planted link is not followed" cmp -s <(echo victim) "$dir/victim-$kind"
    check "$kind: the payroll went where asked" test -s "$out/q.$kind"
    rm -f "$out"/q.*

    # A name of 250 bytes, the most most file systems allow less a few, new and replaced.
    long=$(printf 'n%.0s' $(seq 246)).$kind
    long=${long: -250}
    "$bin" "$sample" -o "$out/$long" 2>/dev/null
    check "$kind: a 250-byte name is written" test -s "$out/$long"
    "$bin" "$sample" -o "$out/$long" 2>"$dir/err"
    check "$kind: a 250-byte name is replaced" test $? = 0
    rm -f "$out/$long"
done

# A run stopped while it waits for its input leaves the old file as it was and nothing beside it.
mkdir "$dir/in" "$dir/stop"
for signal in INT TERM HUP KILL; do
    echo old >"$dir/stop/p.csv"
    rm -f "$dir/in/fifo" && mkfifo "$dir/in/fifo"
    # Signals ignored by a background job are given their default back, as at a terminal.
    env --default-signal "$bin" "$dir/in/fifo" -o "$dir/stop/p.csv" 2>/dev/null &
    pid=$!
    exec 3>"$dir/in/fifo"
    # Past the first megabyte, on which the encoding is judged, so the output is begun.
    { cat "$sample"; tail -n +2 "$sample" | awk '{ for (i = 0; i < 40000; ++i) print }' | head -c 1200000; } >&3
    # Until the run holds its scratch file open (named or not, it is in the output's folder).
    for _ in $(seq 200); do
        ls -l /proc/$pid/fd 2>/dev/null | grep -q "$dir/stop" && break
        sleep 0.05
    done
    check "$signal: the run held a file in the output's folder" bash -c "ls -l /proc/$pid/fd | grep -q '$dir/stop'"
    kill -s "$signal" "$pid"
    { wait "$pid"; } 2>/dev/null
    status=$?
    exec 3>&-
    check "$signal: the run ended by the signal" test "$status" -gt 128
    check "$signal: the old file is unchanged" test "$(cat "$dir/stop/p.csv")" = old
    check "$signal: nothing left beside it" only "$dir/stop" p.csv
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
