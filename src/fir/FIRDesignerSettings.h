#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <span>
#include <vector>

// What the FIR designer aims for: a target curve (high-pass, low-pass and EQ
// bands, magnitudes only) and how far to correct a measurement towards it.
struct FIRDesignerSettings {
    struct Band {
        bool on = false;
        int type = 0;  // EQBandType raw value
        double hz = 1000;
        double q = 4.32;
        double db = 0;

        friend bool operator==(const Band&, const Band&) = default;
    };

    bool normalise = false;
    double offsetDB = 0;
    bool eqBypass = false;
    bool hpOn = false;
    double hpHz = 20;
    int hpSlope = 1;  // FilterSlope raw value
    bool lpOn = false;
    double lpHz = 22000;
    int lpSlope = 1;
    std::vector<Band> bands = defaultBands();
    bool magOn = false;
    double magMin = 20;
    double magMax = 22000;
    double maxBoostDB = 12;
    bool aroundAverage = true;
    bool phaseOn = false;
    double phaseMin = 20;
    double phaseMax = 22000;
    int taps = 512;
    QString name = QStringLiteral("Default 1");

    friend bool operator==(const FIRDesignerSettings&, const FIRDesignerSettings&) = default;

    static FIRDesignerSettings defaults() { return {}; }
    static std::vector<Band> defaultBands();

    // The target curve in dB at f > 0 (TargetCurve below, for many frequencies).
    double targetDB(double hz) const;

    // Every key is written; reading fails as a whole when any key is missing or of the wrong type.
    QJsonObject toJson() const;
    static std::optional<FIRDesignerSettings> fromJson(const QJsonObject& object);
};

// The target curve of a settings value, prepared once for many frequencies:
// the bands' biquads are computed up front, and every filter and band is a
// power ratio multiplied in, one term at a time over all the frequencies.
class TargetCurve {
public:
    explicit TargetCurve(const FIRDesignerSettings& settings);

    // The curve at hz[i] as power[i] x 10^(db[i] / 10): the product of the
    // filters' and bands' power ratios, with any part of it that would leave
    // the range of a double moved into db (0 but for extreme settings). cosW
    // and sinW hold the cosine and sine of 2 pi hz / 48000; all the same size.
    void levels(std::span<const double> hz, std::span<const double> cosW, std::span<const double> sinW,
                std::span<double> power, std::span<double> db) const;

    double db(double hz) const;

private:
    // 1 / (1 + r^(2 halfOrder)) for r = corner / hz (high-pass) or hz / corner
    // (low-pass), squared for Linkwitz-Riley slopes.
    struct Slope {
        double corner = 0;
        int halfOrder = 0;
        bool squared = false;
        bool highPass = false;
    };
    struct Biquad {
        double b0, b1, b2, a0, a1, a2;
    };

    static void multiplySlope(const Slope& slope, std::span<const double> hz, std::span<double> power);
    void multiplyTerms(std::span<const double> hz, std::span<const double> cosW, std::span<const double> sinW,
                       std::span<double> power, std::span<double> db, bool keepInRange) const;

    std::optional<Slope> highPass_;
    std::optional<Slope> lowPass_;
    std::vector<Biquad> biquads_;
};
