#!/usr/bin/env python3
"""Compares zentravolix-cli's encoding detection with nkf --guess.

Generates N files of each encoding (seeded Japanese text of random length and
mix: kanji, kana, punctuation, full-width and ASCII letters, now and then
half-width katakana), plus the mixed tree of the tests, runs
`zentravolix-cli folder-text --encoding auto --dry-run` over them and
`nkf --guess` on each file, and prints the counts and every disagreement.

Usage: bench/detect_agreement.py [--files N] [--cli build/src/cli/zentravolix-cli] [--keep DIR]
Needs nkf (Debian package nkf).
"""
import argparse
import collections
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

KANJI = "株式会社山田太郎東京大阪報告書資料会議議事録年度予算決算営業部品番号製造販売顧客担当者確認完了"
HIRAGANA = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをんがぎぐげござじずぜぞだでどばびぶべぼ"
KATAKANA = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲンガギグゲゴ"
HALF = "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝﾞﾟ"
PUNCT = "、。「」・ー（）！？"
FULL = "ＡＢＣＤＥＦ０１２３４５"
ASCII = "abcdefghijklmnopqrstuvwxyz ABCDEFG 0123456789 .,-"

# (label as zentravolix names it, python codec, byte-order mark, may hold half-width katakana)
KINDS = [
    ("Shift_JIS", "cp932", b"", True),
    ("UTF-8", "utf-8", b"", True),
    ("UTF-8 (BOM)", "utf-8", b"\xef\xbb\xbf", True),
    ("EUC-JP", "euc_jp", b"", True),
    ("ISO-2022-JP", "iso2022_jp", b"", False),
    ("UTF-16LE (BOM)", "utf-16-le", b"\xff\xfe", True),
    ("UTF-16BE (BOM)", "utf-16-be", b"\xfe\xff", True),
]

# nkf's names for the same encodings.
NKF = {
    "Shift_JIS": "Shift_JIS", "CP932": "Shift_JIS", "Windows-31J": "Shift_JIS",
    "UTF-8": "UTF-8", "UTF-8 (BOM)": "UTF-8 (BOM)",
    "EUC-JP": "EUC-JP", "CP51932": "EUC-JP", "eucJP-ms": "EUC-JP", "EUCJP-MS": "EUC-JP",
    "ISO-2022-JP": "ISO-2022-JP",
    "UTF-16 LE (BOM)": "UTF-16LE (BOM)", "UTF-16 BE (BOM)": "UTF-16BE (BOM)",
    "ASCII": "ASCII", "BINARY": "(none)",
}


def text(rng, half):
    pools = [KANJI, HIRAGANA, HIRAGANA, KATAKANA, PUNCT, FULL, ASCII] + ([HALF] if half else [])
    weights = [rng.random() for _ in pools]
    n = rng.choice([3, 8, 20, 60, 200, 1000, 4000])
    out = []
    for _ in range(n):
        pool = rng.choices(pools, weights)[0]
        out.append(rng.choice(pool))
        if rng.random() < 0.03:
            out.append("\r\n" if rng.random() < 0.5 else "\n")
    return "".join(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--files", type=int, default=1000)
    ap.add_argument("--cli", default="build/src/cli/zentravolix-cli")
    ap.add_argument("--seed", type=int, default=20261208)
    ap.add_argument("--keep", help="folder to leave the generated tree in")
    a = ap.parse_args()
    if not shutil.which("nkf"):
        sys.exit("nkf is not installed (apt-get install nkf)")
    rng = random.Random(a.seed)
    root = a.keep or tempfile.mkdtemp(prefix="zv-detect-")
    src = os.path.join(root, "src")
    os.makedirs(src, exist_ok=True)
    expected = {}
    for label, codec, mark, half in KINDS:
        for i in range(a.files):
            name = "%s-%04d.txt" % (codec.replace("_", "-"), i)
            if mark:
                name = "bom-" + name
            t = text(rng, half)
            data = mark + t.encode(codec)
            with open(os.path.join(src, name), "wb") as f:
                f.write(data)
            expected[name] = "ASCII" if not mark and all(ord(c) < 0x80 for c in t) else label
    # What fits no encoding: NUL bytes, bytes of none, a lone UTF-16 surrogate.
    for name, data in [("none-nul.txt", b"a\x00b\x00"), ("none-junk.txt", b"\x80\xff junk"),
                       ("none-surrogate.txt", b"\xff\xfe\x00\xd8x\x00")]:
        with open(os.path.join(src, name), "wb") as f:
            f.write(data)
        expected[name] = "(none)"
    listPath = os.path.join(root, "list.csv")
    with open(listPath, "wb") as f:
        f.write(b"zzzz,zzzz\r\n")
    out = subprocess.run([a.cli, "folder-text", "--list", listPath, "--encoding", "auto", "--dry-run",
                          "--quiet", src, os.path.join(root, "out")], capture_output=True)
    ours = {}
    for line in out.stdout.decode("utf-8", "replace").splitlines():
        m = re.match(r"convert \S*/([^/]+) -> \S+ \((.*)\)$", line)
        if m:
            ours[m.group(1)] = m.group(2)
    for line in out.stderr.decode("utf-8", "replace").splitlines():
        m = re.match(r".*/([^/]+): (文字コードを判別できません|.* として読み書きすると)", line)
        if m:
            ours[m.group(1)] = "(none)"
    stats = collections.Counter()
    differ = []
    for name in sorted(expected):
        g = subprocess.run(["nkf", "--guess", os.path.join(src, name)], capture_output=True).stdout.decode()
        # With one file nkf prints the guess alone.
        g = re.sub(r" \((CRLF|LF|CR|MIXED NL)\)$", "", g.strip())
        theirs = NKF.get(g, g)
        mine = ours.get(name, "?")
        kind = expected[name]
        stats[(kind, mine == kind, theirs == kind, mine == theirs)] += 1
        if mine != theirs:
            differ.append((name, kind, mine, theirs))
    print("%-16s %6s %8s %8s %8s" % ("encoding", "files", "ours ok", "nkf ok", "agree"))
    for label, *_ in KINDS + [("ASCII",), ("(none)",)]:
        rows = [(k, v) for k, v in stats.items() if k[0] == label]
        total = sum(v for _, v in rows)
        if not total:
            continue
        print("%-16s %6d %8d %8d %8d" % (label, total, sum(v for k, v in rows if k[1]),
                                         sum(v for k, v in rows if k[2]), sum(v for k, v in rows if k[3])))
    print("\n%d disagreements (file, made as, ours, nkf):" % len(differ))
    for d in differ:
        print("  %s: %s / %s / %s" % d)
    if not a.keep:
        shutil.rmtree(root)


if __name__ == "__main__":
    main()
