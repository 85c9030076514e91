#pragma once

// The gain fader's law: a ten-point piecewise-linear table that puts 0 dB at
// 77 % of the travel. Shared by the mixer's fader and the offline self-checks.

// Gain in dB -> travel 0 (bottom, -60 dB) ... 1 (top, +15 dB).
double faderPosition(double db);

// Travel 0...1 -> gain in dB; the inverse of faderPosition.
double faderDB(double position);
