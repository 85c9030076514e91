#include "fir/FIRDesignerSettings.h"

#include <QJsonArray>

#include <cmath>
#include <limits>
#include <numbers>

#include "link/DeviceVocabulary.h"

namespace {

constexpr double sampleRate = 48000;

// -10 log10(1 + r^2n) for Butterworth and Bessel-like slopes, -20 log10(1 + r^2n)
// for Linkwitz-Riley, where n is the order the slope stands for.
double filterDB(int slopeRaw, double ratio) {
    const FilterSlope slope = FilterSlope::fromRaw(slopeRaw).value_or(FilterSlope::bw12);
    static constexpr int dBPerOctave[] = {6, 12, 18, 24, 36, 48, 6, 12, 18, 24, 36, 48, 12, 24, 36, 48};
    const int steepness = dBPerOctave[slope.rawValue()];
    const bool linkwitzRiley = slope >= FilterSlope::lr12;
    const double order = linkwitzRiley ? steepness / 12 : steepness / 6;
    return (linkwitzRiley ? -20 : -10) * std::log10(1 + std::pow(ratio, 2 * order));
}

struct Biquad {
    double b0, b1, b2, a0, a1, a2;
};

std::optional<Biquad> biquadOf(const FIRDesignerSettings::Band& band) {
    const double a = std::pow(10, band.db / 40);
    const double w0 = 2 * std::numbers::pi * band.hz / sampleRate;
    const double cosW0 = std::cos(w0);
    const double alpha = std::sin(w0) / (2 * std::max(band.q, 0.1));
    const double shelf = 2 * std::sqrt(a) * alpha;
    switch (EQBandType::fromRaw(band.type).value_or(EQBandType::peak)) {
        case EQBandType::peak:
            return Biquad{1 + alpha * a, -2 * cosW0, 1 - alpha * a, 1 + alpha / a, -2 * cosW0, 1 - alpha / a};
        case EQBandType::lowShelf:
            return Biquad{a * ((a + 1) - (a - 1) * cosW0 + shelf), 2 * a * ((a - 1) - (a + 1) * cosW0),
                          a * ((a + 1) - (a - 1) * cosW0 - shelf), (a + 1) + (a - 1) * cosW0 + shelf,
                          -2 * ((a - 1) + (a + 1) * cosW0),        (a + 1) + (a - 1) * cosW0 - shelf};
        case EQBandType::highShelf:
            return Biquad{a * ((a + 1) + (a - 1) * cosW0 + shelf), -2 * a * ((a - 1) + (a + 1) * cosW0),
                          a * ((a + 1) + (a - 1) * cosW0 - shelf), (a + 1) - (a - 1) * cosW0 + shelf,
                          2 * ((a - 1) - (a + 1) * cosW0),         (a + 1) - (a - 1) * cosW0 - shelf};
        case EQBandType::variQLowPass:
        case EQBandType::ellipticLowPass:
        case EQBandType::lowPass1:
            return Biquad{(1 - cosW0) / 2, 1 - cosW0, (1 - cosW0) / 2, 1 + alpha, -2 * cosW0, 1 - alpha};
        case EQBandType::variQHighPass:
        case EQBandType::ellipticHighPass:
        case EQBandType::highPass1:
            return Biquad{(1 + cosW0) / 2, -(1 + cosW0), (1 + cosW0) / 2, 1 + alpha, -2 * cosW0, 1 - alpha};
        case EQBandType::bandPass:
            return Biquad{alpha, 0, -alpha, 1 + alpha, -2 * cosW0, 1 - alpha};
        case EQBandType::notch:
            return Biquad{1, -2 * cosW0, 1, 1 + alpha, -2 * cosW0, 1 - alpha};
        case EQBandType::allpass:
        case EQBandType::allpass2:
        case EQBandType::phase:
            break;
    }
    return std::nullopt;
}

double biquadDB(const Biquad& q, double hz) {
    const double w = 2 * std::numbers::pi * hz / sampleRate;
    const double c1 = std::cos(w), s1 = std::sin(w), c2 = std::cos(2 * w), s2 = std::sin(2 * w);
    const double numerator = std::hypot(q.b0 + q.b1 * c1 + q.b2 * c2, q.b1 * s1 + q.b2 * s2);
    const double denominator = std::hypot(q.a0 + q.a1 * c1 + q.a2 * c2, q.a1 * s1 + q.a2 * s2);
    return 20 * std::log10(numerator / denominator);
}

// The stored value of each field type, or none when the JSON type is wrong.
std::optional<bool> typed(const QJsonValue& value, bool) {
    return value.isBool() ? std::optional(value.toBool()) : std::nullopt;
}
std::optional<double> typed(const QJsonValue& value, double) {
    return value.isDouble() ? std::optional(value.toDouble()) : std::nullopt;
}
std::optional<QString> typed(const QJsonValue& value, const QString&) {
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}
// Whole numbers within the int range only, checked before any conversion.
std::optional<int> typed(const QJsonValue& value, int) {
    const double number = value.toDouble();
    const bool whole = value.isDouble() && std::trunc(number) == number &&
                       number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
    return whole ? std::optional(static_cast<int>(number)) : std::nullopt;
}

// Reads fields of one object; a missing key or a wrong type fails the whole decode.
class Reader {
public:
    explicit Reader(const QJsonObject& object) : object_(object) {}
    bool ok() const { return ok_; }

