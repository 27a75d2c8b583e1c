#!/usr/bin/env python3
"""Seeded corpus, reference results and peer scripts for bench/compare.sh.

Python 3 standard library only.

  gen_corpus.py generate  CORPUS --size-mb N [--seed S] [--name-files 20000]
  gen_corpus.py reference CORPUS          reference digests (cached in CORPUS/ref)
  gen_corpus.py sample    CORPUS MB       relative paths of the first MB of the text tree
  gen_corpus.py sed-script  CORPUS ROWS ENC          one s///g per row, bytes
  gen_corpus.py perl-script CORPUS ROWS ENC [--decode]  one s///g per row
  gen_corpus.py check REF.json OUTDIR [--only LISTFILE]  prints: differing total

The reference is deliberately simple: the text is decoded (UTF-8 or CP932),
every row is applied in list order with str.replace (leftmost, no overlap,
resuming after the inserted text; on decoded text a match can only start on
a character boundary) and the result is encoded again. Our folder tool's
line ends are applied on top: CR LF read as LF, every line ending in LF,
LF written as CR LF. No search or replacement holds CR, LF or 0x1A, so the
replacements and the line-end change commute.
"""

import argparse
import hashlib
import json
import multiprocessing
import os
import random
import sys

ROW_COUNTS = (10, 100, 1000)
ENCODINGS = {"utf8": "utf-8", "sjis": "cp932"}

KANJI = ("日本語文字列変換置換設定表示情報処理会社員部長課営業開発技術製品販売管理計画報告資料議予定時間場所"
         "連絡確認対応問題解決結果分析検討提案作成更新削除追加保存読込出力入検索一覧詳細項目内容説明注意重要必"
         "能力現構成造機性十東京大阪市区町村駅前後上下左右中外国際電話番号住氏名年月週曜朝昼夜今明昨")
KATAKANA = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワンガギグゲゴザジズゼゾダデドバビブベボパピプペポー"
HIRAGANA = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん"
PARTICLES = ["の", "は", "を", "に", "が", "と", "で", "も", "、", "。", "から", "まで", "について"]
ASCII_PUNCT = [" ", " ", " ", ", ", ". ", ": ", " - ", " (", ") ", " \\", "/", " #", " $", " 100%", " [x] "]


def cp932_safe(text):
    return text.encode("cp932").decode("cp932") == text


def make_vocabulary(rng):
    """ASCII and Japanese words, all distinct."""
    words = set()
    ascii_words, ja_words = [], []
    letters = "abcdefghijklmnopqrstuvwxyz"
    while len(ascii_words) < 3000:
        w = "".join(rng.choice(letters) for _ in range(rng.randint(3, 9)))
        if rng.random() < 0.2:
            w = w.capitalize()
        if w not in words:
            words.add(w)
            ascii_words.append(w)
    pools = [KANJI, KATAKANA, KANJI + HIRAGANA]
    while len(ja_words) < 3000:
        pool = rng.choice(pools)
        w = "".join(rng.choice(pool) for _ in range(rng.randint(2, 4)))
        if w not in words:
            words.add(w)
            ja_words.append(w)
    return ascii_words, ja_words


def make_line(rng, ascii_words, ja_words):
    parts = []
    for _ in range(rng.randint(4, 14)):
        r = rng.random()
        if r < 0.45:
            parts.append(rng.choice(ja_words) + rng.choice(PARTICLES))
        elif r < 0.85:
            # ASCII right after Japanese is where byte-wise tools meet a trail byte.
            parts.append(rng.choice(ascii_words) + rng.choice(ASCII_PUNCT))
        elif r < 0.92:
            parts.append(str(rng.randint(0, 99999)))
        else:
            parts.append("C:\\" + rng.choice(ja_words) + "\\" + rng.choice(ascii_words))
    return "".join(parts)


def new_term(rng, like, taken):
    """A replacement that is not a word of the corpus."""
    while True:
        if like.isascii():
            t = "Q" + "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 8)))
        else:
            t = "".join(rng.choice(KATAKANA) for _ in range(rng.randint(2, 5))) + "済"
        if t not in taken:
            taken.add(t)
            return t


