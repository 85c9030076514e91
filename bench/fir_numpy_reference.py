#!/usr/bin/python3
"""Times bench_fir's two designs beside the same computations in numpy/scipy and
prints C++ time / numpy time for each.

Usage: bench/fir_numpy_reference.py [path of bench_fir]   (default: build/bench/bench/bench_fir,
made by `make bench`); needs Debian's python3-numpy and python3-scipy. Both sides
evaluate the correction's inverse transform with an FFT; ours should take at most
a fifth of numpy's time for the whole design (ratio 0.2 or less).
"""
import json
import subprocess
import sys
import timeit

import numpy as np
from scipy import signal

FS, GRID = 48000.0, 8192


def dense_measurement():
    i = np.arange(2000)
    hz = 10 * 2400.0 ** (i / 1999.0)
    phase = np.fmod(-hz * 0.36 + 180 * np.sin(i * 0.01), 360.0)
    return hz, 85 + 4 * np.sin(np.log(hz) * 3), phase


def peak_db(f, hz, q, gain):
    a = 10 ** (gain / 40)
    w0 = 2 * np.pi * hz / FS
    alpha = np.sin(w0) / (2 * q)
    b = [1 + alpha * a, -2 * np.cos(w0), 1 - alpha * a]
    den = [1 + alpha / a, -2 * np.cos(w0), 1 - alpha / a]
    return 20 * np.log10(np.abs(signal.freqz(b, den, worN=f, fs=FS)[1]))


def weight(lo, hi, f):
    span = np.log2(1.26)
    below, above = np.log2(lo / f), np.log2(f / hi)
    return np.maximum(np.where(below > 0, 1 - below / span, np.where(above > 0, 1 - above / span, 1.0)), 0)


def correction_design(hz, level, phase, taps=512):
    unwrapped = np.degrees(np.unwrap(np.radians(phase)))
    log_hz = np.log(hz)
    k = np.arange(GRID // 2 + 1)
    f = np.maximum(k * FS / GRID, 1.0)
    db = -10 * np.log10(1 + (40 / f) ** 4) - 10 * np.log10(1 + (f / 18000) ** 4)
    db += peak_db(f, 180, 2, -4) + peak_db(f, 1600, 0.7, 2)
    centres = 40 * (16000 / 40) ** ((np.arange(64) + 0.5) / 64)
    reference = np.mean(np.interp(np.log(centres), log_hz, level))
    measured = np.interp(np.log(f), log_hz, level)
    db += weight(40, 16000, f) * np.minimum(reference - measured, 12)
    phi = -weight(100, 8000, f) * np.interp(np.log(f), log_hz, unwrapped) * np.pi / 180
    spectrum = 10 ** (db / 20) * np.exp(1j * (phi - 2 * np.pi * k * ((taps - 1) / 2) / GRID))
    n = np.arange(taps)
    return (np.fft.irfft(spectrum, GRID)[:taps] * (0.5 - 0.5 * np.cos(2 * np.pi * (n + 0.5) / taps))).astype(np.float32)


def kaiser_design():
    h = signal.firwin(511, [80, 12000], window=("kaiser", signal.kaiser_beta(80)), pass_zero=False,
                      scale=False, fs=FS)
    return np.append(h, 0).astype(np.float32)


def seconds_per_call(function, *args):
    timer = timeit.Timer(lambda: function(*args))
    count, _ = timer.autorange()
    return min(timer.repeat(5, count)) / count


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench/bench_fir"
    report = json.loads(subprocess.run([program, "--benchmark_format=json"], check=True,
                                       capture_output=True, text=True).stdout)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    ours = {b["name"]: b["real_time"] * scale[b["time_unit"]] for b in report["benchmarks"]}
    theirs = {"correctionDesign512": seconds_per_call(correction_design, *dense_measurement()),
              "kaiserDesign512": seconds_per_call(kaiser_design)}
    for name, reference in theirs.items():
        print(f"{name}: C++ {ours[name] * 1e3:.3f} ms, numpy {reference * 1e3:.3f} ms, "
              f"ratio C++/numpy {ours[name] / reference:.2f}")


if __name__ == "__main__":
    main()
