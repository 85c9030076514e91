#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringView>

#include <optional>
#include <span>
#include <vector>

#include "fir/DBPhase.h"

// A loudspeaker's measured frequency response as measurement tools export it:
// one frequency, level and optional phase and coherence per line.
struct Measurement {
    struct Point {
        double hz = 0;
        double db = 0;
        std::optional<double> deg;        // as measured, wrapped
        std::optional<double> coherence;  // kept, used by no computation

        friend bool operator==(const Point&, const Point&) = default;
        QJsonObject toJson() const;
        static std::optional<Point> fromJson(const QJsonObject& object);
    };

    QString name;
    std::vector<Point> points;  // ascending hz

    friend bool operator==(const Measurement&, const Measurement&) = default;

    // None for fewer than 10 usable lines. A line is usable with a finite
    // frequency above 0 and a finite level; non-finite phases and coherences
    // count as absent.
    static std::optional<Measurement> parse(QStringView text, const QString& name);

    // One phase per point, each within 180 degrees of the previous phase seen.
    static std::vector<double> unwrappedPhases(const std::vector<Point>& points);

    // Linear on a logarithmic frequency axis, held at the first and last point outside.
    static DBPhase interpolate(const std::vector<double>& phases, const std::vector<Point>& points,
                               double hz);

    // interpolate at each of the rising frequencies hz into db and deg, all of
    // one size; logHz holds their natural logarithms. Each search goes on from
    // where the one before ended and a point's logarithm is taken once, so a
    // whole grid of frequencies costs about as much as the points it passes.
    static void interpolateRising(const std::vector<double>& phases, const std::vector<Point>& points,
                                  std::span<const double> hz, std::span<const double> logHz,
                                  std::span<double> db, std::span<double> deg);

    // More than half of the points carry a phase.
    static bool hasPhase(const std::vector<Point>& points);

    QJsonObject toJson() const;
    static std::optional<Measurement> fromJson(const QJsonObject& object);
};
