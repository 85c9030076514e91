#!/usr/bin/env python3
"""Writes fir-dump.txt from the scipy reference vectors of the FIR engine's
tests (tests/fir/reference/golden.json, made by make_reference.py there): the
reference high-pass (20 Hz, 256 taps, 80 dB stop band), each coefficient
rounded to single precision and printed with nine significant digits."""
import json
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "..", "fir", "reference", "golden.json")) as f:
    cases = json.load(f)["kaiser"]
case = next(c for c in cases if (c["kind"], c["lowHz"], c["highHz"], c["taps"], c["attenuationDB"])
            == ("highPass", 20.0, 22000.0, 256, 80.0))
with open(os.path.join(HERE, "fir-dump.txt"), "w") as out:
    for value in case["h"]:
        single = struct.unpack("<f", struct.pack("<f", value))[0]
        out.write("%.9g\n" % single)
