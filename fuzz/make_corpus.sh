#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ from files that kelmap
# writes. Usage: fuzz/make_corpus.sh PATH/TO/kelmap
set -euo pipefail
KELMAP="${1:?usage: make_corpus.sh PATH/TO/kelmap}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

"$KELMAP" new "$WORK/empty.mid" >/dev/null
"$KELMAP" new "$WORK/live.mid" --title "Live set" >/dev/null
"$KELMAP" set "$WORK/live.mid" S1 cc 74 0 127 --channel 2 --comment Cutoff >/dev/null
"$KELMAP" set "$WORK/live.mid" A1 note 36 127 --button latch --aft cp >/dev/null
"$KELMAP" set "$WORK/live.mid" R1 sysex "F0 41 10 SS 12 DT S1 F7" --data-type 0 --max 100 >/dev/null
"$KELMAP" set "$WORK/live.mid" R2 free "B0 07 DT" --comment Volume >/dev/null
"$KELMAP" set "$WORK/live.mid" R3 sysex "F0 43 1n 4C DT F7" --data-type 2 >/dev/null
"$KELMAP" set "$WORK/live.mid" BEND nrpn 1 8 0 127 >/dev/null
"$KELMAP" set "$WORK/live.mid" C1 realtime FA >/dev/null
"$KELMAP" set "$WORK/live.mid" MOD bank-pc 0 3 12 --port 1+2 >/dev/null

python3 - "$HERE/corpus" "$WORK" <<'PY'
import os, sys

corpus, work = sys.argv[1], sys.argv[2]

def target(name):
    path = os.path.join(corpus, name)
    os.makedirs(path, exist_ok=True)
    for old in os.listdir(path):
        os.remove(os.path.join(path, old))
    return path

def put(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))

maps = {n: open(os.path.join(work, n + ".mid"), "rb").read() for n in ("empty", "live")}

def bulk_messages(image):
    out, at = [], 0
    while True:
        at = image.find(bytes([0x08, 0xF0, 0x81, 0x0C]), at)
        if at < 0:
            return out
        out.append(bytes([0xF0]) + image[at + 4:at + 4 + 140])
        at += 144

def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)

def memory_set_message(slot, record):
    m = [0xF0, 0x41, 0x10, 0x00, 0x62, 0x12, 0x00, 0x00, slot, 0x00]
    for b in record:
        m += [b >> 4, b & 0x0F]
    m += [0] * (138 - len(m))
    m.append((-sum(m[6:])) & 0x7F)
    m.append(0xF7)
    return bytes(m)

def meta(kind, text):
    return bytes([0x00, 0xFF, kind]) + vlq(len(text)) + text

def smf(body):
    return (b"MThd" + bytes([0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60]) + b"MTrk" +
            len(body).to_bytes(4, "big") + body)

live = bulk_messages(maps["live"])
records = []
for m in live:
    records.append(bytes((m[11 + 2 * i] << 4) | m[12 + 2 * i] for i in range(39)))

# A memory set file: 27 slots, each with a comment.
body = meta(0x03, b"memory set") + meta(0x01, b"KEL message set 100")
for slot in range(27):
    m = memory_set_message(slot, records[slot])
    body += bytes([0x08, 0xF0]) + vlq(len(m) - 1) + m[1:] + meta(0x01, b"slot %d" % slot)
body += bytes([0x08, 0xFF, 0x2F, 0x00])
memory_set = smf(body)

smfread = target("smfread_fuzz")
put(smfread, "empty.mid", maps["empty"])
put(smfread, "live.mid", maps["live"])
put(smfread, "memoryset.mid", memory_set)
put(smfread, "junk-before-header.mid", b"RIFF\x00\x00" + maps["empty"])
put(smfread, "no-end-of-track.mid", maps["empty"][:-4])

bulk = target("bulk_fuzz")
for name, index in (("r1", 0), ("r2", 1), ("s1", 9), ("bend", 47), ("aft", 49)):
    put(bulk, "bulk-" + name, live[index])
put(bulk, "memoryset-slot16", memory_set_message(16, records[9]))
put(bulk, "transmit-mode", bytes.fromhex("F04110 00001A12 7F000000 03 7E F7".replace(" ", "")))
put(bulk, "receive-mode", bytes.fromhex("F0411000001A127F0000000100F7"))

texts = [
    (0, b"F0 41 10 SS 12 DT S1 F7"), (2, b"f0 41 10 dt ss 12 s1 f7"), (0, b"F04110F7"),
    (0, b"F0 4 F7"), (0, b"F0 1N F7"), (8, b"F0 43 1n 4C DT F7"), (0, b"F0 F7"),
    (0, b"F0 SS 00 S2 F7"), (6, b"F0 7E 7F 09 01 DT 3x F7"),
    (1, b"B0 07 DT"), (1, b"C0 05 B0 07 DT"), (1, b"90 3C 40"), (3, b"E0 DT"),
    (9, b"B0 63 01 B0 62 08 B0 06 DT"), (1, b"F8 FA"), (1, b"9n 3C 7F"),
]
msgtext = target("msgtext_fuzz")
for n, (mode, text) in enumerate(texts):
    put(msgtext, "text-%02d" % n, bytes([mode]) + records[n % 10] + text)

sequences = ["903C40", "F04110F7", "C005B00700", "F8", "F0F7F0F7", "F1 00 F2 01 02 F3 05 F6",
             "E00040D07F", "FF", "B0", "F07E"]
msgseq = target("msgseq_fuzz")
for n, hexes in enumerate(sequences):
    put(msgseq, "seq-%02d" % n, bytes.fromhex(hexes.replace(" ", "")))

def blocks(items):
    out = b""
    for item in items:
        out += len(item).to_bytes(2, "big") + item
    return out

parser = target("parser_fuzz")
mode = bytes.fromhex("F0411000001A127F0000000100F7")
for path in (0, 1):
    put(parser, "bulk-%d" % path, bytes([path]) + blocks(live[:8]))
    put(parser, "mixed-%d" % path,
        bytes([path]) + blocks([mode, live[3], bytes.fromhex("F07E7F0601F7"), live[3][:70],
                                live[4], bytes([0xF8])]))
put(parser, "long-1", bytes([1]) + blocks([live[0] * 5, live[1]]))
PY
du -sh "$HERE/corpus"; find "$HERE/corpus" -type f | wc -l
