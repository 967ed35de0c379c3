#!/usr/bin/env python3
"""Writes a pair of text files for the benchmark, the same on every run.

gen_pair.py LINES EDITS OUT_A OUT_B [OPTIONS]
Lines of about 60 characters; B is A with EDITS scattered edits (changed,
inserted and deleted lines). Options:
  --different          B holds entirely different lines
  --reversed-blocks N  B holds A's blocks of N lines in reverse order
  --words polish       words in Cyrillic and Polish letters (UTF-8)
  --utf16              both files in UTF-16 LE with a byte-order mark
  --distinct N         A is made of N distinct lines only
"""
import random
import sys

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod "
         "tempor incididunt ut labore et dolore magna aliqua").split()
POLISH = ("zażółć gęślą jaźń źdźbło łąka żółw pięść "
          "съешь же ещё этих мягких французских булок да выпей чаю").split()


def option(name, default=None):
    args = sys.argv[5:]
    return args[args.index(name) + 1] if name in args else default


def main():
    n, edits, out_a, out_b = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    words = POLISH if option("--words") == "polish" else WORDS
    distinct = int(option("--distinct", 0))
    blocks = int(option("--reversed-blocks", 0))
    rng = random.Random(n * 7919 + edits)

    def line():
        parts = []
        length = 0
        while length < 52:
            w = rng.choice(words)
            parts.append(w)
            length += len(w) + 1
        return " ".join(parts) + " %d" % rng.randrange(10**7)

    if distinct:
        pool = [line() for _ in range(distinct)]
        a = [rng.choice(pool) for _ in range(n)]
    else:
        a = [line() for _ in range(n)]
    if "--different" in sys.argv[5:]:
        b = ["other " + line() for _ in range(n)]
    elif blocks:
        b = [x for start in reversed(range(0, n, blocks)) for x in a[start:start + blocks]]
    else:
        b = list(a)
        for i in rng.sample(range(n), edits):
            r = rng.random()
            new = rng.choice(pool) if distinct else line()
            if r < 0.4:
                b[i] = new
            elif r < 0.7:
                b[i] = b[i] + "\n" + new
            else:
                b[i] = None
        b = [x for x in b if x is not None]
    utf16 = "--utf16" in sys.argv[5:]
    for path, lines in ((out_a, a), (out_b, b)):
        text = "\n".join(lines) + "\n"
        with open(path, "wb") as f:
            f.write(b"\xff\xfe" + text.encode("utf-16-le") if utf16 else text.encode("utf-8"))


if __name__ == "__main__":
    main()
