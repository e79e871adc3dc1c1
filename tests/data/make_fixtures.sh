#!/usr/bin/env bash
# Writes the round-trip fixtures under roundtrip/ with iconv, an encoder independent of the
# editor's converter: each of the 13 encodings (file names use the encoding's list position) with
# CR LF, LF and CR line breaks (0, 1, 2). Shift_JIS uses the CP932 table and EUC-JP its
# eucJP-ms variant so the NEC extensions are written (its IBM extensions differ from nkf's and are
# tested apart); ISO-2022-JP holds JIS X 0208 only.
set -euo pipefail
cd "$(dirname "$0")"
out=roundtrip
rm -rf "$out" && mkdir -p "$out"

breaks() { # $1: 0 CR LF, 1 LF, 2 CR
    case $1 in 0) sed 's/$/\r/' ;; 1) cat ;; 2) tr '\n' '\r' ;; esac
}
unicode_text() { cat text-full.txt text-unicode-extra.txt; }

for le in 0 1 2; do
    breaks $le <text-full.txt | iconv -f UTF-8 -t CP932 >"$out/0-$le.txt"
    breaks $le <text-euc.txt | iconv -f UTF-8 -t EUC-JP-MS >"$out/1-$le.txt"
    breaks $le <text-jis.txt | iconv -f UTF-8 -t ISO-2022-JP >"$out/2-$le.txt"
    { printf '\xef\xbb\xbf'; unicode_text | breaks $le; } >"$out/3-$le.txt"
    unicode_text | breaks $le >"$out/4-$le.txt"
    { printf '\xfe\xff'; unicode_text | breaks $le | iconv -f UTF-8 -t UTF-16BE; } >"$out/5-$le.txt"
    { printf '\xff\xfe'; unicode_text | breaks $le | iconv -f UTF-8 -t UTF-16LE; } >"$out/6-$le.txt"
    unicode_text | breaks $le | iconv -f UTF-8 -t UTF-16BE >"$out/7-$le.txt"
    unicode_text | breaks $le | iconv -f UTF-8 -t UTF-16LE >"$out/8-$le.txt"
    { printf '\x00\x00\xfe\xff'; unicode_text | breaks $le | iconv -f UTF-8 -t UTF-32BE; } >"$out/9-$le.txt"
    { printf '\xff\xfe\x00\x00'; unicode_text | breaks $le | iconv -f UTF-8 -t UTF-32LE; } >"$out/10-$le.txt"
    unicode_text | breaks $le | iconv -f UTF-8 -t UTF-32BE >"$out/11-$le.txt"
    unicode_text | breaks $le | iconv -f UTF-8 -t UTF-32LE >"$out/12-$le.txt"
done
