#!/usr/bin/env python3
"""Reads the text of a PDF whose TrueType fonts carry no character names.

Wine's printer driver names the glyphs of a downloaded TrueType font by number only, so the PDF
that the printer makes from its PostScript has no map back to characters and pdftotext reads
nothing for Japanese text. This reads it the long way: each shown code goes through the embedded
font's own cmap to a glyph number, and that number through the cmap of the font file it came from
(given on the command line) back to its character. Prints each page's rows, top to bottom, with
the pieces of a row left to right joined by a blank; pages are separated by a form feed.

Usage: pdf_glyph_text.py FILE.pdf FONT.ttf
"""
import re
import struct
import sys
import zlib


def lzw_decode(data):
    """The PDF's LZW filter (early change on), which Ghostscript uses for embedded fonts."""
    out = bytearray()
    table = [bytes([i]) for i in range(256)] + [b'', b'']
    width, bits, nbits, previous = 9, 0, 0, None
    for byte in data:
        bits = (bits << 8) | byte
        nbits += 8
        while nbits >= width:
            nbits -= width
            code = (bits >> nbits) & ((1 << width) - 1)
            if code == 256:
                table = table[:258]
                width, previous = 9, None
                continue
            if code == 257:
                return bytes(out)
            if previous is None:
                entry = table[code]
            else:
                entry = table[code] if code < len(table) else previous + previous[:1]
                table.append(previous + entry[:1])
            out += entry
            previous = entry
            if len(table) + 1 >= (1 << width) and width < 12:
                width += 1
    return bytes(out)


def cmap_subtables(font):
    """Yields (platform, encoding, format, offset) of the font's cmap subtables."""
    num_tables = struct.unpack('>H', font[4:6])[0]
    cmap = None
    for i in range(num_tables):
        tag, _, offset, _ = struct.unpack('>4sIII', font[12 + 16 * i:28 + 16 * i])
        if tag == b'cmap':
            cmap = offset
    if cmap is None:
        return
    count = struct.unpack('>H', font[cmap + 2:cmap + 4])[0]
    for i in range(count):
        platform, encoding, offset = struct.unpack('>HHI', font[cmap + 4 + 8 * i:cmap + 12 + 8 * i])
        fmt = struct.unpack('>H', font[cmap + offset:cmap + offset + 2])[0]
        yield platform, encoding, fmt, cmap + offset


