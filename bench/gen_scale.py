#!/usr/bin/env python3
"""Seeded inputs for the scale benchmarks (bench/scale.sh). Python 3 standard library only.

  gen_scale.py codes OUT [--mb 4] [--seed S]
      Long lists with shared prefixes and the code texts they meet:
        lists/prefix-N.csv  ITEM-00000,PRODUCT-00000 ... for N = 1000, 10000, 100000 (list order)
        lists/nested-N.csv  ITEM-0 ... ITEM-<N-1> unpadded, shuffled: rows that are prefixes
                            of each other, either first
        lists/random-N.csv  random letters and digits, 6 to 12 bytes, for comparison
        text/blanks.txt     padded codes of 0..99999 drawn at random, separated by blanks and
                            line ends (a chunk per code)
        text/joined.txt     the same codes with nothing between them (one chunk)
        text/nested-blanks.txt, text/nested-joined.txt   unpadded codes, likewise
        expect/LIST--TEXT   the result of each list on each text of its kind, worked out
                            from the codes: every code occurs whole, the codes form nothing
                            when replaced, so each code becomes the replacement of the
                            first row in list order that matches its start
  gen_scale.py dense OUT [--size-mb 64] [--seed S]
      A second corpus beside gen_corpus.py's: ASCII words with some Japanese, and lists of
      3-letter search strings (lists/dense-N-ENC.csv, N = 10, 100, 1000), the 1000-row one
      occurring about every 20 bytes; text/utf8 and text/sjis hold the same text.
"""

import argparse
import json
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_corpus  # noqa: E402  (the vocabulary, the CSV writer)

CODE_LISTS = (1000, 10000, 100000)
DENSE_ROWS = (10, 100, 1000)
LETTERS = "abcdefghijklmnopqrstuvwxyz"
# Letter weights close to English prose, so that some trigrams are common.
LETTER_WEIGHTS = [8.2, 1.5, 2.8, 4.3, 12.7, 2.2, 2.0, 6.1, 7.0, 0.2, 0.8, 4.0, 2.4, 6.7, 7.5, 1.9, 0.1, 6.0,
                  6.3, 9.1, 2.8, 1.0, 2.4, 0.2, 2.0, 0.1]


def code_texts(rng, size, padded):
    """Blank-separated and joined texts of the same random codes."""
    codes = []
    total = 0
    while total < size:
        k = rng.randrange(100000)
        c = "ITEM-%05d" % k if padded else "ITEM-%d" % k
        codes.append(c)
        total += len(c) + 1
    blanks = []
    for i, c in enumerate(codes):
        blanks.append(c)
        blanks.append("\n" if i % 10 == 9 else " ")
    return "".join(blanks), "".join(codes) + "\n"


def expected(text, rows):
    """Each code replaced by the first row (in list order) whose search string starts it."""
    first = {}
    for i, (find, _) in enumerate(rows):
        first.setdefault(find, i)
    out = []
    pos = 0
    while True:
        at = text.find("ITEM-", pos)
        if at < 0:
            out.append(text[pos:])
            return "".join(out)
        out.append(text[pos:at])
        end = at + 5
        while end < len(text) and text[end].isdigit():
            end += 1
        best = None
        for k in range(at + 6, end + 1):
            i = first.get(text[at:k])
            if i is not None and (best is None or i < best[0]):
                best = (i, k)
        if best is None:
            out.append(text[at:end])
        else:
            out.append(rows[best[0]][1] + text[best[1]:end])
        pos = end


