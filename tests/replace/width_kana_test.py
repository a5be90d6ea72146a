#!/usr/bin/env python3
"""$w $n $h $k against Unicode's own data, in UTF-8, Shift_JIS and EUC-JP.

The twins come from NFKC (full-width ASCII and the ideographic space narrow
under it, half-width katakana widen, a letter with its mark composes) and
the kana pairs from the character names (HIRAGANA LETTER KA, KATAKANA
LETTER KA). Every character of each encoding (UTF-8: the whole BMP) and
every half-width letter with each mark is one line, converted by quorl and
compared, as text, with what the data says; a twin the encoding cannot
hold leaves the character as it is. usage: width_kana_test.py <quorl>
"""
import subprocess, sys, unicodedata as ud

nfkc = lambda s: ud.normalize('NFKC', s)
HALF = [chr(c) for c in range(0xFF61, 0xFFA0)]
SPACING = {'\u3099': '\u309b', '\u309a': '\u309c'}  # no legacy encoding has the combining marks
wide = {' ': '\u3000', **{nfkc(chr(c)): chr(c) for c in range(0xFF01, 0xFF5F)}}
wide.update({h: SPACING.get(nfkc(h), nfkc(h)) for h in HALF})
joins = {h + m: nfkc(h + m) for h in HALF[:-2] for m in HALF[-2:] if len(nfkc(h + m)) == 1}
narrow = {v: k for k, v in [*wide.items(), *joins.items()]} | {'\u3099': '\uff9e', '\u309a': '\uff9f'}
names = {ud.name(chr(c), ''): chr(c) for c in range(0x30A0, 0x3100)}
kata = {chr(c): names[n] for c in range(0x3041, 0x30A0)
        if (n := ud.name(chr(c), '').replace('HIRAGANA', 'KATAKANA')) in names}
hira = {v: k for k, v in kata.items()}


def fits(s, enc):
    try:
        return s.encode(enc) is not None
    except UnicodeEncodeError:
        return False


def convert(op, s, enc):
    if len(s) == 2:  # a half-width letter and a mark: joined where the encoding can
        if op not in 'wh' or s not in joins or not fits(joins[s], enc):
            return ''.join(convert(op, c, enc) for c in s)
        c = joins[s]
        t = c if op == 'w' else hira.get(c)
    elif op == 'h':
        c = wide[s] if s in HALF else s
        t = hira.get(c)
    else:
        c, t = s, {'w': wide, 'n': narrow, 'k': kata}[op].get(s)
    return t if t and fits(t, enc) else c


def characters(enc):
    """Every character of enc as its bytes, each code of one that has two."""
    if enc == 'utf-8':
        return [chr(c).encode() for c in range(0x20, 0x10000) if c != 0x7F and not 0xD800 <= c < 0xE000]
    heads = [bytes([b]) for b in range(0x20, 0x7F)] + [bytes([b]) for b in range(0x80, 0x100)]
    seqs = [h + bytes([t]) for h in heads[95:] for t in range(0x40, 0x100)]
    seqs += [b'\x8f' + bytes([a, b]) for a in range(0xA1, 0xFF) for b in range(0xA1, 0xFF)]
    out = []
    for s in heads + seqs:
        try:
            if len(s.decode(enc)) == 1:
                out.append(s)
        except UnicodeDecodeError:
            pass
    return out


failures = 0
for enc, name in [('utf-8', 'utf-8'), ('cp932', 'sjis'), ('euc_jp', 'euc-jp')]:
    pairs = [h + m for h in HALF[:-2] for m in HALF[-2:]]
    codes = characters(enc) + [p.encode(enc) for p in pairs]
    lines = [c.decode(enc) for c in codes]
    data = b''.join(c + b'\n' for c in codes)
    for op in 'wnhk':
        got = subprocess.run([sys.argv[1], '--encoding=' + name, '-r', '$$:$' + op], input=data,
                             capture_output=True, check=True).stdout.decode(enc).split('\n')[:-1]
        bad = [(s, g) for s, g in zip(lines, got) if g != convert(op, s, enc)]
        if len(got) != len(lines) or bad:
            failures += 1
            print(f'FAIL {name} ${op}: {len(got)} lines for {len(lines)};',
                  ', '.join(f'{s!r} -> {g!r}, not {convert(op, s, enc)!r}' for s, g in bad[:8]))
print(f'{failures} failure(s)' if failures else 'all conversions agree with Unicode')
sys.exit(1 if failures else 0)
