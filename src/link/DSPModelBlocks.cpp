// Typed readers, encoders and setters of the per-channel blocks. Every clamp and
// rounding step lives here so the views and the command line never compose words.
#include <cmath>

#include "link/DSPModel.h"
#include "link/Levels.h"

namespace {

using levels::bits;
using levels::clampFloat;
using levels::clampWord;
using levels::floorTop;
using levels::fromBits;
using Words = DSPModel::Words;

bool finite(float value) {
    return std::isfinite(value);
}

quint32 offWord(bool on) {
    return on ? 0 : 1;
}

quint32 sourceParam(int input) {
    return 350 + quint32(input);
}
quint32 testRouteParam(int input) {
    return 346 + quint32(input);
}
constexpr quint32 generatorTypeParam = 342;
constexpr quint32 sineParam = 343;

// The sine carries its frequency first, so its level and flags sit one word later.
int generatorLevelWord(Generator g) {
    return g == Generator::sine ? 1 : 0;
}
int generatorFlagsWord(Generator g) {
    return g == Generator::sine ? 2 : 1;
}
int generatorWordCount(Generator g) {
    return g == Generator::sine ? 3 : 2;
}

}  // namespace

// ---- readers ---------------------------------------------------------------

DSPModel::Band DSPModel::decodeBand(const Words& w) {
    const Words v = w.size() >= 4 ? w : w + Words(4 - w.size(), 0);
    return Band{v[0], fromBits(v[1]), fromBits(v[2]), qint64(v[3] & 0xFF), (v[3] & 0x100) == 0};
}

DSPModel::Filter DSPModel::decodeFilter(const Words& w) {
    const Words v = w.size() >= 2 ? w : w + Words(2 - w.size(), 0);
    const auto slope = FilterSlope::fromRaw(v[1] & 0xFF);
    return Filter{v[0], slope.value_or(FilterSlope::bw12), (v[1] & 0x100) == 0};
}

DSPModel::Band DSPModel::band(int ch, int b) const {
    return decodeBand(words(ParamMap::eqBandParam(ch, b), 4));
}

DSPModel::Filter DSPModel::highPass(int ch) const {
    return decodeFilter(words(154 + quint32(ch), 2));
}

DSPModel::Filter DSPModel::lowPass(int ch) const {
    return decodeFilter(words(166 + quint32(ch), 2));
}

DSPModel::Compressor DSPModel::compressor(int ch) const {
    const Words w = words(174 + quint32(ch), 6);
    const bool on = words(182 + quint32(ch), 1)[0] == 0;
    return Compressor{fromBits(w[0]), fromBits(w[1]), w[3], w[4], w[5], on};
}

DSPModel::Limiter DSPModel::limiter(int ch) const {
    const Words w = words(190 + quint32(ch), 6);
    const bool on = words(198 + quint32(ch), 1)[0] == 0;
    return Limiter{fromBits(w[0]), w[3], on};
}

DSPModel::DEQBand DSPModel::deqBand(int ch, int b) const {
    const Words w = words(354 + 3 * quint32(ch) + quint32(b), 8);
    const auto mode = DEQMode::fromRaw((w[3] >> 8) & 0xFF).value_or(DEQMode::boostAbove);
    return DEQBand{w[0],           fromBits(w[1]), fromBits(w[2]), mode,          (w[3] & 0xFF) == 1,
                   fromBits(w[4]), w[5],           w[6],           fromBits(w[7])};
}

DSPModel::Crosspoint DSPModel::crosspoint(quint32 number) const {
    const Words w = words(number, 2);
    return Crosspoint{fromBits(w[0]), (w[1] & 1) == 0 && holds(number)};
}

float DSPModel::generatorLevel(Generator g) const {
    return fromBits(words(g.parameter(), generatorWordCount(g))[generatorLevelWord(g)]);
}

bool DSPModel::generatorIsOn(Generator g) const {
    return (words(g.parameter(), generatorWordCount(g))[generatorFlagsWord(g)] & 1) == 0;
}

