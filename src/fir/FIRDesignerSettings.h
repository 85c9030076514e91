#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
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

    // The target curve in dB at f > 0.
    double targetDB(double hz) const;

    // Every key is written; reading fails as a whole when any key is missing or of the wrong type.
    QJsonObject toJson() const;
    static std::optional<FIRDesignerSettings> fromJson(const QJsonObject& object);
};
