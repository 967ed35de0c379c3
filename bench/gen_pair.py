#!/usr/bin/env python3
"""Writes a pair of text files for the benchmark; the same seed gives the
same pair.

gen_pair.py LINES EDITS OUT_A OUT_B [OPTIONS]
B is A with EDITS scattered edits (changed, inserted and deleted lines).
Options:
  --seed N             the random seed (default 1)
  --shape S            the lines: words (words with blanks), chars (random
                       printable characters), code (indented code-like lines
                       with punctuation, some indented with tabs), cyrpl
                       (words in Cyrillic and Polish letters, mixed case)
  --different          B holds entirely different lines (none equal to a
                       line of A but for case and blanks)
  --reversed-blocks N  B holds A's blocks of N lines in reverse order
  --distinct N         A is drawn from N short lines only (N <= 6); the edits
                       bring new lines of the shape
  --case-blanks        B is A with the letter case and the blanks of every
                       line changed (equal for a comparison that ignores both)
  --long N             A is LINES lines of N characters each; B is A with
                       one character changed (EDITS is not used)
  --utf16              both files in UTF-16 LE with a byte-order mark
  --crlf               lines end in CR LF
"""
import itertools
import random
import string
import sys

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod "
         "tempor incididunt ut labore et dolore magna aliqua").split()
CYRPL = ("zażółć gęślą jaźń źdźbło łąka żółw pięść Łódź Świnoujście Gdańsk "
         "съешь же ещё этих мягких французских булок да выпей чаю Москва Жёлтый ЩУКА").split()
CHARS = string.ascii_letters + string.digits + "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~" + "    "
KEYWORDS = "if while for return int auto const static void struct else switch case break".split()
SHORT = {
    "code": ["}", "{", "  return 0;", "    break;", "  } else {", "#endif"],
    "words": ["lorem", "ipsum dolor", "sit amet", "elit", "do", "magna aliqua"],
    "chars": ["}", "{;", "a1", "%%", "x = y", "--"],
    "cyrpl": ["да", "łąka", "Жёлтый чай", "ąę", "}", "ЩУКА"],
}


def option(name, default=None):
    args = sys.argv[5:]
    return args[args.index(name) + 1] if name in args else default


def flag(name):
    return name in sys.argv[5:]


def make_lines(rng, shape, n):
    """n lines of about 60 characters in the given shape, made in bulk."""
    if n == 0:
        return []
    if shape in ("words", "cyrpl"):
        pool = WORDS if shape == "words" else CYRPL
        counts = rng.choices(range(5, 13), k=n)
        words = rng.choices(pool, k=sum(counts))
        ends = list(itertools.accumulate(counts))
        return [" ".join(words[e - c:e]) for c, e in zip(counts, ends)]
    if shape == "chars":
        lengths = rng.choices(range(20, 101), k=n)
        table = bytes(ord(CHARS[b % len(CHARS)]) for b in range(256))
        total = sum(lengths)
        # randbytes takes at most 2**31 bits at once: a large file's bytes
        # come in pieces (smaller files keep the bytes they always had).
        piece = 1 << 27
        raw = rng.randbytes(total) if total <= piece else b"".join(
            rng.randbytes(min(piece, total - at)) for at in range(0, total, piece))
        blob = raw.translate(table).decode("ascii")
        ends = list(itertools.accumulate(lengths))
        return [blob[e - l:e] for l, e in zip(lengths, ends)]
    if shape == "code":
        names = ["".join(rng.choices(string.ascii_letters, k=rng.randrange(3, 12))) for _ in range(4096)]
        forms = [
            "{a} = {b}({c}, {n});",
            "if ({a} != {b}) {{",
            "{k} ({a} < {n}; ++{b}) {{",
            "return {a}->{b}[{n}] + {c};",
            "// {a} {b} {c} {n}",
            "const auto {a} = std::{b}<{c}>({n});",
            "}} else if ({a} == {n}) {{ {b}(); }}",
            "{a}.{b}({c}, \"{n}\");",
        ]
        out = []
        ch = rng.choice
        for _ in range(n):
            depth = rng.randrange(0, 5)
            indent = "\t" * depth if rng.random() < 0.3 else "    " * depth
            out.append(indent + ch(forms).format(a=ch(names), b=ch(names), c=ch(names), k=ch(KEYWORDS),
                                                n=rng.randrange(100000)))
        return out
    raise SystemExit("unknown shape " + shape)


def vary_case_and_blanks(rng, line):
    """The same line for a comparison that ignores case and blanks."""
    r = rng.random()
    line = line.upper() if r < 0.4 else line.swapcase() if r < 0.8 else line.title()
    r = rng.random()
    if r < 0.3:
        return line.replace(" ", "  ")
    if r < 0.6:
        return " " + line.replace(" ", "\t") + " "
    if r < 0.8:
        return line.replace(" ", "")
    return "\t" + line


def main():
    n, edits, out_a, out_b = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    shape = option("--shape", "words")
    rng = random.Random(int(option("--seed", 1)) * 1000003 + n * 7919 + edits)
    distinct = int(option("--distinct", 0))
    blocks = int(option("--reversed-blocks", 0))
    long_line = int(option("--long", 0))

    if long_line:
        a = []
        for _ in range(n):
            chunks, size = [], 0
            while size < long_line:
                chunk = " ".join(make_lines(rng, shape, 20000))
                chunks.append(chunk)
                size += len(chunk) + 1
            a.append(" ".join(chunks)[:long_line])
        b = list(a)
        line = b[-1]
        at = rng.randrange(len(line) // 4, len(line) * 3 // 4)
        while not line[at].isalnum():
            at += 1
        b[-1] = line[:at] + ("0" if line[at] != "0" else "1") + line[at + 1:]
    else:
        if distinct:
            pool = SHORT[shape][:distinct]
            a = rng.choices(pool, k=n)
        else:
            a = make_lines(rng, shape, n)
        if flag("--different"):
            # Short lines of a shape can repeat by chance: a line of B that
            # equals one of A (case and blanks aside) is lengthened until it
            # does not, so that the files have no line in common.
            def key(line):
                return "".join(line.split()).lower()
            seen = {key(x) for x in a}
            b = make_lines(rng, shape, n)
            for i, x in enumerate(b):
                while key(x) in seen:
                    x += " " + make_lines(rng, shape, 1)[0]
                b[i] = x
        elif blocks:
            b = [x for start in reversed(range(0, n, blocks)) for x in a[start:start + blocks]]
        elif flag("--case-blanks"):
            b = [vary_case_and_blanks(rng, x) for x in a]
        else:
            b = list(a)
            new = iter(make_lines(rng, shape, edits))
            for i in rng.sample(range(n), edits):
                r = rng.random()
                if r < 0.4:
                    b[i] = next(new)
                elif r < 0.7:
                    b[i] = b[i] + "\n" + next(new)
                else:
                    b[i] = None
            b = [x for x in b if x is not None]
    utf16 = flag("--utf16")
    for path, lines in ((out_a, a), (out_b, b)):
        text = "\n".join(lines) + "\n"
        if flag("--crlf"):
            text = text.replace("\n", "\r\n")
        with open(path, "wb") as f:
            f.write(b"\xff\xfe" + text.encode("utf-16-le") if utf16 else text.encode("utf-8"))


if __name__ == "__main__":
    main()
