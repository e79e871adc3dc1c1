#!/usr/bin/env python3
# Writes res/hand.cur: the 32 x 32 monochrome pointing-hand cursor of the About box's link, hot spot
# at the tip of the raised finger. Outline black, inside white, the rest transparent.
import struct
import sys

ART = """
.....##.........
....#..#........
....#..#........
....#..#........
....#..#........
....#..###......
....#..#..###...
....#..#..#..##.
.##.#..#..#..#.#
#..##..#..#..#.#
#...#..........#
.#.............#
..#............#
..#............#
...#..........#.
...#..........#.
....#........#..
....#........#..
....##########..
""".split()
SIZE = 32
HOTSPOT = (5, 0)

black = [[False] * SIZE for _ in range(SIZE)]
for y, row in enumerate(ART):
    for x, c in enumerate(row):
        black[y][x] = c == "#"

# Everything a 4-connected walk from the border reaches without crossing the outline is outside.
outside = [[False] * SIZE for _ in range(SIZE)]
todo = [(x, y) for x in range(SIZE) for y in (0, SIZE - 1)] + [(x, y) for y in range(SIZE) for x in (0, SIZE - 1)]
while todo:
    x, y = todo.pop()
    if 0 <= x < SIZE and 0 <= y < SIZE and not outside[y][x] and not black[y][x]:
        outside[y][x] = True
        todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]


def rows(bit):
    out = b""
    for y in reversed(range(SIZE)):  # bottom-up, as a DIB stores them
        value = 0
        for x in range(SIZE):
            if bit(x, y):
                value |= 1 << (SIZE - 1 - x)
        out += struct.pack(">I", value)
    return out


xor_mask = rows(lambda x, y: not black[y][x] and not outside[y][x])  # white inside
and_mask = rows(lambda x, y: outside[y][x])  # transparent outside
header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor_mask) + len(and_mask), 0, 0, 2, 0)
palette = struct.pack("<II", 0x000000, 0xFFFFFF)
image = header + palette + xor_mask + and_mask
directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOTSPOT[0], HOTSPOT[1],
                                                       len(image), 6 + 16)
with open(sys.argv[1] if len(sys.argv) > 1 else "hand.cur", "wb") as f:
    f.write(directory + image)
