#!/usr/bin/env python3
"""Writes the benchmark corpora: lines of words, numbers and commas.

    gen_corpus.py ascii|sjis|csv SIZE_MB OUT [--seed N] [--lines MIN-MAX]

Both kinds are made by the same seeded process, so for one seed and size
they have the same shape: lines of 20 to 200 bytes (never more than 3999),
blank-separated tokens of which about one in five carries a trailing comma
(every line holds at least one, so a CSV column always exists), English words
where 'the', 'and' and words ending in 'ing' are frequent, and digit runs.
The sjis kind writes about a third of the words as real Japanese text
encoded in code page 932; many of its second bytes are ASCII letters, so a
byte-wise search for 'the' finds false matches where such a word runs
straight into an English word ("日付header": 0x95 0x74 'h' 'e' ...).
The csv kind writes records of eight fields in UTF-8, as a spreadsheet
exports them: numbers, English and Japanese text, about one field in six
quoted because it holds a comma or a doubled quote, and one record in fifty
with a line break inside a quoted field (--lines is not used).
"""
import argparse
import random
import sys

ENGLISH = (
    "the the the the and and and of to in is was for on with as by at from "
    "that this it be are or an not have has had but which their there then "
    "thing nothing something string thinking reading writing making taking "
    "working during bring spring morning evening building setting looking "
    "hand land band stand sand understand command demand brand island "
    "other mother weather either whether together another theory theme "
    "file line field record value column number table index order report "
    "quick brown fox jumps over lazy dog server client request response "
    "data text byte buffer output input engine pattern match replace "
    "he here help header hex"
).split()

# Everyday Japanese words and phrases, written here as UTF-8 and encoded to
# code page 932 on output.
JAPANESE = (
    "東京 大阪 日本語 文字列 置換 検索 出力 入力 表示 設定 変換 "
    "ファイル データ テキスト サーバー ソフトウェア プログラム コマンド "
    "ネットワーク システム メモリ バッファ パターン フィールド テスト "
    "今日は 明日 昨日 天気 晴れ 雨 雪 春 夏 秋 冬 朝 昼 夜 "
    "会社 社員 部長 課長 会議 資料 報告 予定 連絡 確認 対応 "
    "駅 電車 新幹線 切符 時刻表 乗り換え 改札 ホーム "
    "ありがとうございます よろしくお願いします すみません こんにちは "
    "申し訳ありません お疲れ様です 失礼します "
    "表計算 能力 機能 構造 ソース ポイント ダウンロード アップデート "
    "カタカナ ひらがな 漢字 全角 半角 記号 ａｂｃ １２３ ※ 〒 ― "
    "青春 日付 言葉 医師 平和 作品 前進 手段 風景 上司"
).split()

def words_of(kind):
    jp = [w.encode("cp932") for w in JAPANESE]
    en = [w.encode("ascii") for w in ENGLISH]
    return en, jp

def csv_field(rng, en, jp, allow_break):
    """One field as CSV text: numbers and words, quoted where it must be."""
    r = rng.random()
    if r < 0.3:
        return str(rng.randint(0, 10 ** rng.randint(1, 7)))
    words = [rng.choice(jp if rng.random() < 0.3 else en) for _ in range(rng.randint(1, 4))]
    text = " ".join(w.decode("cp932") if w in jp else w.decode() for w in words)
    r = rng.random()
    if r < 0.1:
        text = text.replace(" ", ", ", 1) if " " in text else text + ","
    elif r < 0.15:
        text = f'{text} "{rng.choice(en).decode()}"'
    elif allow_break and r < 0.17:
        text += "\n" + rng.choice(en).decode()
    if any(c in text for c in ',"\n'):
        text = '"' + text.replace('"', '""') + '"'
    return text


def write_csv(out_path, size_mb, seed):
    en, jp = words_of("csv")
    rng = random.Random(seed)
    target = int(size_mb * 1_000_000)
    written = 0
    with open(out_path, "wb") as out:
        while written < target:
            rows = []
            for _ in range(5000):
                rows.append(",".join(csv_field(rng, en, jp, rng.random() < 0.15) for _ in range(8)))
            data = ("\n".join(rows) + "\n").encode()
            out.write(data)
            written += len(data)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("kind", choices=["ascii", "sjis", "csv"])
    ap.add_argument("size_mb", type=float)
    ap.add_argument("out")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--lines", default="20-200", help="line length range in bytes")
    args = ap.parse_args()
    if args.kind == "csv":
        write_csv(args.out, args.size_mb, args.seed)
        return
    lo, hi = (int(x) for x in args.lines.split("-"))
    if not (1 <= lo <= hi <= 3999):
        sys.exit("gen_corpus: line lengths must lie in 1..3999")

    en, jp = words_of(args.kind)
    rng = random.Random(args.seed)
    digits = b"0123456789"
    target = int(args.size_mb * 1_000_000)
    written = 0
    chunk = []
    chunk_bytes = 0
    jp_share = 0.33 if args.kind == "sjis" else 0.0
    with open(args.out, "wb") as out:
        while written < target:
            want = rng.randint(lo, hi)
            toks = []
            n = 0
            comma = False
            while n < want:
                r = rng.random()
                if r < 0.15:
                    t = bytes(rng.choice(digits) for _ in range(rng.randint(1, 8)))
                elif rng.random() < jp_share:
                    t = rng.choice(jp)
                    # Japanese is often written straight on into the next
                    # word, with no blank between.
                    if rng.random() < 0.2:
                        t += rng.choice(en)
                else:
                    t = rng.choice(en)
                if rng.random() < 0.2:
                    t += b","
                    comma = True
                toks.append(t)
                n += len(t) + 1
            line = b" ".join(toks)
            if not comma:
                line = line.replace(b" ", b", ", 1) if b" " in line else line + b","
            # Trim to the drawn length on a token boundary the encoder made,
            # never splitting a double-byte character.
            while len(line) > want and b" " in line:
                shorter = line[: line.rindex(b" ")]
                if len(shorter) < lo:
                    break
                line = shorter
            if b"," not in line:
                line += b","
            line = line[:3999]
            chunk.append(line)
            chunk_bytes += len(line) + 1
            if chunk_bytes >= 1 << 20:
                out.write(b"\n".join(chunk) + b"\n")
                written += chunk_bytes
                chunk, chunk_bytes = [], 0
        if chunk:
            out.write(b"\n".join(chunk) + b"\n")

if __name__ == "__main__":
    main()
