#!/usr/bin/python3
"""Writes the golden vectors the FIR tests compare against.

The reference values come from scipy/numpy routines written independently of
our code: scipy.signal.firwin with a Kaiser window for the simple filters, and
numpy's inverse real FFT over an 8192-point grid for the correction design.
Run from this directory with the system Python: /usr/bin/python3 make_reference.py
"""
import json

import numpy as np
from scipy import signal

FS = 48000.0
GRID = 8192


def kaiser_case(kind, low, high, taps, attenuation):
    """An even-length filter is an odd-length firwin design plus one zero tap."""
    beta = signal.kaiser_beta(attenuation) if attenuation > 21 else 0.0
    fl, fh = max(low, 1.0), min(high, FS / 2)
    odd = taps - 1
    window = ("kaiser", beta)
    if kind == "highPass":
        h = signal.firwin(odd, fl, window=window, pass_zero=False, scale=False, fs=FS)
    elif kind == "bandPass":
        h = signal.firwin(odd, [fl, fh], window=window, pass_zero=False, scale=False, fs=FS)
    else:
        h = signal.firwin(odd, fh, window=window, pass_zero=True, scale=False, fs=FS)
    h = np.append(h, 0.0)
    return {"kind": kind, "lowHz": low, "highHz": high, "taps": taps, "attenuationDB": attenuation,
            "h": [float(np.float32(v)) for v in h]}


def hann_taps(spectrum, taps):
    """Inverse real FFT of the 4097 bins, first taps samples, Hann window at the tap centres."""
    impulse = np.fft.irfft(spectrum, GRID)[:taps]
    n = np.arange(taps)
    return impulse * (0.5 - 0.5 * np.cos(2 * np.pi * (n + 0.5) / taps))


