#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes panel.svg, the 720 x 219 picture of the KEL controller's front panel.

Every control is drawn inside its rectangle (left, top, right, bottom; right and bottom
exclusive), the same rectangles the panel widget hit-tests. Run it from this folder after
changing the drawing: python3 make_panel_svg.py > panel.svg
"""

KNOB_X = [25, 59, 93, 127, 168, 202, 236, 270, 310]
SLIDER_X = [469, 494, 519, 544, 571, 596, 621, 646, 673]
SLIDER_CAP = [0.62, 0.45, 0.70, 0.30, 0.55, 0.80, 0.40, 0.65, 0.50]
KNOB_ANGLE = [-120, -60, 0, 45, -90, 30, 90, 120, -30]

out = []


def w(s):
    out.append(s)


def text(x, y, s, size=6.5, anchor="middle", fill="#aeb6c2", weight="normal", extra="",
         family="Liberation Sans, Arial, sans-serif"):
    w(f'<text x="{x}" y="{y}" font-family="{family}" '
      f'font-size="{size}" font-weight="{weight}" fill="{fill}" text-anchor="{anchor}" {extra}>{s}</text>')


def plate(x, y, wd, ht, rx=5):
    w(f'<rect x="{x}" y="{y}" width="{wd}" height="{ht}" rx="{rx}" fill="url(#plate)" '
      f'stroke="#0d0e10" stroke-width="1"/>')
    w(f'<rect x="{x + 1}" y="{y + 1}" width="{wd - 2}" height="{ht - 2}" rx="{rx - 1}" fill="none" '
      f'stroke="#4b5059" stroke-opacity="0.55" stroke-width="0.8"/>')


def knob(l, t, r, b, angle):
    import math
    cx, cy = (l + r) / 2, (t + b) / 2
    rad = min(r - l, b - t) / 2 - 0.5
    w(f'<circle cx="{cx}" cy="{cy}" r="{rad}" fill="url(#knobSkirt)" stroke="#08090a" stroke-width="0.8"/>')
    w(f'<circle cx="{cx}" cy="{cy}" r="{rad - 3.2}" fill="url(#knobCap)" stroke="#1b1d20" stroke-width="0.6"/>')
    a = math.radians(angle - 90)
    x1, y1 = cx + math.cos(a) * (rad - 9), cy + math.sin(a) * (rad - 9)
    x2, y2 = cx + math.cos(a) * (rad - 0.8), cy + math.sin(a) * (rad - 0.8)
    w(f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="#f3f4f6" '
      f'stroke-width="1.8" stroke-linecap="round"/>')


def pad(l, t, r, b, fill="url(#padGrey)", rx=3, led=None):
    w(f'<rect x="{l + 0.5}" y="{t + 0.5}" width="{r - l - 1}" height="{b - t - 1}" rx="{rx}" '
      f'fill="{fill}" stroke="#0a0b0c" stroke-width="1"/>')
    w(f'<rect x="{l + 1.5}" y="{t + 1.5}" width="{r - l - 3}" height="{(b - t) / 2 - 1.5}" rx="{rx - 1}" '
      f'fill="#ffffff" fill-opacity="0.10"/>')
    if led:
        w(f'<rect x="{(l + r) / 2 - 4}" y="{t + 3}" width="8" height="2" rx="1" fill="{led}"/>')


def slider(l, t, r, b, pos):
    cx = (l + r) / 2
    top, bottom = t + 6, b - 6
    for i in range(11):
        y = top + (bottom - top) * i / 10
        tick = 3 if i % 5 == 0 else 2
        w(f'<line x1="{l + 0.5}" y1="{y:.2f}" x2="{l + 0.5 + tick}" y2="{y:.2f}" stroke="#8d96a3" stroke-width="0.6"/>')
        w(f'<line x1="{r - 0.5 - tick}" y1="{y:.2f}" x2="{r - 0.5}" y2="{y:.2f}" stroke="#8d96a3" stroke-width="0.6"/>')
    w(f'<rect x="{cx - 1.8}" y="{t + 2}" width="3.6" height="{b - t - 4}" rx="1.8" fill="#050506" stroke="#3c4048" stroke-width="0.6"/>')
    cap_h = 13
    cy = top + (bottom - top) * pos
    y0 = max(t + 0.5, min(b - cap_h - 0.5, cy - cap_h / 2))
    w(f'<rect x="{l + 1}" y="{y0:.2f}" width="{r - l - 2}" height="{cap_h}" rx="2" fill="url(#fader)" '
      f'stroke="#0b0c0d" stroke-width="0.8"/>')
    w(f'<line x1="{l + 2.5}" y1="{y0 + cap_h / 2:.2f}" x2="{r - 2.5}" y2="{y0 + cap_h / 2:.2f}" '
      f'stroke="#f4f5f7" stroke-width="1.2"/>')


def wheel(l, t, r, b, label):
    w(f'<rect x="{l + 0.5}" y="{t + 0.5}" width="{r - l - 1}" height="{b - t - 1}" rx="3" fill="#0b0c0e" stroke="#060607"/>')
    w(f'<rect x="{l + 2}" y="{t + 2}" width="{r - l - 4}" height="{b - t - 4}" rx="2" fill="url(#wheel)"/>')
    x = l + 4
    while x < r - 3:
        w(f'<line x1="{x}" y1="{t + 3}" x2="{x}" y2="{b - 3}" stroke="#000" stroke-opacity="0.45" stroke-width="0.8"/>')
        x += 3
    mid = (l + r) / 2
    w(f'<rect x="{mid - 1.5}" y="{t + 2}" width="3" height="{b - t - 4}" fill="#d7dbe1" fill-opacity="0.85"/>')


def jack(l, t, r, b, name):
    w(f'<rect x="{l + 0.5}" y="{t + 0.5}" width="{r - l - 1}" height="{b - t - 1}" rx="4" fill="url(#jackPlate)" stroke="#0b0c0d"/>')
    cx, cy = l + 11, (t + b) / 2
    w(f'<circle cx="{cx}" cy="{cy}" r="7.5" fill="url(#nut)" stroke="#1a1b1d" stroke-width="0.6"/>')
    w(f'<circle cx="{cx}" cy="{cy}" r="3.6" fill="#050505"/>')
    # a small pedal symbol
    px = l + 21
    w(f'<path d="M{px} {b - 8} L{r - 4} {b - 8} L{r - 4} {b - 11} L{px + 3} {t + 9} L{px} {t + 11} Z" '
      f'fill="#c7ccd4" fill-opacity="0.85"/>')
    text((l + r) / 2 + 5, t + 8, name, size=5.5, fill="#dfe3e8")


w('<?xml version="1.0" encoding="UTF-8"?>')
w('<svg xmlns="http://www.w3.org/2000/svg" width="720" height="219" viewBox="0 0 720 219">')
w('<defs>')
w('<linearGradient id="body" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#3a3e45"/>'
  '<stop offset="0.08" stop-color="#2c2f35"/><stop offset="1" stop-color="#1a1c20"/></linearGradient>')
w('<linearGradient id="plate" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#30343b"/>'
  '<stop offset="1" stop-color="#24272c"/></linearGradient>')
w('<radialGradient id="knobCap" cx="0.38" cy="0.32" r="0.75"><stop offset="0" stop-color="#6b717b"/>'
  '<stop offset="0.55" stop-color="#3b3f46"/><stop offset="1" stop-color="#1e2024"/></radialGradient>')
w('<radialGradient id="knobSkirt" cx="0.5" cy="0.4" r="0.6"><stop offset="0" stop-color="#25282d"/>'
  '<stop offset="1" stop-color="#0e0f11"/></radialGradient>')
w('<linearGradient id="padGrey" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#8b929c"/>'
  '<stop offset="1" stop-color="#5d636c"/></linearGradient>')
w('<linearGradient id="padDark" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#5b616a"/>'
  '<stop offset="1" stop-color="#3b4047"/></linearGradient>')
w('<linearGradient id="padAmber" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#e2a23c"/>'
  '<stop offset="1" stop-color="#a86a14"/></linearGradient>')
w('<linearGradient id="padBlue" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#5f8fcf"/>'
  '<stop offset="1" stop-color="#2f5a93"/></linearGradient>')
w('<linearGradient id="fader" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#c9ced6"/>'
  '<stop offset="0.5" stop-color="#8e949d"/><stop offset="1" stop-color="#5b6068"/></linearGradient>')
w('<linearGradient id="wheel" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#1b1d21"/>'
  '<stop offset="0.45" stop-color="#5e646d"/><stop offset="1" stop-color="#16181b"/></linearGradient>')
w('<linearGradient id="aft" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="#2f5a93"/>'
  '<stop offset="1" stop-color="#b04a3a"/></linearGradient>')
w('<linearGradient id="jackPlate" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#3d4249"/>'
  '<stop offset="1" stop-color="#2a2d32"/></linearGradient>')
w('<radialGradient id="nut" cx="0.4" cy="0.35" r="0.7"><stop offset="0" stop-color="#e6e8eb"/>'
  '<stop offset="1" stop-color="#7c828b"/></radialGradient>')
w('<linearGradient id="lcd" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#1d3b34"/>'
  '<stop offset="1" stop-color="#10231e"/></linearGradient>')
w('<linearGradient id="whiteKey" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#f4f4f2"/>'
  '<stop offset="1" stop-color="#d8d8d4"/></linearGradient>')
w('</defs>')

# Body with a bevelled top edge and four screws.
w('<rect x="0" y="0" width="720" height="219" fill="#101113"/>')
w('<rect x="1" y="1" width="718" height="217" rx="9" fill="url(#body)" stroke="#050506"/>')
w('<line x1="10" y1="2.5" x2="710" y2="2.5" stroke="#6a707a" stroke-opacity="0.6"/>')
for sx, sy in [(7, 7), (713, 7), (7, 212), (713, 212)]:
    w(f'<circle cx="{sx}" cy="{sy}" r="2.6" fill="#5b616a" stroke="#16171a" stroke-width="0.6"/>')
    w(f'<line x1="{sx - 1.6}" y1="{sy}" x2="{sx + 1.6}" y2="{sy}" stroke="#1c1e21" stroke-width="0.7"/>')

# Plates.
plate(13, 9, 337, 127)     # knobs and button rows
plate(356, 9, 96, 127)     # display, H and C buttons
plate(459, 9, 247, 127)    # sliders
plate(28, 144, 128, 52)    # L buttons
plate(162, 144, 62, 52)    # aftertouch
plate(229, 140, 98, 58)    # pedals
plate(356, 141, 96, 66)    # wheels

# Column numbers and row letters of the left section.
for i, x in enumerate(KNOB_X):
    text(x + 13, 19.5, str(i + 1), size=6.5)
for y, letter in [(40.5, "R"), (85.5, "A"), (115.5, "B")]:
    text(19, y, letter, size=7, weight="bold", fill="#d0d5dc")
w('<line x1="161" y1="16" x2="161" y2="129" stroke="#15171a" stroke-width="1"/>')
w('<line x1="303" y1="16" x2="303" y2="129" stroke="#15171a" stroke-width="1"/>')

for i, x in enumerate(KNOB_X):
    knob(x, 24, x + 26, 52, KNOB_ANGLE[i])
    pad(x, 72, x + 26, 94, fill="url(#padGrey)", led="#ffb347")
    pad(x, 102, x + 26, 124, fill="url(#padDark)", led="#5fd1ff")
for x in KNOB_X:
    w(f'<line x1="{x + 3}" y1="62" x2="{x + 23}" y2="62" stroke="#4f555e" stroke-width="0.7"/>')

# Display, H1/H2 and C1..C3.
w('<rect x="364" y="17" width="80" height="31" rx="2" fill="#0c0d0f"/>')
w('<rect x="366.5" y="19.5" width="75" height="26" rx="1.5" fill="url(#lcd)" stroke="#30433d" stroke-width="0.6"/>')
text(370, 30, "MEMORY", size=6, anchor="start", fill="#6fe0b8")
text(438, 41.5, "U01", size=11, anchor="end", fill="#8ff5cf", weight="bold",
     family="Liberation Mono, monospace")
pad(368, 54, 403, 84, fill="url(#padDark)", rx=4)
pad(405, 54, 440, 84, fill="url(#padDark)", rx=4)
w('<path d="M390 64 L381 69 L390 74 Z" fill="#d8dde3"/>')
w('<path d="M418 64 L427 69 L418 74 Z" fill="#d8dde3"/>')
text(385.5, 92, "H1", size=5.5)
text(422.5, 92, "H2", size=5.5)
for i, x in enumerate([366, 394, 422]):
    pad(x, 104, x + 22, 128, fill="url(#padAmber)" if i == 0 else "url(#padGrey)", rx=4)
    text(x + 11, 101, f"C{i + 1}", size=5.5)

# Sliders.
for i, x in enumerate(SLIDER_X):
    slider(x, 28, x + 19, 124, SLIDER_CAP[i])
    text(x + 9.5, 22, f"S{i + 1}", size=6)
    text(x + 9.5, 132, str(i + 1), size=5.5, fill="#7d8591")

# L buttons, aftertouch pad, pedals.
for i, x in enumerate([40, 68, 96, 124]):
    pad(x, 162, x + 22, 184, fill="url(#padBlue)" if i < 2 else "url(#padGrey)", rx=3)
    text(x + 11, 159, f"L{i + 1}", size=5.5)
w('<rect x="170.5" y="162.5" width="47" height="21" rx="3" fill="#0b0c0e" stroke="#060607"/>')
w('<rect x="172" y="164" width="44" height="18" rx="2" fill="url(#aft)" fill-opacity="0.9"/>')
w('<path d="M174 180 L214 166 L214 180 Z" fill="#ffffff" fill-opacity="0.22"/>')
text(194, 159, "AFT", size=5.5)
jack(236, 148, 272, 180, "P1")
jack(278, 148, 320, 180, "P2")
text(278, 191, "PEDAL", size=5.5)

# Modulation and bend.
text(404, 152.5, "MOD", size=5.5)
wheel(364, 156, 444, 175, "MOD")
wheel(364, 177, 444, 196, "BEND")
text(404, 203.5, "BEND", size=5.5)

# Name plate and a keyboard section.
text(470, 160, "KEL", size=22, anchor="start", fill="#e8ebef", weight="bold",
     extra='font-style="italic" letter-spacing="1"')
text(526, 151, "MIDI KEYBOARD", size=7, anchor="start", fill="#aeb6c2", extra='letter-spacing="1.2"')
text(526, 160, "CONTROLLER", size=7, anchor="start", fill="#aeb6c2", extra='letter-spacing="1.2"')
kx0, kx1, ky0, ky1 = 466, 706, 168, 211
w(f'<rect x="{kx0 - 2}" y="{ky0 - 2}" width="{kx1 - kx0 + 4}" height="{ky1 - ky0 + 3}" rx="2" fill="#08090a"/>')
white = 14
kw = (kx1 - kx0) / white
for i in range(white):
    x = kx0 + i * kw
    w(f'<rect x="{x + 0.4:.2f}" y="{ky0}" width="{kw - 0.8:.2f}" height="{ky1 - ky0}" rx="1" fill="url(#whiteKey)" stroke="#9a9a96" stroke-width="0.4"/>')
for octave in range(2):
    for k in [0, 1, 3, 4, 5]:
        i = octave * 7 + k
        x = kx0 + (i + 1) * kw - kw * 0.3
        w(f'<rect x="{x:.2f}" y="{ky0}" width="{kw * 0.6:.2f}" height="{(ky1 - ky0) * 0.6:.2f}" rx="0.8" fill="#17181a"/>')
w('</svg>')
print("\n".join(out))
