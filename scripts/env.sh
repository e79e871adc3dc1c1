# Sourced by the scripts: the build folder, the private Wine prefix and the settings that make
# Wine quick and quiet. BUILD_DIR may be set by the caller.
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$repo/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$repo/$BUILD_DIR ;; esac
export WINEPREFIX=$BUILD_DIR/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Without an X resource file of its own, Wine rereads ~/.Xdefaults for every pixmap it makes.
export XENVIRONMENT=$repo/scripts/Xresources
export LANG=ja_JP.UTF-8

configure_and_build() {
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$repo" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    # CI (which sets CI, e.g. CI=true bash .ci/run) fails on any compiler warning in our code.
    if [ -n "${CI:-}" ]; then
        cmake -B "$BUILD_DIR" -DTESSARIN_WERROR=ON >/dev/null
    fi
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# Creates the private prefix once (about 7 s).
ensure_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
}

# Under Wine with no window manager on the display, every top-level window the program hides
# waits 2 s for a window manager to confirm it (Wine's X11 driver, "wait_for_withdrawn_state ...
# wait timed out"): the window freezes for 2 s after each dialog closes, for instance on every run
# of find in files. Without a window manager Wine draws the same frames whether its windows are
# managed or not, so the program's are marked unmanaged in the prefix; with one, the mark goes.
# Arguments: the programs to mark (file names), Tessarin.exe when none. Needs DISPLAY and the prefix.
set_window_management() {
    local program key
    for program in "${@:-Tessarin.exe}"; do
        key="HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver"
        if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
        else
            wine reg add "$key" /v Managed /d N /f >/dev/null 2>&1 || true
        fi
    done
}

# Starts Xvfb on a free display and sets DISPLAY; xvfb_pid holds its process id.
start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:$n
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

# Starts CUPS when no scheduler answers (cupsd_pid then holds its process id) and makes sure its PDF
# printer "TessarinPDF" exists, as the default destination when there is none. Exports
# TESSARIN_PDF_PRINTER and TESSARIN_PDF_DIR (where the printer writes its files), or
# TESSARIN_PRINTER_ERROR saying what failed.
start_cups() {
    export TESSARIN_PDF_PRINTER=TessarinPDF
    export TESSARIN_PDF_DIR=$HOME/PDF
    unset TESSARIN_PRINTER_ERROR
    if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
        export TESSARIN_PRINTER_ERROR="CUPS is not installed (scripts/setup installs cups and printer-driver-cups-pdf)"
        return 0
    fi
    if ! LC_ALL=C lpstat -r 2>/dev/null | grep -q 'is running'; then
        cupsd -f >/dev/null 2>&1 &
        cupsd_pid=$!
        local _
        for _ in $(seq 1 100); do
            LC_ALL=C lpstat -r 2>/dev/null | grep -q 'is running' && break
            kill -0 "$cupsd_pid" 2>/dev/null || break
            sleep 0.1
        done
        if ! LC_ALL=C lpstat -r 2>/dev/null | grep -q 'is running'; then
            export TESSARIN_PRINTER_ERROR="cupsd did not start (is this user allowed to run it? try: cupsd -f)"
            return 0
        fi
    fi
    local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
    if ! lpstat -p "$TESSARIN_PDF_PRINTER" >/dev/null 2>&1; then
        if [ ! -f "$ppd" ] || ! lpadmin -p "$TESSARIN_PDF_PRINTER" -v cups-pdf:/ -E -P "$ppd" >/dev/null 2>&1; then
            export TESSARIN_PRINTER_ERROR="the PDF printer could not be added (printer-driver-cups-pdf installed? lpadmin as root?)"
            return 0
        fi
    fi
    if ! LC_ALL=C lpstat -d 2>/dev/null | grep -q 'system default destination:'; then
        lpadmin -d "$TESSARIN_PDF_PRINTER" >/dev/null 2>&1 || true
    fi
    mkdir -p "$TESSARIN_PDF_DIR"
}
