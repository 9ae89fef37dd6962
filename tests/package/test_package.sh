#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, checks what it declares and where
# it puts things, then starts the installed program on an X server: its window must come up and
# its web-site menu item must open a page of the installed site.
# Usage: test_package.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$work" && cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(ls "$work"/pkg/*.deb)
echo "package: $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for want in libqt6widgets6 libqt6gui6 libqt6printsupport6 libc6 libminizip1 fonts-wqy-microhei qt6-translations-l10n; do
  grep -q "$want" <<<"$depends" || fail "Depends does not name $want"
done

root="$work/root"
dpkg -x "$deb" "$root"
prefix="$root/usr"
[ -x "$prefix/bin/qingfu" ] || fail "no program at usr/bin/qingfu"
[ -x "$prefix/bin/qingfu-batch" ] || fail "no program at usr/bin/qingfu-batch"
"$prefix/bin/qingfu-batch" --version | grep -q '^qingfu-batch ' || fail "qingfu-batch --version does not answer"
# The installed program prints a payroll to PDF without a display; the print preview's plugin
# is where the program looks for it.
printf '姓名,月工资\n张三,8000\n' >"$work/p.csv"
env -u DISPLAY "$prefix/bin/qingfu-batch" "$work/p.csv" -o "$work/p.pdf" 2>/dev/null || fail "qingfu-batch -o p.pdf failed"
[ "$(head -c 4 "$work/p.pdf")" = "%PDF" ] || fail "qingfu-batch wrote no PDF"
[ -n "$(find "$root/usr/lib" -path "*/qingfu/libqingfu_printpreview.so")" ] || fail "no print preview plugin beside the other plugins"
desktop="$prefix/share/applications/qingfu.desktop"
[ -f "$desktop" ] || fail "no desktop entry at usr/share/applications/qingfu.desktop"
grep -qx 'Name\[zh_CN\]=青蚨税算' "$desktop" || fail "the desktop entry has no Chinese name"
grep -q '^Name=' "$desktop" || fail "the desktop entry has no fallback name"
grep -qx 'Icon=qingfu' "$desktop" || fail "the desktop entry names no icon qingfu"
grep -qx 'Exec=qingfu' "$desktop" || fail "the desktop entry does not start qingfu"
[ -f "$prefix/share/icons/hicolor/scalable/apps/qingfu.svg" ] || fail "no icon in the hicolor theme"
# Nothing of the build's tests or benchmarks travels in the package.
extra=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -E '/bin/.' | grep -vE '/bin/qingfu(-batch)?$' || true)
[ -z "$extra" ] || fail "the package carries more programs: $extra"

# The helper that reads old .xls workbooks sits beside the plugins, where the programs look for it.
helper=$(find "$prefix/lib" -name qingfu-xls -type f | head -n1)
[ -x "$helper" ] || fail "no qingfu-xls beside the plugins"
"$helper" "$(dirname "$0")/../batch/files/payroll.xls" | grep -aq '工资表' || fail "the installed qingfu-xls does not read an .xls"

site="$prefix/share/qingfu/site"
[ -d "$site" ] || fail "no site under usr/share/qingfu/site (the source tree has no site/ directory?)"
for page in index.html online/index.html online/001.html; do
  [ -f "$site/$page" ] || fail "the installed site lacks $page"
done

# A stand-in for the desktop's opener records the address the program asks for.
mkdir -p "$work/fakebin"
cat >"$work/fakebin/xdg-open" <<FAKE
#!/bin/sh
echo "\$1" >>"$work/opened"
FAKE
chmod +x "$work/fakebin/xdg-open"

cat >"$work/session.sh" <<SESSION
set -eu
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "\$XDG_RUNTIME_DIR"
cd "$work"
"$prefix/bin/qingfu" &
pid=\$!
# Found by its instance name: matching the Chinese caption would need a UTF-8 locale.
win=\$(timeout 30 xdotool search --sync --onlyvisible --classname '^qingfu\$')
win=\$(echo "\$win" | head -n1)
name=\$(xdotool getwindowname "\$win")
echo "window \$win: \$name"
case "\$name" in 青蚨税算*) ;; *) echo "unexpected caption: \$name" >&2; exit 1 ;; esac
# 帮助(&H) then 访问官方网站(&W), by keyboard as a person would.
xdotool windowfocus --sync "\$win"
xdotool key --delay 100 alt+h
sleep 0.3
xdotool key w
for i in \$(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
kill \$pid
wait \$pid || true
SESSION
PATH="$work/fakebin:$PATH" timeout 120 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" bash "$work/session.sh" ||
  fail "the installed program's window did not come up"

[ -s "$work/opened" ] || fail "the web-site menu item opened nothing"
address=$(head -n1 "$work/opened")
echo "opened: $address"
want="file://$site/index.html"
[ "$address" = "$want" ] || fail "the web-site item opened $address, not the installed $want"
echo "package test passed"