def bins():
    k = np.arange(GRID // 2 + 1)
    return k, np.maximum(k * FS / GRID, 1.0)


def delay(k, taps):
    return -2 * np.pi * k * ((taps - 1) / 2) / GRID


def biquad_db(b, a, f):
    _, response = signal.freqz(b, a, worN=f, fs=FS)
    return 20 * np.log10(np.abs(response))


def cookbook_biquad(kind, hz, q, gain):
    """The audio EQ cookbook's biquads, written out again here from the cookbook itself."""
    a_lin = 10 ** (gain / 40)
    w0 = 2 * np.pi * hz / FS
    cw, alpha = np.cos(w0), np.sin(w0) / (2 * max(q, 0.1))
    root = 2 * np.sqrt(a_lin) * alpha
    if kind == "peak":
        return [1 + alpha * a_lin, -2 * cw, 1 - alpha * a_lin], [1 + alpha / a_lin, -2 * cw, 1 - alpha / a_lin]
    if kind == "lowShelf":
        return ([a_lin * ((a_lin + 1) - (a_lin - 1) * cw + root), 2 * a_lin * ((a_lin - 1) - (a_lin + 1) * cw),
                 a_lin * ((a_lin + 1) - (a_lin - 1) * cw - root)],
                [(a_lin + 1) + (a_lin - 1) * cw + root, -2 * ((a_lin - 1) + (a_lin + 1) * cw),
                 (a_lin + 1) + (a_lin - 1) * cw - root])
    if kind == "highShelf":
        return ([a_lin * ((a_lin + 1) + (a_lin - 1) * cw + root), -2 * a_lin * ((a_lin - 1) + (a_lin + 1) * cw),
                 a_lin * ((a_lin + 1) + (a_lin - 1) * cw - root)],
                [(a_lin + 1) - (a_lin - 1) * cw + root, 2 * ((a_lin - 1) - (a_lin + 1) * cw),
                 (a_lin + 1) - (a_lin - 1) * cw - root])
    poles = [1 + alpha, -2 * cw, 1 - alpha]
    if kind == "lowPass":
        return [(1 - cw) / 2, 1 - cw, (1 - cw) / 2], poles
    if kind == "highPass":
        return [(1 + cw) / 2, -(1 + cw), (1 + cw) / 2], poles
    if kind == "bandPass":
        return [alpha, 0, -alpha], poles
    return [1, -2 * cw, 1], poles  # notch


def default_settings():
    centres = [30, 47, 74, 115, 178, 276, 429, 667, 1035, 1609, 2499, 3881, 6029, 9363, 14544]
    return {"normalise": False, "offsetDB": 0.0, "eqBypass": False,
            "hpOn": False, "hpHz": 20.0, "hpSlope": 1, "lpOn": False, "lpHz": 22000.0, "lpSlope": 1,
            "bands": [{"on": False, "type": 0, "hz": float(c), "q": 4.32, "db": 0.0} for c in centres],
            "magOn": False, "magMin": 20.0, "magMax": 22000.0, "maxBoostDB": 12.0, "aroundAverage": True,
            "phaseOn": False, "phaseMin": 20.0, "phaseMax": 22000.0, "taps": 512, "name": "Default 1"}


def correction_flat(taps):
    settings = default_settings()
    settings["taps"] = taps
    k, _ = bins()
    spectrum = np.exp(1j * delay(k, taps))
    return {"name": f"flat {taps}", "settings": settings,
            "h": [float(np.float32(v)) for v in hann_taps(spectrum, taps)]}


def correction_target():
    """Butterworth 12 dB/oct high-pass at 80 Hz, LR24 low-pass at 8 kHz and one band of each
    kind; an allpass band and a band at 0 dB add nothing."""
    settings = default_settings()
    settings.update({"hpOn": True, "hpHz": 80.0, "hpSlope": 1, "lpOn": True, "lpHz": 8000.0, "lpSlope": 13})
    bands = [  # (index, EQBandType raw value, kind, hz, q, db)
        (0, 1, "lowShelf", 120.0, 0.7, 4.0), (1, 2, "highShelf", 5000.0, 0.9, -3.0),
        (2, 0, "peak", 400.0, 2.0, -6.0), (3, 13, "notch", 2500.0, 8.0, -1.0),
        (4, 12, "bandPass", 900.0, 0.05, 2.0), (5, 9, "highPass", 40.0, 0.7, 1.0),
        (6, 10, "lowPass", 15000.0, 0.7, 1.0), (7, 3, None, 700.0, 1.0, 6.0), (8, 0, None, 3000.0, 1.0, 0.0)]
    k, f = bins()
    db = -10 * np.log10(1 + (80.0 / f) ** 4) - 20 * np.log10(1 + (f / 8000.0) ** 4)
    for index, raw, kind, hz, q, gain in bands:
        settings["bands"][index].update({"on": True, "type": raw, "hz": hz, "q": q, "db": gain})
        if kind:
            db += biquad_db(*cookbook_biquad(kind, hz, q, gain), f)
    taps = settings["taps"]
    spectrum = 10 ** (db / 20) * np.exp(1j * delay(k, taps))
    return {"name": "target", "settings": settings,
            "h": [float(np.float32(v)) for v in hann_taps(spectrum, taps)]}


def correction_measured():
    """A smooth synthetic speaker: magnitude corrected towards its average, phase inverted."""
    hz = np.geomspace(10.0, 23000.0, 300)
    level = 80 + 6 * np.sin(np.log(hz)) - 12 * np.log10(1 + (60 / hz) ** 4)
    phase = 200 * np.cos(np.log(hz) / 2)  # unwrapped truth, wrapped before export
    wrapped = (phase + 180) % 360 - 180
    points = [{"hz": float(a), "db": float(b), "deg": float(c)} for a, b, c in zip(hz, level, wrapped)]
    settings = default_settings()
    settings.update({"magOn": True, "magMin": 40.0, "magMax": 16000.0, "maxBoostDB": 6.0,
                     "phaseOn": True, "phaseMin": 100.0, "phaseMax": 10000.0, "taps": 256})
    taps = settings["taps"]
    # The unwrapped phase continues from the first measured phase.
    unwrapped = np.degrees(np.unwrap(np.radians(wrapped)))
    log_hz = np.log(hz)

    def measured(f):
        return np.interp(np.log(f), log_hz, level), np.interp(np.log(f), log_hz, unwrapped)

    def weight(lo, hi, f):
        span = np.log2(1.26)
        below, above = np.log2(lo / f), np.log2(f / hi)
        w = np.where(below > 0, 1 - below / span, np.where(above > 0, 1 - above / span, 1.0))
        return np.maximum(w, 0.0)

    lo, hi = 40.0, 16000.0
    centres = lo * (hi / lo) ** ((np.arange(64) + 0.5) / 64)
    reference = np.mean(measured(centres)[0])
    k, f = bins()
    db_measured, deg_measured = measured(f)
    correction = np.minimum(reference - db_measured, 6.0)
    db = weight(40.0, 16000.0, f) * correction
    phi = -weight(100.0, 10000.0, f) * deg_measured * np.pi / 180
    spectrum = 10 ** (db / 20) * np.exp(1j * (phi + delay(k, taps)))
    return {"name": "measured", "settings": settings,
            "measurement": {"name": "synthetic", "points": points},
            "h": [float(np.float32(v)) for v in hann_taps(spectrum, taps)]}


def main():
    kaiser = [
        kaiser_case("highPass", 20.0, 22000.0, 256, 80.0),
        kaiser_case("lowPass", 20.0, 1000.0, 512, 60.0),
        kaiser_case("bandPass", 300.0, 3000.0, 128, 40.0),
        kaiser_case("lowPass", 0.0, 5000.0, 64, 20.0),
        kaiser_case("highPass", 0.25, 22000.0, 32, 50.0),
    ]
    correction = [correction_flat(512), correction_flat(256), correction_target(), correction_measured()]
    with open("golden.json", "w") as out:
        json.dump({"kaiser": kaiser, "correction": correction}, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
