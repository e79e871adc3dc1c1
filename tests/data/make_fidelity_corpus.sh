#!/usr/bin/env bash
# Writes the small files under fidelity/ that the open-and-save fidelity test reads: the troubles
# real Japanese files bring (NULs, mixed line breaks, invalid sequences, characters beyond the
# editor's encodings, escape sequences the converter rewrites, CP932's duplicate codes, BOM-less
# UTF-16 and UTF-32) beside files that must come back byte for byte. iconv writes the encoded text,
# printf the bytes no encoder would.
set -euo pipefail
cd "$(dirname "$0")"
out=fidelity
rm -rf "$out" && mkdir -p "$out"

ja='日本語のテキスト、ひらがな・カタカナ。'
crlf() { sed 's/$/\r/'; }
lines() { printf '%s\n' "$ja" "二行目 second line" "三行目"; }

# Files that come back identical.
lines | crlf | iconv -f UTF-8 -t CP932 >"$out/sjis-plain.txt"
printf '%s\r\n' "半角ｶﾀｶﾅと漢字" "①㈱纊" | iconv -f UTF-8 -t CP932 >"$out/sjis-cp932-ext.txt"
printf '%s\n' "絵文字 😀 と 𩸽" "$ja" >"$out/utf8-emoji.txt"
printf '%s\n' "絵文字 😀 と 𩸽" | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$out/utf16le-bom-emoji.txt"

# Unicode without a mark, in both byte orders.
lines | iconv -f UTF-8 -t UTF-16LE >"$out/utf16le-nobom.txt"
lines | iconv -f UTF-8 -t UTF-16BE >"$out/utf16be-nobom.txt"
lines | iconv -f UTF-8 -t UTF-32LE >"$out/utf32le-nobom.txt"
lines | iconv -f UTF-8 -t UTF-32BE >"$out/utf32be-nobom.txt"

# JIS X 0212 (丂 is 8F B0 A1) in EUC-JP.
printf '%s\n' "$ja" "補助漢字 丂 と 乚" | iconv -f UTF-8 -t EUC-JP >"$out/eucjp-jisx0212.txt"

# JIS X 0213 characters (ㇰ, 𩸽, 俱) in its three encodings.
x0213='ほっけは𩸽、小さいクはㇰ、俱'
printf '%s\n' "$ja" "$x0213" | iconv -f UTF-8 -t SHIFT_JISX0213 >"$out/sjis-jisx0213.txt"
printf '%s\n' "$ja" "$x0213" | iconv -f UTF-8 -t EUC-JISX0213 >"$out/eucjp-jisx0213.txt"
printf '%s\n' "$ja" "$x0213" | iconv -f UTF-8 -t ISO-2022-JP-3 >"$out/iso2022jp-jisx0213.txt"

# Mixed line breaks: the first break found is the one a save writes.
{ printf '%s\r\n' "$ja"; printf '%s\n' "二行目"; printf '%s\r' "三行目"; } >"$out/utf8-mixed-breaks.txt"
{ printf '%s\n' "$ja"; printf '%s\r\n' "二行目"; } | iconv -f UTF-8 -t CP932 >"$out/sjis-mixed-breaks.txt"
{ printf '%s\r\n' "$ja"; printf '%s\n' "二行目"; } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } \
    >"$out/utf16le-bom-mixed-breaks.txt"

# NULs.
{ printf '%s\n' "$ja"; printf 'before\0after\n'; } >"$out/utf8-nul.txt"
{ printf '%s\r\n' "$ja" | iconv -f UTF-8 -t CP932; printf 'x\0y\r\n'; } >"$out/sjis-nul.txt"

# Invalid sequences: a cut UTF-8 character, a Shift_JIS lead byte without its trail, a stray
# byte in ISO-2022-JP.
{ printf '%s\n' "$ja"; printf 'bad \xe3\x81 end\n'; } >"$out/utf8-invalid.txt"
{ printf '%s\r\n' "$ja" | iconv -f UTF-8 -t CP932; printf 'bad \x82\r\n'; } >"$out/sjis-invalid.txt"
{ printf '%s\n' "$ja" | iconv -f UTF-8 -t ISO-2022-JP; printf 'bad \xa4 end\n'; } >"$out/iso2022jp-invalid.txt"

# Escape sequences that the converter writes back in their standard form.
{ printf '%s\n' "$ja" | iconv -f UTF-8 -t ISO-2022-JP; printf '\x1b$B$"\x1b(Jabc\n'; } >"$out/iso2022jp-esc-j.txt"
{ printf '%s\n' "$ja" | iconv -f UTF-8 -t ISO-2022-JP; printf 'kana \x1bN1 end\n'; } >"$out/iso2022jp-esc-n.txt"
{ printf '%s\n' "$ja" | iconv -f UTF-8 -t ISO-2022-JP; printf '\x1b$@$"\x1b(Babc\n'; } >"$out/iso2022jp-esc-at.txt"

# Shift_JIS codes that come back as others: NEC gaiji (user area F040), the NEC-selected IBM
# extension ED40 (纊, written as FA5C) and NEC row 13's copy of ≒ (8790, written as 81E0).
{ printf '%s\r\n' "$ja" | iconv -f UTF-8 -t CP932; printf 'gaiji \xf0\x40\r\n'; } >"$out/sjis-nec-gaiji.txt"
{ printf '%s\r\n' "$ja" | iconv -f UTF-8 -t CP932; printf 'ibm \xed\x40\r\n'; } >"$out/sjis-cp932-dup-ibm.txt"
{ printf '%s\r\n' "$ja" | iconv -f UTF-8 -t CP932; printf 'nec \x87\x90\r\n'; } >"$out/sjis-cp932-dup-nec.txt"
