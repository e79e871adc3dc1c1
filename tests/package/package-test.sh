#!/usr/bin/env bash
# The Windows packages tested for real, in a Wine prefix of this test's own (made and thrown away
# here; the suite's shared prefix is never touched):
#  - the installer installs silently; the Start menu shortcut's target is the installed program and
#    opens a file; the "Open with" entries (Applications\Tessarin.exe and the "Tessarin" type listed
#    under .txt) open it too; .txt's default stays what it was; the uninstall entry has the version;
#  - a newer version replaces it in place, and it does not go back over a newer one;
#  - the uninstall removes every file, shortcut and registry key and value the package added, also
#    after the program ran, and leaves the user's settings (HKCU\Software\zanvo\Tessarin) alone;
#  - the zip unpacks into a folder whose path holds Japanese characters and spaces and runs there.
# Needs DISPLAY (scripts/test provides it) and the built Tessarin.exe and PackageCheck.exe.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
source "$repo/scripts/env.sh"
work=$BUILD_DIR/package-test
export WINEPREFIX=$work/prefix
# No menu entries or file associations on the host for what the installer adds.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
check_exe=$BUILD_DIR/tests/package/PackageCheck.exe

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || { echo "FAIL: DISPLAY is not set (run through scripts/test)"; exit 1; }
rm -rf "$work"
mkdir -p "$work"

bash "$repo/scripts/package" --from "$BUILD_DIR" --out "$work/dist" 2>&1 | sed 's/^/  /'
version=$(sed -n 's/^#define TESSARIN_VERSION_STRING "\(.*\)"$/\1/p' "$BUILD_DIR/generated/TessarinVersion.h")
msi=$work/dist/Tessarin-$version-x64.msi
zip=$work/dist/Tessarin-$version-x64.zip
[ -f "$msi" ] && [ -f "$zip" ] || { echo "FAIL: scripts/package made no packages"; exit 1; }

echo "Making a Wine prefix of our own"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
wineserver -p
# The first program starts the prefix's services, which would inherit and hold our output.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# As on every Windows, .txt belongs to the system's text type: the program then never claims it.
wine reg add 'HKLM\Software\Classes\.txt' /ve /d txtfile /f >/dev/null 2>&1 || fail "cannot give .txt its usual type"

# A snapshot of the prefix: its files under drive_c, and every registry key and value of HKLM and
# HKCU as "[key] name=data" lines. Wine's own churn is left out: its hardware and display keys
# (HKLM\System, HKLM\Hardware), its settings (HKCU\Software\Wine, where the driver marks the
# program's windows unmanaged), the shell's view state, and the empty bookkeeping keys that Windows
# Installer keeps for itself once it has run.
reg_lines() {
    iconv -f UTF-16 -t UTF-8 "$1" | tr -d '\r' | awk '
        /^\[/ { key = $0; print key; next }
        /^$/ || /^Windows Registry Editor/ || /^REGEDIT/ { next }
        { line = $0
          while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
          print key " " line }'
}
snapshot() {
    (cd "$WINEPREFIX/drive_c" && find . -printf '%y %p\n') | grep -v -E '^d \./windows/Installer$' | sort >"$work/$1.files"
    local hive
    for hive in HKLM HKCU; do
        wine reg export "$hive" "$work/$1.$hive.reg" /y >/dev/null 2>&1
        reg_lines "$work/$1.$hive.reg"
    done | grep -v -E '^\[HKEY_LOCAL_MACHINE\\(System|Hardware)\\' |
        grep -v -E '^\[HKEY_CURRENT_USER\\Software\\Wine\\' |
        grep -v -E '^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer(\\|\])' |
        grep -v -E '^\[HKEY_LOCAL_MACHINE\\Software\\(Classes\\Installer|Microsoft\\Windows\\CurrentVersion\\Installer)(\\[^]]*)?\]$' |
        sort >"$work/$1.reg"
}
has_line() { grep -q -F -x -- "$2" "$work/$1.reg"; }

snapshot before

echo "Installing $msi"
if ! wine msiexec /i "$(winepath -w "$msi")" /qn; then
    fail "msiexec /i failed"
fi
snapshot installed
program_dir=$WINEPREFIX/drive_c/Program\ Files/Tessarin
for f in Tessarin.exe README.txt nkf-LICENSE.txt pcre2-LICENSE.txt; do
    [ -f "$program_dir/$f" ] || fail "the installer did not put $f into Program Files\\Tessarin"
done
if [ -f "$repo/LICENSE" ] && [ ! -f "$program_dir/LICENSE.txt" ]; then
    fail "the installer did not put LICENSE.txt into Program Files\\Tessarin"
fi
# The Start menu shortcut: in the all-users menu on Windows; Wine's installer puts it in the user's.
lnk=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Tessarin.lnk' | head -1)
[ -n "$lnk" ] || fail "no Start menu shortcut Tessarin.lnk"

classes='[HKEY_LOCAL_MACHINE\Software\Classes'
has_line installed "$classes\\.txt\\OpenWithProgids] \"Tessarin\"=\"\"" || fail "Tessarin is not under .txt's OpenWithProgids"
has_line installed "$classes\\.txt\\OpenWithList\\Tessarin.exe]" || fail "Tessarin.exe is not under .txt's OpenWithList"
has_line installed "$classes\\Applications\\Tessarin.exe\\SupportedTypes] \".txt\"=\"\"" ||
    fail "Applications\\Tessarin.exe does not list .txt"
has_line installed "$classes\\.txt] @=\"txtfile\"" || fail ".txt's default changed on install"
uninstall_key=$(grep -E '^\[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\{[^]]*\] "DisplayName"="Tessarin"$' \
    "$work/installed.reg" | sed 's/\] .*/]/' | head -1)
if [ -z "$uninstall_key" ]; then
    fail "no uninstall entry named Tessarin"
else
    has_line installed "$uninstall_key \"DisplayVersion\"=\"$version\"" || fail "the uninstall entry does not say version $version"
    has_line installed "$uninstall_key \"Publisher\"=\"zanvo\"" || fail "the uninstall entry does not name the publisher"
fi

# A file in a folder with Japanese characters and spaces, opened the ways a user would.
docs="$work/文書 フォルダー"
mkdir -p "$docs"
printf '\x82\xa0\x82\xa2\r\n' >"$docs/メモ 1.txt"
doc_win=$(winepath -w "$docs/メモ 1.txt")
if [ -n "$lnk" ]; then
    target=$(wine "$check_exe" shortcut "$(winepath -w "$lnk")" "$doc_win" | tr -d '\r') || fail "started from the shortcut, the program did not open the file"
    [ "$target" = 'C:\Program Files\Tessarin\Tessarin.exe' ] || fail "the shortcut's target is '$target'"
fi
for key in 'Applications\Tessarin.exe' Tessarin; do
    wine "$check_exe" command "$key" "$doc_win" || fail "Open with ($key) did not open the file"
done
snapshot ran
has_line ran "$classes\\.txt] @=\"txtfile\"" || fail ".txt's default changed when the program ran"
grep -q -F '[HKEY_CURRENT_USER\Software\zanvo\Tessarin]' "$work/ran.reg" || fail "the program stored no settings"

# A newer version replaces this one in place, and this one does not go back over it. The newer
# package is the same files under the next patch number, made as scripts/package makes it.
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1))
echo "Upgrading to $newer"
mkdir -p "$work/newer"
license=no
(cd "$work/newer" && cmake -E tar xf "$zip")
[ -f "$work/newer/Tessarin-$version-x64/LICENSE.txt" ] && license=yes
cp "$repo/res/Tessarin.ico" "$work/newer/"
(cd "$work/newer" && wixl -a x64 -D Version="$newer" -D License=$license -D StageDir="Tessarin-$version-x64" \
    -o "$work/newer.msi" "$repo/packaging/Tessarin.wxs")
