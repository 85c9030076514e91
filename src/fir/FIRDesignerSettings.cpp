#include "fir/FIRDesignerSettings.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "link/DeviceVocabulary.h"

namespace {

constexpr double sampleRate = 48000;

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
    return TargetCurve(*this).db(hz);
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

TargetCurve::TargetCurve(const FIRDesignerSettings& settings) {
    if (settings.eqBypass) return;
    // -10 log10(1 + r^2n) for Butterworth and Bessel-like slopes, -20 log10(1 + r^2n)
    // for Linkwitz-Riley, where n is the order the slope stands for.
    const auto slopeOf = [](int raw, double corner) {
        const FilterSlope slope = FilterSlope::fromRaw(raw).value_or(FilterSlope::bw12);
        static constexpr int dBPerOctave[] = {6, 12, 18, 24, 36, 48, 6, 12, 18, 24, 36, 48, 12, 24, 36, 48};
        const int steepness = dBPerOctave[slope.rawValue()];
        const bool linkwitzRiley = slope >= FilterSlope::lr12;
        return Slope{corner, linkwitzRiley ? steepness / 12 : steepness / 6, linkwitzRiley};
    };
    if (settings.hpOn) {
        highPass_ = slopeOf(settings.hpSlope, settings.hpHz);
        highPass_->highPass = true;
    }
    if (settings.lpOn) lowPass_ = slopeOf(settings.lpSlope, settings.lpHz);

    for (const FIRDesignerSettings::Band& band : settings.bands) {
        if (!band.on || band.db == 0) continue;
        const double a = std::pow(10, band.db / 40);
        const double w0 = 2 * std::numbers::pi * band.hz / sampleRate;
        const double cosW0 = std::cos(w0);
        const double alpha = std::sin(w0) / (2 * std::max(band.q, 0.1));
        const double shelf = 2 * std::sqrt(a) * alpha;
        switch (EQBandType::fromRaw(band.type).value_or(EQBandType::peak)) {
            case EQBandType::peak:
                biquads_.push_back(
                    {1 + alpha * a, -2 * cosW0, 1 - alpha * a, 1 + alpha / a, -2 * cosW0, 1 - alpha / a});
                break;
            case EQBandType::lowShelf:
                biquads_.push_back(
                    {a * ((a + 1) - (a - 1) * cosW0 + shelf), 2 * a * ((a - 1) - (a + 1) * cosW0),
                     a * ((a + 1) - (a - 1) * cosW0 - shelf), (a + 1) + (a - 1) * cosW0 + shelf,
                     -2 * ((a - 1) + (a + 1) * cosW0), (a + 1) + (a - 1) * cosW0 - shelf});
                break;
            case EQBandType::highShelf:
                biquads_.push_back(
                    {a * ((a + 1) + (a - 1) * cosW0 + shelf), -2 * a * ((a - 1) + (a + 1) * cosW0),
                     a * ((a + 1) + (a - 1) * cosW0 - shelf), (a + 1) - (a - 1) * cosW0 + shelf,
                     2 * ((a - 1) - (a + 1) * cosW0), (a + 1) - (a - 1) * cosW0 - shelf});
                break;
            case EQBandType::variQLowPass:
            case EQBandType::ellipticLowPass:
            case EQBandType::lowPass1:
                biquads_.push_back(
                    {(1 - cosW0) / 2, 1 - cosW0, (1 - cosW0) / 2, 1 + alpha, -2 * cosW0, 1 - alpha});
                break;
            case EQBandType::variQHighPass:
            case EQBandType::ellipticHighPass:
            case EQBandType::highPass1:
                biquads_.push_back(
                    {(1 + cosW0) / 2, -(1 + cosW0), (1 + cosW0) / 2, 1 + alpha, -2 * cosW0, 1 - alpha});
                break;
            case EQBandType::bandPass:
                biquads_.push_back({alpha, 0, -alpha, 1 + alpha, -2 * cosW0, 1 - alpha});
                break;
            case EQBandType::notch:
                biquads_.push_back({1, -2 * cosW0, 1, 1 + alpha, -2 * cosW0, 1 - alpha});
                break;
            case EQBandType::allpass:
            case EQBandType::allpass2:
            case EQBandType::phase:
                break;
        }
    }
}

void TargetCurve::multiplySlope(const Slope& slope, std::span<const double> hz, std::span<double> power) {
    // One loop for each order and direction, so that the powers unroll and the bins go in pairs.
    const auto multiply = [&]<int halfOrder>() {
        const auto apply = [&](std::size_t i, double ratio) {
            const double squared = ratio * ratio;
            double raised = squared;
            for (int n = 1; n < halfOrder; ++n) raised *= squared;
            const double attenuation = 1 / (1 + raised);
            power[i] *= slope.squared ? attenuation * attenuation : attenuation;
        };
        if (slope.highPass)
            for (std::size_t i = 0; i < hz.size(); ++i) apply(i, slope.corner / hz[i]);
        else
            for (std::size_t i = 0; i < hz.size(); ++i) apply(i, hz[i] / slope.corner);
    };
    switch (slope.halfOrder) {
        case 1:
            return multiply.operator()<1>();
        case 2:
            return multiply.operator()<2>();
        case 3:
            return multiply.operator()<3>();
        case 4:
            return multiply.operator()<4>();
        case 6:
            return multiply.operator()<6>();
        default:
            return multiply.operator()<8>();
    }
}

void TargetCurve::levels(std::span<const double> hz, std::span<const double> cosW,
                         std::span<const double> sinW, std::span<double> power, std::span<double> db) const {
    // The terms multiplied as they come; only where a product ends up beyond
    // 1e+-150 (or overflowed on its way) are they multiplied again, moving
    // the product into db after each term before a further one could take
    // it past the range of a double.
    multiplyTerms(hz, cosW, sinW, power, db, false);
    const auto inRange = [](double p) { return p > 1e-150 && p < 1e150; };
    for (std::size_t i = 0; i < power.size(); ++i)
        if (!inRange(power[i]))
            multiplyTerms(hz.subspan(i, 1), cosW.subspan(i, 1), sinW.subspan(i, 1), power.subspan(i, 1),
                          db.subspan(i, 1), true);
}

void TargetCurve::multiplyTerms(std::span<const double> hz, std::span<const double> cosW,
                                std::span<const double> sinW, std::span<double> power, std::span<double> db,
                                bool keepInRange) const {
    std::fill(power.begin(), power.end(), 1.0);
    std::fill(db.begin(), db.end(), 0.0);
    const auto moveToDB = [&] {
        if (!keepInRange) return;
        for (std::size_t i = 0; i < power.size(); ++i) {
            if (power[i] > 1e-150 && power[i] < 1e150) continue;
            db[i] += 10 * std::log10(power[i]);
            power[i] = 1;
        }
    };
    for (const std::optional<Slope>& slope : {highPass_, lowPass_}) {
        if (!slope) continue;
        multiplySlope(*slope, hz, power);
        moveToDB();
    }
    // |b0 + b1 e^-iw + b2 e^-2iw|^2 over the same of the a's.
    for (const Biquad& q : biquads_) {
        for (std::size_t i = 0; i < hz.size(); ++i) {
            const double cos2W = 2 * cosW[i] * cosW[i] - 1;
            const double sin2W = 2 * sinW[i] * cosW[i];
            const double nRe = q.b0 + q.b1 * cosW[i] + q.b2 * cos2W;
            const double nIm = q.b1 * sinW[i] + q.b2 * sin2W;
            const double dRe = q.a0 + q.a1 * cosW[i] + q.a2 * cos2W;
            const double dIm = q.a1 * sinW[i] + q.a2 * sin2W;
            power[i] *= (nRe * nRe + nIm * nIm) / (dRe * dRe + dIm * dIm);
        }
        moveToDB();
    }
}

double TargetCurve::db(double hz) const {
    const double w = 2 * std::numbers::pi * hz / sampleRate;
    const double cosW = std::cos(w);
    const double sinW = std::sin(w);
    double power = 1;
    double db = 0;
    levels({&hz, 1}, {&cosW, 1}, {&sinW, 1}, {&power, 1}, {&db, 1});
    return db + 10 * std::log10(power);
}
