#!/usr/bin/env bash
# Tests the run script's window management setting on the display the tests run on, which has no
# window manager: the program's windows are marked unmanaged in the prefix (else each closed dialog
# freezes its window for 2 s), and the mark goes again when a window manager is running.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/env.sh"
key='HKCU\Software\Wine\AppDefaults\Tessarin.exe\X11 Driver'
managed() { wine reg query "$key" /v Managed 2>/dev/null | tr -d '\r' | awk '$1 == "Managed" { print $3 }'; }
[ -n "${DISPLAY:-}" ] || { echo "SKIP: no DISPLAY"; exit 0; }
if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "SKIP: the display has a window manager"
    exit 0
fi
before=$(managed || true)
restore() {
    if [ -n "$before" ]; then wine reg add "$key" /v Managed /d "$before" /f >/dev/null 2>&1; else wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true; fi
}
trap restore EXIT
wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
set_window_management
got=$(managed || true)
if [ "$got" != N ]; then
    echo "FAIL: without a window manager Managed is '$got', not N" >&2
    exit 1
fi
echo "ok: Managed=N without a window manager"
