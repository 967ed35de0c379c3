#!/usr/bin/env python3
"""Writes a pair of text files for the benchmark.

gen_pair.py LINES EDITS OUT_A OUT_B [--different]
Lines of about 60 characters; B is A with EDITS scattered edits (changed,
inserted and deleted lines), or entirely different lines with --different.
"""
import random
import sys

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod "
         "tempor incididunt ut labore et dolore magna aliqua").split()


def line(rng):
    words = []
    length = 0
    while length < 52:
        w = rng.choice(WORDS)
        words.append(w)
        length += len(w) + 1
    return " ".join(words) + " %d" % rng.randrange(10**7)


def main():
    n, edits, out_a, out_b = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    different = "--different" in sys.argv[5:]
    rng = random.Random(n * 7919 + edits)
    a = [line(rng) for _ in range(n)]
    if different:
        b = ["other " + line(rng) for _ in range(n)]
    else:
        b = list(a)
        for i in rng.sample(range(n), edits):
            r = rng.random()
            if r < 0.4:
                b[i] = line(rng)
            elif r < 0.7:
                b[i] = b[i] + "\n" + line(rng)
            else:
                b[i] = None
        b = [x for x in b if x is not None]
    with open(out_a, "w") as f:
        f.write("\n".join(a) + "\n")
    with open(out_b, "w") as f:
        f.write("\n".join(b) + "\n")


if __name__ == "__main__":
    main()