def codes(args):
    rng = random.Random(args.seed)
    root = args.out
    for sub in ("lists", "text", "expect"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    size = int(args.mb * 1024 * 1024)
    texts = {}
    texts["blanks"], texts["joined"] = code_texts(rng, size, True)
    texts["nested-blanks"], texts["nested-joined"] = code_texts(rng, size, False)
    for name, text in texts.items():
        with open(os.path.join(root, "text", name + ".txt"), "w", encoding="ascii", newline="") as f:
            f.write(text)
    alnum = LETTERS + LETTERS.upper() + "0123456789"
    for n in CODE_LISTS:
        prefix = [("ITEM-%05d" % k, "PRODUCT-%05d" % k) for k in range(n)]
        nested = [("ITEM-%d" % k, "PRODUCT-%d" % k) for k in range(n)]
        rng.shuffle(nested)
        seen = set()
        randoms = []
        while len(randoms) < n:
            f = "".join(rng.choice(alnum) for _ in range(rng.randint(6, 12)))
            if f not in seen:
                seen.add(f)
                randoms.append((f, "".join(rng.choice(alnum) for _ in range(rng.randint(6, 12)))))
        for name, rows in (("prefix", prefix), ("nested", nested), ("random", randoms)):
            gen_corpus.write_csv(os.path.join(root, "lists", "%s-%d.csv" % (name, n)), rows, "ascii")
        for name, rows, kinds in (("prefix", prefix, ("blanks", "joined")),
                                  ("nested", nested, ("nested-blanks", "nested-joined"))):
            for kind in kinds:
                with open(os.path.join(root, "expect", "%s-%d--%s.txt" % (name, n, kind)), "w", encoding="ascii",
                          newline="") as f:
                    f.write(expected(texts[kind], rows))
    print(json.dumps({"seed": args.seed, "mb": args.mb, "texts": {k: len(v) for k, v in texts.items()}}))


def dense_word(rng):
    return "".join(rng.choices(LETTERS, LETTER_WEIGHTS, k=rng.randint(3, 10)))


def dense(args):
    rng = random.Random(args.seed)
    root = args.out
    _, ja_words = gen_corpus.make_vocabulary(rng)
    words = list({dense_word(rng) for _ in range(6000)})
    words.sort()
    rng.shuffle(words)
    punct = [" ", " ", " ", " ", ", ", ". ", "_", "(", ") ", " = ", ": ", "/"]

    def line():
        parts = []
        for _ in range(rng.randint(6, 16)):
            if rng.random() < 0.12:
                parts.append(rng.choice(ja_words) + rng.choice(gen_corpus.PARTICLES))
            else:
                w = rng.choice(words)
                parts.append((w.capitalize() if rng.random() < 0.1 else w) + rng.choice(punct))
        return "".join(parts)

    pool = [line() for _ in range(20000)]
    pool_bytes = sum(len(l.encode("utf-8")) + 1 for l in pool) / len(pool)
    total = int(args.size_mb * 1024 * 1024)
    nfiles = 64
    for i in range(nfiles):
        rel = "d%02d/f%03d.txt" % (i % 8, i)
        text = "\n".join(rng.choices(pool, k=int(total / nfiles / pool_bytes))) + "\n"
        for enc_name, codec in gen_corpus.ENCODINGS.items():
            path = os.path.join(root, "text", enc_name, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(text.encode(codec))

    # Search strings: trigrams of the words, drawn at random after the 300
    # commonest, which puts the 1000-row list's occurrences about 20 bytes apart.
    counts = {}
    for w in words:
        for k in range(len(w) - 2):
            counts[w[k:k + 3]] = counts.get(w[k:k + 3], 0) + 1
    common = sorted(counts, key=lambda t: (-counts[t], t))
    finds = rng.sample(common[300:], 1000)
    taken = set(words) | set(finds)
    rows = [(f, gen_corpus.new_term(rng, f, taken)) for f in finds]
    os.makedirs(os.path.join(root, "lists"), exist_ok=True)
    for n in DENSE_ROWS:
        for enc_name, codec in gen_corpus.ENCODINGS.items():
            gen_corpus.write_csv(os.path.join(root, "lists", "dense-%d-%s.csv" % (n, enc_name)), rows[:n], codec)
    print(json.dumps({"seed": args.seed, "size_mb": args.size_mb, "files": nfiles}))


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="cmd", required=True)
    c = sub.add_parser("codes")
    c.add_argument("out")
    c.add_argument("--mb", type=float, default=4)
    c.add_argument("--seed", type=int, default=20250125)
    d = sub.add_parser("dense")
    d.add_argument("out")
    d.add_argument("--size-mb", type=float, default=64)
    d.add_argument("--seed", type=int, default=20250126)
    args = p.parse_args()
    {"codes": codes, "dense": dense}[args.cmd](args)


if __name__ == "__main__":
    main()
