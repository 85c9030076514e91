#include "link/FaderLaw.h"

#include <array>

namespace {

struct LawPoint {
    double db;
    double travel;
};

constexpr std::array<LawPoint, 10> kLaw{{{-60, 0.0},
                                         {-40, 0.14},
                                         {-30, 0.25},
                                         {-20, 0.39},
                                         {-10, 0.57},
                                         {-5, 0.67},
                                         {0, 0.77},
                                         {5, 0.86},
                                         {10, 0.94},
                                         {15, 1.0}}};

}  // namespace

double faderPosition(double db) {
    // Written as comparisons that a NaN fails, so NaN matches no segment and reads as the top.
    const double x = db <= -60 ? -60 : (db > 15 ? 15 : db);
    for (std::size_t i = 0; i + 1 < kLaw.size(); ++i) {
        const LawPoint& lo = kLaw[i];
        const LawPoint& hi = kLaw[i + 1];
        if (x <= hi.db) return lo.travel + (x - lo.db) / (hi.db - lo.db) * (hi.travel - lo.travel);
    }
    return 1.0;
}

double faderDB(double position) {
    const double p = position <= 0 ? 0 : (position > 1 ? 1 : position);
    for (std::size_t i = 0; i + 1 < kLaw.size(); ++i) {
        const LawPoint& lo = kLaw[i];
        const LawPoint& hi = kLaw[i + 1];
        if (p <= hi.travel) return lo.db + (p - lo.travel) / (hi.travel - lo.travel) * (hi.db - lo.db);
    }
    return 15.0;
}
