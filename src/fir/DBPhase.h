#pragma once

// A level with its phase at one frequency.
struct DBPhase {
    double db = 0;
    double deg = 0;

    friend bool operator==(const DBPhase&, const DBPhase&) = default;
};
