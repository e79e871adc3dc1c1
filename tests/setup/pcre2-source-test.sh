#!/usr/bin/env bash
# Tests scripts/pcre2-source on private folders, never on the shared third_party/: a fresh folder
# gets the source with its marker; a second run changes nothing; a tree without the marker (an
# unpack by hand, or one cut short) is replaced by a fresh unpack; a tarball with the wrong
# checksum stops set-up and leaves the tree as it was. Uses the tarball that set-up already
# fetched, so it needs no network.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
script=$repo/scripts/pcre2-source
tarball=$repo/third_party/download/pcre2_10.42.orig.tar.gz
[ -f "$tarball" ] || { echo "PCRE2 tarball missing: run scripts/setup first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

new_top() {
    local top=$work/$1
    mkdir -p "$top/download"
    cp "$tarball" "$top/download/"
    echo "$top"
}
expect_whole() {
    local top=$1 what=$2
    [ -f "$top/pcre2/src/pcre2_compile.c" ] || fail "$what: no pcre2_compile.c"
    [ -f "$top/pcre2/LICENCE" ] || fail "$what: no LICENCE"
    [ -s "$top/pcre2/.tessarin-source" ] || fail "$what: no marker"
    ls "$top" | grep -q '^pcre2\.\(new\|old\)' && fail "$what: a temporary tree was left behind"
    return 0
}

top=$(new_top fresh)
bash "$script" "$top" >/dev/null || fail "fresh: set-up failed"
expect_whole "$top" fresh

before=$(stat -c '%i %Y' "$top/pcre2/src/pcre2_compile.c")
out=$(bash "$script" "$top")
[ -z "$out" ] || fail "second run: said '$out'"
[ "$(stat -c '%i %Y' "$top/pcre2/src/pcre2_compile.c")" = "$before" ] || fail "second run: the tree was replaced"

# A tree cut short, without the marker: unpacked afresh.
rm "$top/pcre2/.tessarin-source" "$top/pcre2/src/pcre2_match.c"
bash "$script" "$top" >/dev/null || fail "cut short: set-up failed"
expect_whole "$top" "cut short"
[ -f "$top/pcre2/src/pcre2_match.c" ] || fail "cut short: pcre2_match.c still missing"

# A tarball that is not PCRE2 10.42's: refused, the tree left as it was.
top=$(new_top wrong-sum)
bash "$script" "$top" >/dev/null
echo tampered >>"$top/download/pcre2_10.42.orig.tar.gz"
rm "$top/pcre2/.tessarin-source"
before=$(stat -c '%i %Y' "$top/pcre2/src/pcre2_compile.c")
if bash "$script" "$top" >/dev/null 2>"$work/err"; then
    fail "wrong checksum: set-up went on"
fi
grep -q "checksum" "$work/err" || fail "wrong checksum: the message does not say so"
[ "$(stat -c '%i %Y' "$top/pcre2/src/pcre2_compile.c")" = "$before" ] || fail "wrong checksum: the tree was touched"

[ "$failures" = 0 ] && echo "pcre2-source: all cases passed"
exit "$failures"