InputSource DSPModel::inputSource(int input) const {
    if (words(testRouteParam(input), 1)[0] == 1) return InputSource::testSignal;
    // A source word of 99 is the test signal's own raw value, so it reads as the test signal.
    return InputSource::fromRaw(words(sourceParam(input), 1)[0]).value_or(InputSource::aes);
}

// ---- encoders --------------------------------------------------------------

bool DSPModel::encodeBand(Words& w, const Band& band) {
    if (!finite(band.gain) || !finite(band.q)) return false;
    if (w.size() < 4) w.resize(4, 0);
    w[0] = clampWord(band.freq, 20, 22000);
    w[1] = bits(floorTop(band.gain, -15, 15));
    w[2] = bits(std::fmin(std::fmax(band.q, 0.25f), EQBandType::largestQForRaw(band.type)));
    w[3] = quint32(band.type) + (band.on ? 0 : 0x100);
    return true;
}

bool DSPModel::encodeFilter(Words& w, const Filter& filter) {
    if (w.size() < 2) w.resize(2, 0);
    w[0] = clampWord(filter.freq, 20, 22000);
    w[1] = quint32(filter.slope) + (filter.on ? 0 : 0x100);
    return true;
}

bool DSPModel::encodeLimiter(Words& w, const Limiter& limiter) {
    if (!finite(limiter.threshold)) return false;
    if (w.size() < 6) w.resize(6, 0);
    w[0] = bits(limiter.threshold <= 0 ? 0.0f : levels::roundToTenth(std::fmin(limiter.threshold, 24)));
    w[3] = clampWord(limiter.release, 1, 2895);
    return true;
}

bool DSPModel::encodeDEQBand(Words& w, const DEQBand& band) {
    if (!finite(band.maxGain) || !finite(band.q) || !finite(band.threshold) || !finite(band.ratio))
        return false;
    if (w.size() < 8) w.resize(8, 0);
    w[0] = clampWord(band.freq, 20, 22000);
    w[1] = bits(band.maxGain <= 0 ? 0.0f : levels::roundToTenth(std::fmin(band.maxGain, 12)));
    w[2] = bits(clampFloat(band.q, 0.27f, 15));
    w[3] = (band.active ? 1 : 0) + quint32(band.mode) * 256;
    w[4] = bits(floorTop(band.threshold, -90, 24));
    w[5] = clampWord(band.attack, 1, 2895);
    w[6] = clampWord(band.release, 1, 2895);
    w[7] = bits(clampFloat(band.ratio, 1, 100));
    return true;
}

bool DSPModel::encodeCrosspoint(Words& w, std::optional<bool> on, std::optional<float> level) {
    if (level && !finite(*level)) return false;
    if (w.size() < 2) w.resize(2, 0);
    // The connection word stays as the device reported it (a 0 is on) unless the edit is of
    // the connection itself: a level edit never switches a route.
    if (on) w[1] = *on ? 0x100 : 0x101;
    if (level) w[0] = bits(floorTop(*level, -60, 12));
    return true;
}

// ---- setters ---------------------------------------------------------------
// Each setter changes part of a block, so it starts from the block's held words; a
// block the table does not hold is left alone rather than rebuilt from zeros.

void DSPModel::setGain(int ch, float dB) {
    if (!finite(dB)) return;
    auto w = heldWords(quint32(ch) + 1, 2);
    if (!w) return;
    (*w)[0] = bits(floorTop(dB, -60, 15));
    write(quint32(ch) + 1, *w);
}

void DSPModel::setMute(int ch, bool muted) {
    auto w = heldWords(quint32(ch) + 1, 2);
    if (!w) return;
    quint32& flags = (*w)[1];
    flags = muted ? (flags | 1u) : (flags & ~1u);
    write(quint32(ch) + 1, *w);
}