def write_csv(path, rows, encoding):
    with open(path, "wb") as f:
        for find, repl in rows:
            f.write(('"%s","%s"\r\n' % (find.replace('"', '""'), repl.replace('"', '""'))).encode(encoding))


def generate(args):
    rng = random.Random(args.seed)
    root = args.corpus
    ascii_words, ja_words = make_vocabulary(rng)
    assert all(cp932_safe(w) for w in ja_words) and cp932_safe(KANJI + KATAKANA + HIRAGANA)

    # Text tree: ~200 files of mixed Japanese/ASCII lines totalling size-mb (UTF-8 bytes).
    pool = [make_line(rng, ascii_words, ja_words) for _ in range(20000)]
    pool_bytes = sum(len(l.encode("utf-8")) + 1 for l in pool) / len(pool)
    total = int(args.size_mb * 1024 * 1024)
    nfiles = 200
    weights = [rng.uniform(0.2, 3.0) for _ in range(nfiles)]
    scale = total / sum(weights)
    written = 0
    largest = 0
    for i in range(nfiles):
        rel = "d%02d/f%03d.txt" % (i % 10, i)
        want = int(weights[i] * scale) if i < nfiles - 1 else max(0, total - written)
        lines = rng.choices(pool, k=max(1, int(want / pool_bytes)))
        crlf = rng.random() < 0.3
        text = ("\r\n" if crlf else "\n").join(lines)
        if rng.random() < 0.8:
            text += "\r\n" if crlf else "\n"
        for enc_name, codec in ENCODINGS.items():
            path = os.path.join(root, "text", enc_name, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            data = text.encode(codec)
            with open(path, "wb") as f:
                f.write(data)
            if enc_name == "utf8":
                written += len(data)
                largest = max(largest, len(data))
    largest_sjis = max(os.path.getsize(os.path.join(dp, f))
                       for dp, _, fs in os.walk(os.path.join(root, "text", "sjis")) for f in fs)

    # Glossaries: distinct corpus words mapped to new terms, plus the backslash,
    # which is the second byte of ソ, 表, 能, 十 and 予 in CP932.
    os.makedirs(os.path.join(root, "lists"), exist_ok=True)
    taken = set(ascii_words) | set(ja_words)
    candidates = ascii_words[:1500] + ja_words[:1500]
    rng.shuffle(candidates)
    for n in ROW_COUNTS:
        rows = [(w, new_term(rng, w, taken)) for w in candidates[: n - 1]] + [("\\", "/")]
        for find, repl in rows:
            assert not any(c in find + repl for c in "\r\n\x1a\",") and 0 < len(find.encode("cp932")) <= 100
        with open(os.path.join(root, "lists", "text-%d.json" % n), "w", encoding="utf-8") as f:
            json.dump(rows, f, ensure_ascii=False)
        for enc_name, codec in ENCODINGS.items():
            write_csv(os.path.join(root, "lists", "text-%d-%s.csv" % (n, enc_name)), rows, codec)

    # Names: many small files named from fragments, a 1000-row list of fragments.
    frag_rng = random.Random(args.seed + 1)
    fragments = []
    seen = set()
    while len(fragments) < 1500:
        if frag_rng.random() < 0.5:
            f = "".join(frag_rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(frag_rng.randint(2, 5)))
        else:
            f = "".join(frag_rng.choice(KANJI + KATAKANA) for _ in range(frag_rng.randint(1, 3)))
        if f not in seen:
            seen.add(f)
            fragments.append(f)
    # Replacements from letters no fragment uses (capitals, hiragana), so names
    # keep their length however the rows chain.
    def name_term(like):
        while True:
            if like.isascii():
                t = "".join(frag_rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(frag_rng.randint(2, 6)))
            else:
                t = "".join(frag_rng.choice(HIRAGANA) for _ in range(frag_rng.randint(1, 3)))
            if t not in seen:
                seen.add(t)
                return t
    name_rows = [(f, name_term(f)) for f in fragments[:1000]]
    with open(os.path.join(root, "lists", "names-1000.json"), "w", encoding="utf-8") as f:
        json.dump(name_rows, f, ensure_ascii=False)
    write_csv(os.path.join(root, "lists", "names-1000-utf8.csv"), name_rows, "utf-8")
    for i in range(args.name_files):
        # The numbered tail keeps converted names distinct: no row touches digits or '_'.
        base = "".join(frag_rng.choice(fragments) for _ in range(frag_rng.randint(2, 4)))
        rel = "d%03d/%s_%05d.txt" % (i % 100, base, i)
        path = os.path.join(root, "names", "src", rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(frag_rng.randint(64, 1024)))

    meta = {"seed": args.seed, "size_mb": args.size_mb, "text_files": nfiles, "text_bytes_utf8": written,
            "largest_utf8": largest, "largest_sjis": largest_sjis, "name_files": args.name_files}
    with open(os.path.join(root, "meta.json"), "w") as f:
        json.dump(meta, f)
    print(json.dumps(meta))


def text_mode(data):
    """Our folder tool's round trip: read in text mode, every line ends in LF, LF written as CR LF."""
    cut = data.find(b"\x1a")
    if cut >= 0:
        data = data[:cut]
    data = data.replace(b"\r\n", b"\n")
    if data and not data.endswith(b"\n"):
        data += b"\n"
    return data.replace(b"\n", b"\r\n")


def apply_rows(text, rows):
    for find, repl in rows:
        if find:
            text = text.replace(find, repl)
    return text


def convert_name(base, rows):
    for find, repl in rows:
        if find:
            new = base.replace(find, repl)
            if new:  # an empty result leaves the name as it was
                base = new
    return base


def sha(data):
    return hashlib.sha256(data).hexdigest()


def reference_file(job):
    root, rel, row_sets = job
    with open(os.path.join(root, "text", "utf8", rel), "rb") as f:
        text = f.read().decode("utf-8")
    out = {}
    for n, rows in row_sets.items():
        converted = apply_rows(text, rows)
        for enc_name, codec in ENCODINGS.items():
            data = converted.encode(codec)
            out[("peer", n, enc_name)] = sha(data)
            out[("ours", n, enc_name)] = sha(text_mode(data))
    return rel, out


def relative_files(top):
    result = []
    for dirpath, _, files in os.walk(top):
        for name in files:
            result.append(os.path.relpath(os.path.join(dirpath, name), top))
    return sorted(result)


def reference(args):
    root = args.corpus
    refdir = os.path.join(root, "ref")
    done = os.path.join(refdir, "done")
    if os.path.exists(done):
        return
    os.makedirs(refdir, exist_ok=True)
    row_sets = {}
    for n in ROW_COUNTS:
        with open(os.path.join(root, "lists", "text-%d.json" % n), encoding="utf-8") as f:
            row_sets[n] = [tuple(r) for r in json.load(f)]
    # The same text in both trees: one conversion per file serves both encodings.
    for rel in relative_files(os.path.join(root, "text", "sjis")):
        with open(os.path.join(root, "text", "sjis", rel), "rb") as f:
            sjis = f.read().decode("cp932")
        with open(os.path.join(root, "text", "utf8", rel), "rb") as f:
            assert f.read().decode("utf-8") == sjis, rel
    rels = relative_files(os.path.join(root, "text", "utf8"))
    manifests = {}
    with multiprocessing.Pool(os.cpu_count() or 1) as pool:
        for rel, digests in pool.imap_unordered(reference_file, [(root, r, row_sets) for r in rels]):
            for key, digest in digests.items():
                manifests.setdefault(key, {})[rel] = digest
    for (kind, n, enc_name), manifest in manifests.items():
        with open(os.path.join(refdir, "%s-%d-%s.json" % (kind, n, enc_name)), "w") as f:
            json.dump(manifest, f, sort_keys=True)

    with open(os.path.join(root, "lists", "names-1000.json"), encoding="utf-8") as f:
        name_rows = [tuple(r) for r in json.load(f)]
    names = {}
    src = os.path.join(root, "names", "src")
    for rel in relative_files(src):
        folder, name = os.path.split(rel)
        dot = name.rfind(".")
        base, ext = (name[:dot], name[dot:]) if dot >= 0 else (name, "")
        with open(os.path.join(src, rel), "rb") as f:
            names[os.path.join(folder, convert_name(base, name_rows) + ext)] = sha(f.read())
    with open(os.path.join(refdir, "names.json"), "w") as f:
        json.dump(names, f, sort_keys=True)
    open(done, "w").close()


def sample(args):
    top = os.path.join(args.corpus, "text", "utf8")
    total = 0
    for rel in relative_files(top):
        if total >= args.mb * 1024 * 1024:
            break
        total += os.path.getsize(os.path.join(top, rel))
        print(rel)


def load_rows(corpus, n):
    with open(os.path.join(corpus, "lists", "text-%d.json" % n), encoding="utf-8") as f:
        return [tuple(r) for r in json.load(f)]


def sed_script(args):
    """GNU sed, basic regular expressions, run under LC_ALL=C (bytes)."""
    def escaped(b, special):
        out = bytearray()
        for c in b:
            if chr(c) in special:
                out += b"\\"
            out.append(c)
        return bytes(out)

    def pattern(b):
        return escaped(b, "\\.*[]^$/")

    def replacement(b):
        return escaped(b, "\\&/")

    codec = ENCODINGS[args.enc]
    out = sys.stdout.buffer
    for find, repl in load_rows(args.corpus, args.rows):
        out.write(b"s/" + pattern(find.encode(codec)) + b"/" + replacement(repl.encode(codec)) + b"/g\n")


def perl_script(args):
    """Reads 'src<TAB>dst' lines from the file named on its command line; each file slurped and every row applied with s///g."""
    codec = ENCODINGS[args.enc]
    if args.decode:
        # Characters: the file is decoded, so a match starts on a character boundary.
        esc = lambda s: "".join("\\x{%x}" % ord(c) for c in s)
        layer = ":encoding(%s)" % codec
    else:
        # Bytes: no decoding, matches may start inside a double-byte character.
        esc = lambda s: "".join("\\x%02x" % b for b in s.encode(codec))
        layer = ":raw"
    body = "\n".join("  s/%s/%s/g;" % (esc(f), esc(r)) for f, r in load_rows(args.corpus, args.rows))
    lines = [
        "use strict; use warnings;",
        "while (my $pair = <>) {",
        "  chomp $pair;",
        "  my ($src, $dst) = split /\\t/, $pair;",
        "  open(my $in, '<%s', $src) or die \"$src: $!\";" % layer,
        "  local $/;",
        "  local $_ = <$in> // '';",
        "  close $in;",
        body,
        "  open(my $out, '>%s', $dst) or die \"$dst: $!\";" % layer,
        "  print $out $_;",
        "  close $out or die \"$dst: $!\";",
        "}",
    ]
    sys.stdout.write("\n".join(lines) + "\n")


def check(args):
    with open(args.ref) as f:
        ref = json.load(f)
    if args.only:
        with open(args.only) as f:
            keep = set(l.strip() for l in f if l.strip())
        ref = {k: v for k, v in ref.items() if k in keep}
    got = {}
    for rel in relative_files(args.outdir):
        with open(os.path.join(args.outdir, rel), "rb") as f:
            got[rel] = sha(f.read())
    differing = sum(1 for k in set(ref) | set(got) if ref.get(k) != got.get(k))
    print(differing, len(ref))


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="cmd", required=True)
    g = sub.add_parser("generate")
    g.add_argument("corpus")
    g.add_argument("--size-mb", type=float, default=200)
    g.add_argument("--seed", type=int, default=20240611)
    g.add_argument("--name-files", type=int, default=20000)
    r = sub.add_parser("reference")
    r.add_argument("corpus")
    s = sub.add_parser("sample")
    s.add_argument("corpus")
    s.add_argument("mb", type=float)
    for name in ("sed-script", "perl-script"):
        x = sub.add_parser(name)
        x.add_argument("corpus")
        x.add_argument("rows", type=int)
        x.add_argument("enc", choices=sorted(ENCODINGS))
        if name == "perl-script":
            x.add_argument("--decode", action="store_true")
    c = sub.add_parser("check")
    c.add_argument("ref")
    c.add_argument("outdir")
    c.add_argument("--only")
    args = p.parse_args()
    {"generate": generate, "reference": reference, "sample": sample, "sed-script": sed_script,
     "perl-script": perl_script, "check": check}[args.cmd](args)


if __name__ == "__main__":
    main()