wine msiexec /i "$(winepath -w "$work/newer.msi")" /qn || fail "the newer version did not install over this one"
if wine msiexec /i "$(winepath -w "$msi")" /qn >/dev/null 2>&1; then
    fail "the older version installed over the newer one"
fi
snapshot upgraded
entries=$(grep -c -E '^\[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\{[^]]*\] "DisplayName"="Tessarin"$' \
    "$work/upgraded.reg" || true)
[ "$entries" = 1 ] || fail "after the upgrade there are $entries uninstall entries named Tessarin"
grep -q -F "\"DisplayVersion\"=\"$newer\"" "$work/upgraded.reg" || fail "the uninstall entry does not say $newer after the upgrade"

echo "Uninstalling"
if ! wine msiexec /x "$(winepath -w "$work/newer.msi")" /qn; then
    fail "msiexec /x failed"
fi
snapshot removed
# What the user's program left is the user's: its settings and its recovery folder stay.
grep -q -F '[HKEY_CURRENT_USER\Software\zanvo\Tessarin]' "$work/removed.reg" || fail "the uninstall removed the user's settings"
users_own='^(\[HKEY_CURRENT_USER\\Software\\zanvo(\\Tessarin)?\]|. \./users/[^/]+/AppData/Local/Tessarin(/|$))'
if ! diff "$work/before.files" "$work/removed.files" | grep -E '^[<>]' | grep -v -E "^> ${users_own#^}" >"$work/files.diff"; then :; fi
if [ -s "$work/files.diff" ]; then
    fail "files differ from before the install:"
    sed 's/^/    /' "$work/files.diff"
fi
if ! diff "$work/before.reg" "$work/removed.reg" | grep -E '^[<>]' | grep -v -E "^> ${users_own#^}" >"$work/reg.diff"; then :; fi
if [ -s "$work/reg.diff" ]; then
    fail "the registry differs from before the install:"
    sed 's/^/    /' "$work/reg.diff"
fi

echo "Running from the zip"
unpacked="$work/展開 した フォルダー"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
zip_dir="$unpacked/Tessarin-$version-x64"
for f in Tessarin.exe README.txt nkf-LICENSE.txt pcre2-LICENSE.txt; do
    [ -f "$zip_dir/$f" ] || fail "the zip holds no $f"
done
if [ -f "$repo/LICENSE" ] && [ ! -f "$zip_dir/LICENSE.txt" ]; then
    fail "the zip holds no LICENSE.txt"
fi
wine "$check_exe" exe "$(winepath -w "$zip_dir/Tessarin.exe")" "$doc_win" || fail "the unpacked program did not open the file"

if [ $failures -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "Packages: all checks passed"
