#!/usr/bin/env python3
"""Writes resources/DemoDevice.json: the parameter words of a plausible Kestrel set-up.

The demo device is a small stereo rig: two main inputs, a microphone and a playback
input feed a pair of subwoofers, a pair of tops, a pair of fills and a delayed pair.
Every parameter a full read-back asks for is present with the word count the device
answers with. The model's self-checks rely on OUT 3 standing at -5.5 dB, unmuted.

Usage: tools/make-demo-device.py [output path, "-" for standard output]
"""

import json
import struct
import sys
from pathlib import Path

INPUTS = range(0, 4)
OUTPUTS = range(4, 12)

NORMAL_POLARITY = 0x100
MUTED = 0x001
OFF_BIT = 0x100  # EQ band type word and filter slope word
CROSSPOINT_ON = 0x100
CROSSPOINT_OFF = 0x101

PEAK, LOW_SHELF, HIGH_SHELF = 0, 1, 2
BW12, LR24 = 1, 13
CUT_ABOVE, BOOST_BELOW = 2, 1
PINK = 1
ANALOG, DANTE, AES = 0, 1, 2


def f32(value):
    """The bits of an IEEE-754 single, as the device stores levels."""
    return struct.unpack("<I", struct.pack("<f", value))[0]


def text_words(text, count):
    """UTF-8, four bytes to a word, first byte lowest, zero padded."""
    data = text.encode("utf-8")[: 4 * count].ljust(4 * count, b"\0")
    return list(struct.unpack("<%dI" % count, data))


def band(freq, gain=0.0, q=1.41, kind=PEAK, on=True):
    return [freq, f32(gain), f32(q), kind | (0 if on else OFF_BIT)]


def filt(freq, slope, on):
    return [freq, slope | (0 if on else OFF_BIT)]


NAMES = ["Main L", "Main R", "Mic", "Playback",
         "Sub L", "Sub R", "Top L", "Top R", "Fill L", "Fill R", "Delay L", "Delay R"]
# OUT 1 to OUT 8: (gain dB, muted, polarity inverted, delay ms)
OUTPUT_GAINS = [(-2.0, False, False, 0.0), (-2.0, False, False, 0.0),
                (-5.5, False, False, 1.25), (-5.5, False, False, 1.25),
                (-8.0, False, False, 0.0), (-8.0, False, False, 0.0),
                (-10.0, False, True, 18.5), (-10.0, False, True, 18.5)]
INPUT_BAND_FREQS = [31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000]


def gain_block(ch):
    if ch in INPUTS:
        return [f32(0.0), NORMAL_POLARITY]
    gain, muted, inverted, _ = OUTPUT_GAINS[ch - 4]
    return [f32(gain), (0 if inverted else NORMAL_POLARITY) | (MUTED if muted else 0)]


def eq_bands(ch):
    if ch in INPUTS:
        bands = [band(f) for f in INPUT_BAND_FREQS]
        if ch == 2:  # the microphone: low cut of rumble and a presence lift
            bands[1] = band(63, -6.0, 0.7, LOW_SHELF)
            bands[7] = band(4000, 2.5, 1.2)
        return bands + [band(20000, on=False) for _ in range(5)]
    kind = (ch - 4) // 2  # 0 subs, 1 tops, 2 fills, 3 delays
    bands = [band(f) for f in INPUT_BAND_FREQS]
    if kind == 0:
        bands[1] = band(55, 3.0, 2.0)
    elif kind == 1:
        bands[3] = band(250, -2.5, 1.8)
        bands[8] = band(10000, 1.5, 0.7, HIGH_SHELF)
    return bands


def high_pass(ch):
    if ch in INPUTS:
        return filt(40 if ch == 2 else 20, BW12, ch == 2)
    kind = (ch - 4) // 2
    return filt([30, 110, 80, 80][kind], LR24, True)


def low_pass(ch):
    if ch in OUTPUTS and (ch - 4) // 2 == 0:
        return filt(110, LR24, True)
    return filt(20000, BW12, False)


def delay(ch):
    ms = 0.0 if ch in INPUTS else OUTPUT_GAINS[ch - 4][3]
    return [f32(ms), 0]


def deq_band(ch, b):
    freq, mode = [(250, CUT_ABOVE), (3000, CUT_ABOVE), (80, BOOST_BELOW)][b]
    active = 1 if (ch == 2 and b == 1) else 0
    return [freq, f32(6.0), f32(2.0), active | (mode << 8), f32(-20.0), 50, 300, f32(3.0)]


def channel_params(ch):
    params = {
        ch + 1: gain_block(ch),
        154 + ch: high_pass(ch),
        166 + ch: low_pass(ch),
        330 + ch: delay(ch),
        378 + ch: text_words(NAMES[ch], 2),
        391 + ch: [1],  # no FIR loaded: the block is bypassed
        403 + ch: text_words("", 6),
    }
    for b, words in enumerate(eq_bands(ch)):
        base = 14 + 15 * ch if ch in INPUTS else 74 + 10 * (ch - 4)
        params[base + b] = words
    if ch in INPUTS:
        params[210 + ch] = [f32(-70.0), 0, 0, 0, 0, 0]
        params[214 + ch] = [0 if ch == 2 else 1]
        for b in range(3):
            params[354 + 3 * ch + b] = deq_band(ch, b)
    else:
        params[174 + ch] = [f32(-10.0), f32(4.0), 0, 10, 150, 6]
        params[182 + ch] = [0 if (ch - 4) // 2 == 1 else 1]
        params[190 + ch] = [f32(12.0), 0, 0, 100, 0, 0]
        params[198 + ch] = [0]
    return params


def routing_params():
    params = {}
    # Inputs to input channels: straight through.
    for row in range(4):
        for col in range(4):
            params[218 + row * 4 + col] = [f32(0.0), CROSSPOINT_ON if row == col else CROSSPOINT_OFF]
    # Input channels to outputs: left outputs take Main L, right ones Main R;
    # the microphone and playback feed every output 6 dB down.
    for row in range(8):
        for col in range(4):
            if col < 2:
                on, level = col == row % 2, 0.0
            else:
                on, level = True, -6.0
            params[234 + row * 4 + col] = [f32(level), CROSSPOINT_ON if on else CROSSPOINT_OFF]
    # Output channels to physical outputs: one to one.
    for row in range(8):
        for col in range(8):
            params[266 + row * 8 + col] = [f32(0.0), CROSSPOINT_ON if row == col else CROSSPOINT_OFF]
    return params


def generator_params():
    params = {
        342: [PINK],
        343: [1000, f32(-20.0), 1],  # sine, off
        344: [f32(-20.0), 1],  # pink noise, off
        345: [f32(-30.0), 1],  # white noise, off
    }
    for i, source in enumerate([ANALOG, ANALOG, DANTE, AES]):
        params[346 + i] = [0]
        params[350 + i] = [source]
    return params


def demo_params():
    params = {}
    for ch in range(12):
        params.update(channel_params(ch))
    params.update(generator_params())
    params.update(routing_params())
    return params


def render(params):
    lines = ['  "%d": %s' % (n, json.dumps(params[n])) for n in sorted(params)]
    return "{\n" + ",\n".join(lines) + "\n}\n"


def main():
    default = Path(__file__).resolve().parent.parent / "resources" / "DemoDevice.json"
    target = sys.argv[1] if len(sys.argv) > 1 else str(default)
    text = render(demo_params())
    if target == "-":
        sys.stdout.write(text)
    else:
        Path(target).write_text(text)


if __name__ == "__main__":
    main()
