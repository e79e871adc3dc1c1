#!/usr/bin/env python3
"""Random regular-expression cases with their answers from Python's re, a second engine that
shares nothing with the editor's: the unit test RegexRandom reads them back and checks the
editor's matcher against each answer.

    regex_reference.py SEED COUNT OUTFILE

Patterns stay within the subset both engines read alike: literals, classes without negation,
., \\w, \\b, *, +, ?, {m,n} and the lazy forms, alternation, groups, ^ and $ (multiline).
Texts are in Python's form: a line break is "\\n" (the editor's CR LF) and a character beyond
U+FFFF one code point (the editor's surrogate pair); the test maps the offsets.

Each case is written as lines:
    C ignorecase wholeword           flags (0 or 1)
    P hex...                         the pattern's code points
    T hex...                         the text's
    R hex...                         the replacement template, in the editor's syntax
    S hex...                         the text with every match replaced (without whole word)
    M start end start end ...        every match, left to right (without whole word)
    D pos skip start end             the find down from pos (-1 -1: none); skip: an empty
    U pos skip start end             match at pos does not count; U: the find up
    E
"""
import random
import re
import sys

WORD = set('abABéÉжЖ')
TEXT_SYMBOLS = ['a', 'b', 'A', 'B', 'é', 'É', 'ж', 'Ж', ' ', 'あ', '\n', '\U00020BB7', '-']
LITERALS = ['a', 'b', 'A', 'B', 'é', 'ж', 'あ', '\U00020BB7', '-', ' ']
CLASSES = ['[ab]', '[a-c]', '[éж]', '[Aあ]', '[\U00020BB7b]', '[- ]']
QUANTIFIERS = ['', '', '', '*', '+', '?', '{1,2}', '{0,3}', '{2}', '*?', '+?', '??']


class Gen:
    def __init__(self, rng):
        self.rng = rng
        self.groups = 0

    # Each part comes with whether it may be quantified and whether it can match empty. A group
    # that can match empty is never quantified: how often such a group repeats is where the two
    # engines differ by design ("(?:a*|b)+" stops after an empty pass in one and not the other).
    def atom(self, depth):
        r = self.rng.random()
        if depth < 2 and r < 0.15:
            inner, nullable = self.alt(depth + 1)
            if self.rng.random() < 0.7:
                self.groups += 1
                return '(' + inner + ')', not nullable, nullable
            return '(?:' + inner + ')', not nullable, nullable
        if r < 0.25:
            return self.rng.choice(['^', '$', '\\b']), False, True
        if r < 0.35:
            return '.', True, False
        if r < 0.45:
            return self.rng.choice(CLASSES), True, False
        if r < 0.5:
            return '\\w', True, False
        return self.rng.choice(LITERALS), True, False

    def seq(self, depth):
        out = ''
        nullable = True
        for _ in range(self.rng.randint(1, 3)):
            text, quantifiable, part_nullable = self.atom(depth)
            if quantifiable:
                q = self.rng.choice(QUANTIFIERS)
                text += q
                part_nullable = part_nullable or q[:1] in ('*', '?') or q.startswith('{0')
            out += text
            nullable = nullable and part_nullable
        return out, nullable

    def alt(self, depth):
        branches = [self.seq(depth)]
        if self.rng.random() < 0.25:
            branches.append(self.seq(depth))
        return '|'.join(b[0] for b in branches), any(b[1] for b in branches)


