#!/usr/bin/env python3
"""Large texts and a list for measuring the piece-by-piece conversion.

Python 3 standard library only. The lines and words are those of
gen_corpus.py (same vocabulary for a seed), so the list's rows occur.

  gen_stream.py text OUT --size-mb N [--enc utf8|sjis] [--crlf] [--seed S]
      lines of mixed Japanese and ASCII, N MiB (a block of lines repeated)
  gen_stream.py line OUT --size-mb N [--enc utf8|sjis] [--seed S]
      one line of N MiB without any line end, words between blanks
  gen_stream.py list OUT --rows R [--enc utf8|sjis] [--seed S]
      R rows (words of the texts to new terms), in the text's encoding
"""

import argparse
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_corpus  # noqa: E402

CODECS = {"utf8": "utf-8", "sjis": "cp932"}
BLOCK = 4 * 1024 * 1024


def vocabulary(seed):
    rng = random.Random(seed)
    ascii_words, ja_words = gen_corpus.make_vocabulary(rng)
    return rng, ascii_words, ja_words


def write_repeated(path, block, size):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            part = block[:left]
            f.write(part)
            left -= len(part)


def text(args):
    rng, ascii_words, ja_words = vocabulary(args.seed)
    end = "\r\n" if args.crlf else "\n"
    lines, size = [], 0
    while size < BLOCK:
        line = (gen_corpus.make_line(rng, ascii_words, ja_words) + end).encode(CODECS[args.enc])
        lines.append(line)
        size += len(line)
    write_repeated(args.out, b"".join(lines), args.size_mb * 1024 * 1024)


def line(args):
    rng, ascii_words, ja_words = vocabulary(args.seed)
    words, size = [], 0
    while size < BLOCK:
        w = (rng.choice(ascii_words if rng.random() < 0.5 else ja_words) + " ").encode(CODECS[args.enc])
        words.append(w)
        size += len(w)
    write_repeated(args.out, b"".join(words), args.size_mb * 1024 * 1024)


def rows(args):
    rng, ascii_words, ja_words = vocabulary(args.seed)
    taken = set(ascii_words) | set(ja_words)
    found = rng.sample(ja_words, args.rows // 2) + rng.sample(ascii_words, args.rows - args.rows // 2)
    gen_corpus.write_csv(args.out, [(f, gen_corpus.new_term(rng, f, taken)) for f in found], CODECS[args.enc])


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="cmd", required=True)
    for name, fn in (("text", text), ("line", line), ("list", rows)):
        s = sub.add_parser(name)
        s.add_argument("out")
        s.add_argument("--enc", choices=sorted(CODECS), default="utf8")
        s.add_argument("--seed", type=int, default=1)
        if name == "list":
            s.add_argument("--rows", type=int, default=100)
        else:
            s.add_argument("--size-mb", type=int, required=True)
        if name == "text":
            s.add_argument("--crlf", action="store_true")
        s.set_defaults(fn=fn)
    args = p.parse_args()
    args.fn(args)


if __name__ == "__main__":
    main()