    template <typename Field>
    void read(const char* key, Field& field) {
        if (const auto value = typed(object_.value(QLatin1String(key)), field))
            field = *value;
        else
            ok_ = false;
    }

    void read(const char* key, std::vector<FIRDesignerSettings::Band>& field) {
        const QJsonValue value = object_.value(QLatin1String(key));
        ok_ = ok_ && value.isArray();
        field.clear();
        for (const QJsonValue& element : value.toArray()) {
            Reader band(element.toObject());
            FIRDesignerSettings::Band b;
            band.read("on", b.on);
            band.read("type", b.type);
            band.read("hz", b.hz);
            band.read("q", b.q);
            band.read("db", b.db);
            ok_ = ok_ && band.ok();
            field.push_back(b);
        }
    }

private:
    QJsonObject object_;
    bool ok_ = true;
};

}  // namespace

std::vector<FIRDesignerSettings::Band> FIRDesignerSettings::defaultBands() {
    std::vector<Band> bands;
    for (double hz : {30, 47, 74, 115, 178, 276, 429, 667, 1035, 1609, 2499, 3881, 6029, 9363, 14544})
        bands.push_back({false, EQBandType::peak, hz, 4.32, 0});
    return bands;
}

double FIRDesignerSettings::targetDB(double hz) const {
    if (eqBypass) return 0;
    double db = 0;
    if (hpOn) db += filterDB(hpSlope, hpHz / hz);
    if (lpOn) db += filterDB(lpSlope, hz / lpHz);
    for (const Band& band : bands) {
        if (!band.on || band.db == 0) continue;
        if (const std::optional<Biquad> biquad = biquadOf(band)) db += biquadDB(*biquad, hz);
    }
    return db;
}

QJsonObject FIRDesignerSettings::toJson() const {
    QJsonArray bandArray;
    for (const Band& b : bands)
        bandArray.append(QJsonObject{{"on", b.on}, {"type", b.type}, {"hz", b.hz}, {"q", b.q}, {"db", b.db}});
    return {{"normalise", normalise},
            {"offsetDB", offsetDB},
            {"eqBypass", eqBypass},
            {"hpOn", hpOn},
            {"hpHz", hpHz},
            {"hpSlope", hpSlope},
            {"lpOn", lpOn},
            {"lpHz", lpHz},
            {"lpSlope", lpSlope},
            {"bands", bandArray},
            {"magOn", magOn},
            {"magMin", magMin},
            {"magMax", magMax},
            {"maxBoostDB", maxBoostDB},
            {"aroundAverage", aroundAverage},
            {"phaseOn", phaseOn},
            {"phaseMin", phaseMin},
            {"phaseMax", phaseMax},
            {"taps", taps},
            {"name", name}};
}

std::optional<FIRDesignerSettings> FIRDesignerSettings::fromJson(const QJsonObject& object) {
    FIRDesignerSettings s;
    Reader reader(object);
    reader.read("normalise", s.normalise);
    reader.read("offsetDB", s.offsetDB);
    reader.read("eqBypass", s.eqBypass);
    reader.read("hpOn", s.hpOn);
    reader.read("hpHz", s.hpHz);
    reader.read("hpSlope", s.hpSlope);
    reader.read("lpOn", s.lpOn);
    reader.read("lpHz", s.lpHz);
    reader.read("lpSlope", s.lpSlope);
    reader.read("bands", s.bands);
    reader.read("magOn", s.magOn);
    reader.read("magMin", s.magMin);
    reader.read("magMax", s.magMax);
    reader.read("maxBoostDB", s.maxBoostDB);
    reader.read("aroundAverage", s.aroundAverage);
    reader.read("phaseOn", s.phaseOn);
    reader.read("phaseMin", s.phaseMin);
    reader.read("phaseMax", s.phaseMax);
    reader.read("taps", s.taps);
    reader.read("name", s.name);
    if (!reader.ok()) return std::nullopt;
    return s;
}
