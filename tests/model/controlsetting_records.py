#!/usr/bin/env python3
# Writes the records `kelmap set` gives for a list of settings, as C++ rows for the control
# setting test: run once with the kelmap of the code the table is to hold fast.
import subprocess, sys, tempfile, os

KELMAP = sys.argv[1]
OUT = sys.argv[2]
PORTS = ["1", "2", "1+2"]
BUTTONS = ["unlatch", "latch", "increase"]
AFTS = ["off", "cp", "pkp"]
STATUS = ["F6", "F8", "FA", "FB", "FC", "FF"]

# control, kind, fields (key=value separated by ';')
CASES = [
    ("R1", "none", ""),
    ("R1", "note", ""), ("A1", "note", "v=60,90;ch=10;port=2;button=1;aft=1"),
    ("A2", "note", "v=0,0;aft=2;button=0"), ("R2", "note", "v=127"),
    ("R1", "channel-pressure", ""), ("S2", "channel-pressure", "v=10,100;ch=3;port=1"),
    ("A3", "channel-pressure", "v=5;button=2"),
    ("R1", "poly-pressure", ""), ("B1", "poly-pressure", "v=64,1,126;ch=16;button=1"),
    ("R1", "cc", ""), ("S3", "cc", "v=74,1,100;click=1"), ("A2", "cc", "v=7;ch=16;button=2;port=1"),
    ("R3", "cc", "v=0,127,0;port=2"),
    ("R1", "pc", ""), ("A4", "pc", "v=128;ch=2"), ("R4", "pc", "v=1"),
    ("R1", "pc-range", ""), ("S4", "pc-range", "v=1,128;ch=5"), ("A5", "pc-range", "v=64,65;ch=16"),
    ("R1", "bank-pc", ""), ("B2", "bank-pc", "v=1,2,128"), ("R5", "bank-pc", "v=127,0,1;ch=9;port=2"),
    ("R1", "pc-dec", ""), ("A6", "pc-dec", ""),
    ("R1", "pc-inc", ""), ("A7", "pc-inc", ""),
    ("R1", "rpn", ""), ("R6", "rpn", "v=0,0,0,127;ch=4;port=2"), ("A8", "rpn", "v=1,2,3,4;button=2"),
    ("R1", "nrpn", ""), ("R3", "nrpn", "v=1,2,3,4"), ("S5", "nrpn", "v=127,127,10,20;click=1;ch=16"),
    ("R1", "encoder", ""), ("R7", "encoder", "v=10;ch=2;port=1"),
    ("R1", "realtime", ""), ("C1", "realtime", "status=2;port=1"), ("A9", "realtime", "status=5"),
    ("R8", "realtime", "status=0;port=2"),
    ("R1", "sysex", ""), ("S1", "sysex", "text=F0 41 10 SS 12 DT S1 F7;dt=0;min=0;max=100"),
    ("S6", "sysex", "text=F0 7E 1n 06 01 F7;port=2"),
    ("A1", "sysex", "text=F0 43 10 4C DT F7;dt=1;min=3;max=12;button=2"),
    ("R9", "sysex", "text=F0 41 SS 01 02 DT S2 F7;dt=4;max=255"),
    ("R2", "sysex", "text=F0 41 DT F7;dt=1"), ("R4", "sysex", "text=F0 41 DT F7;dt=4;min=7"),
    ("R1", "free", "text=90 3C 40"), ("R3", "free", "text=B0 07 DT;min=5"), ("H1", "free", "text=B0 07 DT;dt=0;min=10;max=20"),
    ("S7", "free", "text=B3 0A DT 90 3C 7F;dt=0;min=0;max=127;port=1"),
    ("B3", "free", "text=C0 05;button=2"),
    ("R1", "tempo", ""), ("BEND", "tempo", ""), ("A8", "tempo", "button=2"),
]

def args_of(control, kind, fields):
    a = [control, kind]
    f = dict(x.split("=", 1) for x in fields.split(";") if x)
    if "v" in f:
        a += f["v"].split(",")
    if "status" in f:
        a.append(STATUS[int(f["status"])])
    if "text" in f:
        a.append(f["text"])
    for key, opt, words in [("ch", "--channel", None), ("port", "--port", PORTS),
                            ("button", "--button", BUTTONS), ("aft", "--aft", AFTS),
                            ("click", "--center-click", ["off", "on"]), ("dt", "--data-type", None),
                            ("min", "--min", None), ("max", "--max", None)]:
        if key in f:
            a += [opt, words[int(f[key])] if words else f[key]]
    return a

HEADER = """// SPDX-License-Identifier: GPL-3.0-or-later
// The records `kelmap set` (and the assign dialog, which gave the same) wrote for each setting before
// both went through SetControl: control, kind, fields, the 39 bytes. Made by
// controlsetting_records.py; not to be edited by hand.
"""

with tempfile.TemporaryDirectory() as d, open(OUT, "w") as out:
    out.write(HEADER)
    for control, kind, fields in CASES:
        path = os.path.join(d, "m.mid")
        subprocess.run([KELMAP, "new", path], check=True)
        r = subprocess.run([KELMAP, "set", path] + args_of(control, kind, fields),
                           capture_output=True, text=True)
        if r.returncode != 0:
            sys.exit(f"{control} {kind} {fields}: {r.stderr}")
        dump = subprocess.run([KELMAP, "dump", path], capture_output=True, text=True, check=True)
        line = next(l for l in dump.stdout.splitlines() if l.split("\t")[0] == control)
        out.write(f'    {{"{control}", "{kind}", "{fields}",\n     "{line.split(chr(9))[1]}"}},\n')
