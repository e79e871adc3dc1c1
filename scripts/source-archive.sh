# Sourced by scripts/nkf-source and scripts/pcre2-source: a third-party source tarball from
# Debian's source archive, checked against its known checksum, and a tree swapped in by renames.

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# fetch_checked PACKAGE TARBALL SHA256 NAME: downloads PACKAGE's source tarball into TARBALL's
# folder unless it is there, then stops set-up unless it has the checksum.
fetch_checked() {
    local package=$1 tarball=$2 sum=$3 name=$4
    mkdir -p "$(dirname "$tarball")"
    if [ ! -f "$tarball" ]; then
        (cd "$(dirname "$tarball")" && apt-get source --download-only --tar-only "$package" >/dev/null 2>&1 ||
            { sudo_ apt-get update -qq && apt-get source --download-only --tar-only "$package" >/dev/null; })
    fi
    if ! echo "$sum  $tarball" | sha256sum -c --quiet - >/dev/null 2>&1; then
        echo "setup: $tarball does not have $name's checksum; remove it to fetch it again" >&2
        exit 1
    fi
}

# swap_in FRESH DIR: puts the tree FRESH (unpacked beside DIR) in DIR's place by renames, so builds
# that share the tree see the old one or the new one, never a half-written one.
swap_in() {
    local fresh=$1 dir=$2 old=
    chmod 755 "$fresh"
    if [ -e "$dir" ]; then
        old=$(mktemp -d "$dir.old.XXXXXX")
        mv "$dir" "$old/$(basename "$dir")"
    fi
    mv "$fresh" "$dir"
    [ -z "$old" ] || rm -rf "$old"
}