def read_cmap(font, at, fmt):
    """The code -> glyph mapping of one subtable (formats 0, 4, 6 and 12)."""
    result = {}
    if fmt == 0:
        for code in range(256):
            result[code] = font[at + 6 + code]
    elif fmt == 4:
        segx2 = struct.unpack('>H', font[at + 6:at + 8])[0]
        ends = at + 14
        starts = ends + segx2 + 2
        deltas = starts + segx2
        ranges = deltas + segx2
        for s in range(segx2 // 2):
            end = struct.unpack('>H', font[ends + 2 * s:ends + 2 * s + 2])[0]
            start = struct.unpack('>H', font[starts + 2 * s:starts + 2 * s + 2])[0]
            delta = struct.unpack('>h', font[deltas + 2 * s:deltas + 2 * s + 2])[0]
            range_offset = struct.unpack('>H', font[ranges + 2 * s:ranges + 2 * s + 2])[0]
            for code in range(start, end + 1):
                if code == 0xFFFF:
                    continue
                if range_offset == 0:
                    glyph = (code + delta) & 0xFFFF
                else:
                    where = ranges + 2 * s + range_offset + 2 * (code - start)
                    glyph = struct.unpack('>H', font[where:where + 2])[0]
                    if glyph:
                        glyph = (glyph + delta) & 0xFFFF
                if glyph:
                    result[code] = glyph
    elif fmt == 6:
        first, count = struct.unpack('>HH', font[at + 6:at + 10])
        for i in range(count):
            result[first + i] = struct.unpack('>H', font[at + 10 + 2 * i:at + 12 + 2 * i])[0]
    elif fmt == 12:
        groups = struct.unpack('>I', font[at + 12:at + 16])[0]
        for g in range(groups):
            start, end, glyph = struct.unpack('>III', font[at + 16 + 12 * g:at + 28 + 12 * g])
            for code in range(start, end + 1):
                result[code] = glyph + code - start
    return result


def glyph_to_char(font):
    """Glyph number -> character from the Unicode subtables of the original font."""
    back = {}
    for platform, encoding, fmt, at in cmap_subtables(font):
        if platform == 3 and encoding in (1, 10) or platform == 0:
            for code, glyph in read_cmap(font, at, fmt).items():
                back.setdefault(glyph, chr(code))
    return back


def code_to_glyph(font):
    """Shown code -> glyph number from the embedded subset's cmap."""
    for platform, encoding, fmt, at in cmap_subtables(font):
        if (platform, encoding) in ((3, 0), (1, 0), (3, 1)):
            table = read_cmap(font, at, fmt)
            return {code & 0xFF if code >= 0xF000 else code: glyph for code, glyph in table.items()}
    return {}


def main():
    pdf = open(sys.argv[1], 'rb').read()
    original = glyph_to_char(open(sys.argv[2], 'rb').read())
    objects = {}
    for m in re.finditer(rb'(\d+) 0 obj(.*?)endobj', pdf, re.S):
        objects[int(m.group(1))] = m.group(2)

    def stream(number):
        body = objects[number]
        head, _, rest = body.partition(b'stream')
        rest = rest.lstrip(b'\r\n')
        length = re.search(rb'/Length (\d+)( 0 R)?', head)
        size = int(length.group(1))
        if length.group(2):
            size = int(objects[size].strip())
        data = rest[:size]
        if b'FlateDecode' in head:
            return zlib.decompress(data)
        if b'LZWDecode' in head:
            return lzw_decode(data)
        return data

    def ref(body, key):
        m = re.search(rb'/' + key + rb'\s*(\d+) 0 R', body)
        return int(m.group(1)) if m else None

    fonts = {}

    def font_map(number):
        if number not in fonts:
            file = ref(objects[ref(objects[number], b'FontDescriptor')], b'FontFile2')
            fonts[number] = code_to_glyph(stream(file)) if file else {}
        return fonts[number]

    root_pages = [n for n, b in objects.items() if re.search(rb'/Type\s*/Pages', b)]
    kids = []
    for n in root_pages:
        m = re.search(rb'/Kids\s*\[(.*?)\]', objects[n], re.S)
        if m and not re.search(rb'/Parent', objects[n]):
            kids = [int(k) for k in re.findall(rb'(\d+) 0 R', m.group(1))]
    out_pages = []
    for page in kids:
        body = objects[page]
        font_dict = re.search(rb'/Font\s*(<<.*?>>|\d+ 0 R)', body, re.S).group(1)
        if font_dict.endswith(b'R'):
            font_dict = objects[int(font_dict.split()[0])]
        names = {name: int(num) for name, num in re.findall(rb'/(\S+?)\s+(\d+) 0 R', font_dict)}
        contents = re.search(rb'/Contents\s*(\[.*?\]|\d+ 0 R)', body, re.S).group(1)
        numbers = [int(n) for n in re.findall(rb'(\d+) 0 R', contents)]
        content = b''.join(stream(n) for n in numbers)
        pieces = []  # (y, x, text)
        current = {}
        x = y = 0.0
        leading = 0.0
        operands = []
        for token in re.finditer(rb'\[(?:[^\]\\]|\\.)*\]|\((?:[^)\\]|\\.)*\)|<[0-9A-Fa-f\s]*>|/[^\s/\[\]()<>]+|[^\s\[\]()<>/]+', content):
            t = token.group(0)
            if t in (b'T*', b"'", b'"'):
                y -= leading
            if t in (b'Tj', b'TJ', b"'", b'"'):
                text = ''
                for s in re.findall(rb'\((?:[^)\\]|\\.)*\)|<[0-9A-Fa-f\s]*>', operands[-1] if operands else b''):
                    if s.startswith(b'<'):
                        codes = bytes.fromhex(s[1:-1].decode())
                    else:
                        codes = re.sub(rb'\\([0-7]{1,3}|.)', lambda m: bytes([int(m.group(1), 8)]) if m.group(1)[:1].isdigit() else {b'n': b'\n', b'r': b'\r', b't': b'\t', b'b': b'\b', b'f': b'\f'}.get(m.group(1), m.group(1)), s[1:-1])
                    for code in codes:
                        glyph = current.get(code)
                        text += original.get(glyph, '\ufffd') if glyph is not None else '\ufffd'
                pieces.append((-y, x, text))
                operands = []
            elif t == b'Tf':
                current = font_map(names[operands[-2][1:]]) if len(operands) >= 2 else {}
                operands = []
            elif t == b'Tm':
                x, y = float(operands[-2]), float(operands[-1])
                operands = []
            elif t in (b'Td', b'TD'):
                x += float(operands[-2])
                y += float(operands[-1])
                if t == b'TD':
                    leading = -float(operands[-1])
                operands = []
            elif t == b'TL':
                leading = float(operands[-1])
                operands = []
            elif re.fullmatch(rb'[A-Za-z*]+', t) and t not in (b'true', b'false', b'null'):
                operands = []
            else:
                operands.append(t)
        rows = []
        for key, x_, text in sorted(pieces):
            if rows and abs(rows[-1][0] - key) < 0.5:
                rows[-1][1].append(text)
            else:
                rows.append((key, [text]))
        out_pages.append('\n'.join(' '.join(parts) for _, parts in rows))
    sys.stdout.write('\f'.join(out_pages))


if __name__ == '__main__':
    main()
