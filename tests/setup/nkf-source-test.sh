#!/usr/bin/env bash
# Tests scripts/nkf-source on private folders, never on the shared third_party/: every starting
# state (nothing, the plain source, the source patched by hand, an older patch's marker) ends with
# the source patched exactly once; a second run changes nothing; a tarball with the wrong checksum
# and a patch that does not apply stop set-up and leave the tree as it was. Uses the tarball that
# set-up already fetched, so it needs no network.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
script=$repo/scripts/nkf-source
tarball=$repo/third_party/download/nkf_2.1.5.orig.tar.gz
[ -f "$tarball" ] || { echo "nkf tarball missing: run scripts/setup first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A fresh folder holding the downloaded tarball, as set-up leaves it before unpacking.
new_top() {
    local top=$work/$1
    mkdir -p "$top/download"
    cp "$tarball" "$top/download/"
    echo "$top"
}
unpack_plain() { mkdir -p "$1/nkf" && tar -xzf "$tarball" -C "$1/nkf" --strip-components=1; }

# Patched exactly once: our checks are there once each, and the patch reverses cleanly.
expect_patched_once() {
    local top=$1 what=$2
    local n
    n=$(grep -c 'Tessarin:' "$top/nkf/nkf.c" || true)
    [ "$n" = 2 ] || fail "$what: $n marked checks in nkf.c, expected 2"
    patch -d "$top/nkf" -p1 -R --dry-run --batch --quiet <"$repo/scripts/nkf-bounds.patch" >/dev/null ||
        fail "$what: the patch does not reverse cleanly"
    ls "$top" | grep -q '^nkf\.\(new\|old\)' && fail "$what: a temporary tree was left behind"
    return 0
}

# Nothing unpacked yet.
top=$(new_top fresh)
bash "$script" "$top" >/dev/null || fail "fresh: set-up failed"
expect_patched_once "$top" fresh

# A second run leaves the tree alone: same file, same time stamp, nothing said.
before=$(stat -c '%i %Y' "$top/nkf/nkf.c")
out=$(bash "$script" "$top")
[ -z "$out" ] || fail "second run: said '$out'"
[ "$(stat -c '%i %Y' "$top/nkf/nkf.c")" = "$before" ] || fail "second run: nkf.c was replaced"

# The plain source of an earlier set-up.
top=$(new_top plain)
unpack_plain "$top"
bash "$script" "$top" >/dev/null || fail "plain: set-up failed"
expect_patched_once "$top" plain

# Patched by hand, without a marker: unpacked afresh, not patched twice.
top=$(new_top by-hand)
unpack_plain "$top"
patch -d "$top/nkf" -p1 --batch --quiet <"$repo/scripts/nkf-bounds.patch" >/dev/null
bash "$script" "$top" >/dev/null || fail "by hand: set-up failed"
expect_patched_once "$top" "by hand"

# The marker of an older patch: unpacked afresh with the current one.
top=$(new_top older)
unpack_plain "$top"
echo 0000 >"$top/nkf/.tessarin-patch"
bash "$script" "$top" >/dev/null || fail "older: set-up failed"
expect_patched_once "$top" older

# A tarball that is not the one we checked: refused, the existing tree untouched.
top=$(new_top bad-sum)
unpack_plain "$top"
printf 'x' >>"$top/download/nkf_2.1.5.orig.tar.gz"
if bash "$script" "$top" >/dev/null 2>"$work/err"; then
    fail "bad checksum: set-up succeeded"
fi
grep -q checksum "$work/err" || fail "bad checksum: no message"
grep -q 'Tessarin:' "$top/nkf/nkf.c" && fail "bad checksum: the tree was changed"

# A patch that does not apply: set-up stops, loudly, and the tree is the one it was.
top=$(new_top bad-patch)
bash "$script" "$top" >/dev/null
sed 's/^ \(.*ptr = x0212_shiftjis\)/ \1 not in nkf/' "$repo/scripts/nkf-bounds.patch" >"$work/bad.patch"
before=$(stat -c '%i %Y' "$top/nkf/nkf.c")
if NKF_PATCH=$work/bad.patch bash "$script" "$top" >/dev/null 2>"$work/err"; then
    fail "bad patch: set-up succeeded"
fi
grep -q 'does not apply' "$work/err" || fail "bad patch: no message"
[ "$(stat -c '%i %Y' "$top/nkf/nkf.c")" = "$before" ] || fail "bad patch: the tree was changed"
ls "$top" | grep -q '^nkf\.new' && fail "bad patch: the half-made tree was left behind"

if [ $failures -gt 0 ]; then
    echo "nkf-source: $failures failure(s)" >&2
    exit 1
fi
echo "nkf-source: all cases passed"