void DSPModel::setPolarity(int ch, bool inverted) {
    auto w = heldWords(quint32(ch) + 1, 2);
    if (!w) return;
    quint32& flags = (*w)[1];
    flags = inverted ? (flags & ~0x100u) : (flags | 0x100u);
    write(quint32(ch) + 1, *w);
}

void DSPModel::setCompressor(int ch, const Compressor& c) {
    if (!finite(c.threshold) || !finite(c.ratio)) return;
    const quint32 number = 174 + quint32(ch);
    auto w = heldWords(number, 6);
    if (!w) return;
    (*w)[0] = bits(floorTop(c.threshold, -90, 24));
    (*w)[1] = bits(clampFloat(c.ratio, 1, 100));
    (*w)[3] = clampWord(c.attack, 1, 2895);
    (*w)[4] = clampWord(c.release, 1, 2895);
    (*w)[5] = clampWord(c.knee, 0, 30);
    write(number, *w);
    // The switch is written only when it is what changed: an edit of a level beside it, on a
    // switch the device never reported (which reads as on), must not turn the compressor on.
    if (compressor(ch).on != c.on) write(182 + quint32(ch), {offWord(c.on)});
}

void DSPModel::setLimiter(int ch, const Limiter& l) {
    if (!finite(l.threshold)) return;
    const quint32 number = 190 + quint32(ch);
    auto w = heldWords(number, 6);
    if (!w) return;
    // Older firmware reports the limiter with five words and refuses a sixth.
    const int count = params_.value(number).size() >= 6 ? 6 : 5;
    encodeLimiter(*w, l);
    write(number, *w, count);
    if (limiter(ch).on != l.on) write(198 + quint32(ch), {offWord(l.on)});
}

void DSPModel::setGate(int ch, std::optional<float> threshold, std::optional<bool> on) {
    if (threshold && !finite(*threshold)) return;
    const quint32 number = 210 + quint32(ch);
    if (threshold) {
        if (auto w = heldWords(number, 6)) {
            (*w)[0] = bits(floorTop(*threshold, -90, 0));
            write(number, *w);
        }
    }
    // The switch is a word of its own, written whole.
    if (on) write(214 + quint32(ch), {offWord(*on)});
}

void DSPModel::setDEQBand(int ch, int b, const DEQBand& band) {
    const quint32 number = 354 + 3 * quint32(ch) + quint32(b);
    auto w = heldWords(number, 8);
    if (w && encodeDEQBand(*w, band)) write(number, *w);
}

void DSPModel::setSineFrequency(qint64 hz) {
    auto w = heldWords(sineParam, 3);
    if (!w) return;
    (*w)[0] = clampWord(hz, 20, 22000);
    write(sineParam, *w);
}

void DSPModel::setGenerator(Generator g, std::optional<float> level, std::optional<bool> on) {
    if (level && !finite(*level)) return;
    const quint32 number = g.parameter();
    auto w = heldWords(number, generatorWordCount(g));
    if (!w) return;
    if (level) (*w)[generatorLevelWord(g)] = bits(floorTop(*level, -90, 0));
    if (on) {
        quint32& flags = (*w)[generatorFlagsWord(g)];
        flags = *on ? (flags & ~1u) : (flags | 1u);
    }
    write(number, *w);
}

void DSPModel::setInputSource(int input, InputSource source) {
    const bool test = source == InputSource::testSignal;
    // The generator type goes out again as stored, and the test signal keeps the stored
    // source word: without them held, the three writes would carry invented words.
    if (!holds(generatorTypeParam) || (test && !holds(sourceParam(input)))) return;
    write(testRouteParam(input), {test ? 1u : 0u}, std::nullopt, false);
    // The generator type is sent again so the device re-applies the test signal routing.
    write(generatorTypeParam, words(generatorTypeParam, 1), std::nullopt, false);
    const quint32 sourceWord = test ? words(sourceParam(input), 1)[0] : quint32(source);
    write(sourceParam(input), {sourceWord}, std::nullopt, false);
}
