#include "link/DeviceVocabulary.h"

#include <array>

namespace {

template <typename Vocabulary, size_t N>
std::optional<Vocabulary> findRaw(const std::array<Vocabulary, N>& cases, int64_t raw) {
    for (Vocabulary entry : cases)
        if (entry.rawValue() == raw) return entry;
    return std::nullopt;
}

// Names are looked up by the case's position in allCases().
template <typename Vocabulary, size_t N>
size_t position(const std::array<Vocabulary, N>& cases, Vocabulary value) {
    for (size_t i = 0; i < N; ++i)
        if (cases[i] == value) return i;
    return 0;
}

constexpr std::array<FilterSlope, 16> slopes{
    FilterSlope::bw6,  FilterSlope::bw12, FilterSlope::bw18, FilterSlope::bw24,
    FilterSlope::bw36, FilterSlope::bw48, FilterSlope::bl6,  FilterSlope::bl12,
    FilterSlope::bl18, FilterSlope::bl24, FilterSlope::bl36, FilterSlope::bl48,
    FilterSlope::lr12, FilterSlope::lr24, FilterSlope::lr36, FilterSlope::lr48,
};
constexpr std::array<const char*, 16> slopeNames{
    "BW6",  "BW12", "BW18", "BW24", "BW36", "BW48", "BL6",  "BL12",
    "BL18", "BL24", "BL36", "BL48", "LR12", "LR24", "LR36", "LR48",
};

struct BandTypeInfo {
    const char* name;
    const char* shortName;
    float largestQ;
};

constexpr std::array<EQBandType, 14> bandTypes{
    EQBandType::peak,
    EQBandType::lowShelf,
    EQBandType::highShelf,
    EQBandType::allpass,
    EQBandType::allpass2,
    EQBandType::variQLowPass,
    EQBandType::variQHighPass,
    EQBandType::phase,
    EQBandType::ellipticLowPass,
    EQBandType::ellipticHighPass,
    EQBandType::lowPass1,
    EQBandType::highPass1,
    EQBandType::bandPass,
    EQBandType::notch,
};
constexpr std::array<BandTypeInfo, 14> bandTypeInfo{{
    {"Parametric", "PEQ", 128},
    {"Low shelf", "Lo shelf", 1},
    {"High shelf", "Hi shelf", 1},
    {"Allpass", "Allpass", 179},
    {"Allpass 2", "Allpass 2", 179},
    {"Vari-Q low-pass", "VQ LPF", 128},
    {"Vari-Q high-pass", "VQ HPF", 128},
    {"Phase", "Phase", 179},
    {"Elliptic low-pass", "Ell. LPF", 128},
    {"Elliptic high-pass", "Ell. HPF", 128},
    {"Low-pass (1st order)", "LPF 1st", 128},
    {"High-pass (1st order)", "HPF 1st", 128},
    {"Band-pass", "BPF", 128},
    {"Notch", "Notch", 128},
}};
constexpr float unknownTypeLargestQ = 128;

constexpr std::array<DEQMode, 4> deqModes{DEQMode::boostAbove, DEQMode::boostBelow, DEQMode::cutAbove,
                                          DEQMode::cutBelow};
constexpr std::array<const char*, 4> deqModeNames{"Boost above", "Boost below", "Cut above", "Cut below"};

constexpr std::array<InputSource, 4> sources{InputSource::analog, InputSource::dante, InputSource::aes,
                                             InputSource::testSignal};
constexpr std::array<const char*, 4> sourceLabels{"Analog", "Dante", "AES", "Test Signal"};
constexpr std::array<const char*, 4> sourceBadges{"ANALOG", "DANTE", "AES", "TEST"};

constexpr std::array<Generator, 3> generators{Generator::sine, Generator::pink, Generator::white};
constexpr std::array<const char*, 3> generatorNames{"Sine", "Pink noise", "White noise"};

}  // namespace

std::optional<FilterSlope> FilterSlope::fromRaw(int64_t raw) {
    return findRaw(slopes, raw);
}
std::span<const FilterSlope> FilterSlope::allCases() {
    return slopes;
}
QString FilterSlope::name() const {
    return QString::fromLatin1(slopeNames[position(slopes, *this)]);
}

std::optional<EQBandType> EQBandType::fromRaw(int64_t raw) {
    return findRaw(bandTypes, raw);
}
std::span<const EQBandType> EQBandType::allCases() {
    return bandTypes;
}
QString EQBandType::name() const {
    return QString::fromLatin1(bandTypeInfo[position(bandTypes, *this)].name);
}
QString EQBandType::shortName() const {
    return QString::fromLatin1(bandTypeInfo[position(bandTypes, *this)].shortName);
}
float EQBandType::largestQ() const {
    return bandTypeInfo[position(bandTypes, *this)].largestQ;
}
float EQBandType::largestQForRaw(int64_t raw) {
    const std::optional<EQBandType> type = fromRaw(raw);
    return type ? type->largestQ() : unknownTypeLargestQ;
}

std::optional<DEQMode> DEQMode::fromRaw(int64_t raw) {
    return findRaw(deqModes, raw);
}
std::span<const DEQMode> DEQMode::allCases() {
    return deqModes;
}
QString DEQMode::name() const {
    return QString::fromLatin1(deqModeNames[position(deqModes, *this)]);
}

std::optional<InputSource> InputSource::fromRaw(int64_t raw) {
    return findRaw(sources, raw);
}
std::span<const InputSource> InputSource::allCases() {
    return sources;
}
QString InputSource::label() const {
    return QString::fromLatin1(sourceLabels[position(sources, *this)]);
}
QString InputSource::badge() const {
    return QString::fromLatin1(sourceBadges[position(sources, *this)]);
}

std::optional<Generator> Generator::fromRaw(int64_t raw) {
    return findRaw(generators, raw);
}
std::span<const Generator> Generator::allCases() {
    return generators;
}
QString Generator::name() const {
    return QString::fromLatin1(generatorNames[position(generators, *this)]);
}
