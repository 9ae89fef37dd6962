# The checks the command-line test scripts share, sourced after they set $bin: a scratch folder
# $dir (gone at exit), `check NAME CONDITION…` counting into $passed and $failed, `run EXIT ARGS…`
# keeping standard output and error in $dir/out and $dir/err, and `has`/`hasline`/`hasnt` on them.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
run() { # expected-exit, args...: runs, keeps stdout/stderr in $dir/out $dir/err
    local want=$1; shift
    "$bin" "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    [ "$got" = "$want" ] || { echo "exit $got, expected $want: $*"; cat "$dir/err"; return 1; }
}
has() { grep -qF -- "$2" "$dir/$1" || { echo "no '$2' in $1:"; cat "$dir/$1"; return 1; }; }
hasline() { grep -qxF -- "$2" "$dir/$1" || { echo "no line '$2' in $1:"; cat "$dir/$1"; return 1; }; }
hasnt() { ! grep -qF -- "$2" "$dir/$1" || { echo "'$2' in $1:"; cat "$dir/$1"; return 1; }; }