def template(rng, groups):
    """The replacement in the editor's syntax, and a function giving Python's expansion."""
    pieces = []
    for _ in range(rng.randint(0, 4)):
        kind = rng.randrange(6)
        if kind == 0:
            n = rng.randint(0, groups)
            pieces.append(('$%d' % n, n))
        elif kind == 1:
            n = rng.randint(0, groups)
            pieces.append(('${%d}' % n, n))
        elif kind == 2:
            pieces.append(rng.choice([('$$', '$'), ('\\n', '\n'), ('\\t', '\t'), ('\\\\', '\\')]))
        else:
            c = rng.choice(['x', 'Y', 'あ', '$', '\\'])
            # A lone "$" or "\" stays as it is, unless what follows makes it a reference or escape.
            pieces.append((c, c))
    written = ''
    for i, (w, _) in enumerate(pieces):
        written += w
    # Drop ambiguous joins ("$" then "1", "\" then "n") by re-reading what was written.
    expand = []
    i = 0
    while i < len(written):
        c = written[i]
        nxt = written[i + 1] if i + 1 < len(written) else ''
        if c == '\\' and nxt in ('n', 't', '\\'):
            expand.append({'n': '\r\n', 't': '\t', '\\': '\\'}[nxt].replace('\r\n', '\n'))
            i += 2
        elif c == '$' and nxt == '$':
            expand.append('$')
            i += 2
        elif c == '$' and nxt.isdigit():
            j = i + 1
            while j < len(written) and written[j].isdigit():
                j += 1
            n = int(written[i + 1:j])
            if n > groups:
                return None, None
            expand.append(n)
            i = j
        elif c == '$' and nxt == '{' and '}' in written[i + 2:]:
            j = written.index('}', i + 2)
            name = written[i + 2:j]
            if name.isdigit() and int(name) <= groups:
                expand.append(int(name))
                i = j + 1
            else:
                return None, None
        else:
            expand.append(c)
            i += 1

    def apply(m):
        return ''.join(m.group(p) or '' if isinstance(p, int) else p for p in expand)
    return written, apply


def hexes(s):
    return ' '.join('%x' % ord(c) for c in s)


def main():
    seed, count, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    out = []
    written = 0
    while written < count:
        gen = Gen(rng)
        pattern = gen.alt(0)[0]
        flags = re.MULTILINE
        ignorecase = rng.random() < 0.5
        if ignorecase:
            flags |= re.IGNORECASE
        try:
            rx = re.compile(pattern, flags)
        except re.error:
            continue
        wholeword = rng.random() < 0.25
        symbols = rng.sample(TEXT_SYMBOLS, rng.randint(2, 5))
        text = ''.join(rng.choice(symbols) for _ in range(rng.randint(0, 20)))
        repl, apply = template(rng, gen.groups)
        if repl is None:
            continue
        out.append('C %d %d' % (ignorecase, wholeword))
        out.append('P ' + hexes(pattern))
        out.append('T ' + hexes(text))
        out.append('R ' + hexes(repl))
        if not wholeword:
            out.append('S ' + hexes(rx.sub(apply, text)))
            out.append('M ' + ' '.join('%d %d' % m.span() for m in rx.finditer(text)))

        def whole(m):
            s, e = m.span()
            return (s == 0 or text[s - 1] not in WORD) and (e == len(text) or text[e] not in WORD)

        for _ in range(3):
            pos = rng.randint(0, len(text))
            skip = rng.randint(0, 1)
            # Down: the first start at or after pos where a match is taken (an empty one at pos
            # is refused with skip, and the engine then prefers a longer one there).
            found = None
            if not wholeword:
                it = rx.finditer(text, pos)
                m = next(it, None)
                if m and skip and m.span() == (pos, pos):
                    m = next(it, None)
                found = m
            elif not skip:
                for s in range(pos, len(text) + 1):
                    m = rx.match(text, s)
                    if m and whole(m):
                        found = m
                        break
            else:
                continue
            span = found.span() if found else (-1, -1)
            out.append('D %d %d %d %d' % (pos, skip, span[0], span[1]))
            # Up: of the matches at each start from pos down, the first that ends by pos.
            found = None
            for s in range(pos, -1, -1):
                m = rx.match(text, s)
                if not m or m.end() > pos or (skip and m.span() == (pos, pos)):
                    continue
                if wholeword and not whole(m):
                    continue
                found = m
                break
            span = found.span() if found else (-1, -1)
            out.append('U %d %d %d %d' % (pos, skip, span[0], span[1]))
        out.append('E')
        written += 1
    with open(path, 'w', encoding='ascii') as f:
        f.write('\n'.join(out) + '\n')


main()
