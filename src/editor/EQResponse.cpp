#include "editor/EQResponse.h"

#include <bit>
#include <cmath>
#include <numbers>

#include "link/DSPModel.h"
#include "link/ParamMap.h"

namespace {

constexpr double sampleRate = 48000;
constexpr std::array<int, 16> slopeDBPerOctave{6, 12, 18, 24, 36, 48, 6, 12, 18, 24, 36, 48, 12, 24, 36, 48};

double magnitude(const std::array<double, 3>& c, double w) {
    const double re = c[0] + c[1] * std::cos(w) + c[2] * std::cos(2 * w);
    const double im = c[1] * std::sin(w) + c[2] * std::sin(2 * w);
    return std::sqrt(re * re + im * im);
}

}  // namespace

double EQResponse::Biquad::dB(double hz) const {
    const double w = 2 * std::numbers::pi * hz / sampleRate;
    return 20 * std::log10(magnitude(b, w) / magnitude(a, w));
}

EQResponse::Biquad EQResponse::peaking(double f0, double gainDB, double q) {
    const double A = std::pow(10.0, gainDB / 40);
    const double w0 = 2 * std::numbers::pi * f0 / sampleRate;
    const double c = std::cos(w0);
    const double alpha = std::sin(w0) / (2 * (q <= 0.1 ? 0.1 : q));
    return {{1 + alpha * A, -2 * c, 1 - alpha * A}, {1 + alpha / A, -2 * c, 1 - alpha / A}};
}

std::optional<EQResponse::Biquad> EQResponse::band(quint32 freq, float gain, float q, quint32 typeWord) {
    if (typeWord & 0x100) return std::nullopt;
    const int raw = int(typeWord & 0xFF);
    const int type = raw <= 13 ? raw : 0;
    if (gain == 0.0f && (type == 0 || type == 1 || type == 2)) return std::nullopt;
    if (type == 3 || type == 4 || type == 7) return std::nullopt;  // all-pass kinds: flat magnitude
    if (type == 0) return peaking(freq, gain, q);

    const double A = std::pow(10.0, double(gain) / 40);
    const double w0 = 2 * std::numbers::pi * double(freq) / sampleRate;
    const double c = std::cos(w0);
    const double alpha = std::sin(w0) / (2 * (q <= 0.1f ? 0.1 : double(q)));
    const double s = 2 * std::sqrt(A) * alpha;
    const std::array<double, 3> poles{1 + alpha, -2 * c, 1 - alpha};
    switch (type) {
        case 1:
            return Biquad{
                {A * ((A + 1) - (A - 1) * c + s), 2 * A * ((A - 1) - (A + 1) * c),
                 A * ((A + 1) - (A - 1) * c - s)},
                {(A + 1) + (A - 1) * c + s, -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - s}};
        case 2:
            return Biquad{
                {A * ((A + 1) + (A - 1) * c + s), -2 * A * ((A - 1) + (A + 1) * c),
                 A * ((A + 1) + (A - 1) * c - s)},
                {(A + 1) - (A - 1) * c + s, 2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - s}};
        case 5:
        case 8:
        case 10:
            return Biquad{{(1 - c) / 2, 1 - c, (1 - c) / 2}, poles};
        case 6:
        case 9:
        case 11:
            return Biquad{{(1 + c) / 2, -(1 + c), (1 + c) / 2}, poles};
        case 12:
            return Biquad{{alpha, 0, -alpha}, poles};
        default:  // notch
            return Biquad{{1, -2 * c, 1}, poles};
    }
}

double EQResponse::Slope::dB(double hz) const {
    const double x = highPass ? fc / hz : hz / fc;
    const double term = -10 * std::log10(1 + std::pow(x, 2 * order));
    return riley ? 2 * term : term;
}

std::optional<EQResponse::Slope> EQResponse::filter(quint32 freqWord, quint32 slopeWord, bool highPass) {
    if (slopeWord & 0x100) return std::nullopt;
    int raw = int(slopeWord & 0xFF);
    if (raw > 15) raw = 1;
    const int perOctave = slopeDBPerOctave[raw];
    const bool riley = raw >= 12;
    return Slope{double(freqWord), riley ? perOctave / 12 : perOctave / 6, riley, highPass};
}

// Only blocks the device reported shape the response: an unread low-pass would read as a
// filter at 0 Hz and pull the whole curve onto the floor.
EQResponse EQResponse::read(const DSPModel& model, int ch) {
    EQResponse response;
    const int count = ParamMap::isInput(ch) ? ParamMap::inputEQBands : ParamMap::outputEQBands;
    for (int b = 0; b < count; ++b) {
        const std::optional<DSPModel::Words> w = model.heldWords(ParamMap::eqBandParam(ch, b), 4);
        response.m_complete = response.m_complete && w;
        if (!w) continue;
        const DSPModel::Words& v = *w;
        if (auto biquad = band(v[0], std::bit_cast<float>(v[1]), std::bit_cast<float>(v[2]), v[3]))
            response.m_bands.append(*biquad);
    }
    for (bool highPass : {true, false}) {
        const quint32 number =
            *ParamMap::param(highPass ? ParamMap::Block::highPass() : ParamMap::Block::lowPass(), ch);
        const std::optional<DSPModel::Words> w = model.heldWords(number, 2);
        response.m_complete = response.m_complete && w;
        if (!w) continue;
        if (auto slope = filter((*w)[0], (*w)[1], highPass)) response.m_filters.append(*slope);
    }
    return response;
}

double EQResponse::at(double hz) const {
    double total = 0;
    for (const Biquad& biquad : m_bands) total += biquad.dB(hz);
    for (const Slope& slope : m_filters) total += slope.dB(hz);
    return total;
}
