// Measurement text as the designer imports it from files and the clipboard,
// then everything the correction design reads from it, and its stored form.
#include <QJsonDocument>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "fir/Measurement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<Measurement> measurement = Measurement::parse(text, QStringLiteral("fuzz"));
    if (!measurement) return 0;
    const std::vector<double> phases = Measurement::unwrappedPhases(measurement->points);
    for (double hz :
         {0.5, 20.0, 1000.0, 23999.0, measurement->points.front().hz, measurement->points.back().hz})
        Measurement::interpolate(phases, measurement->points, hz);
    Measurement::hasPhase(measurement->points);

    const QByteArray stored = QJsonDocument(measurement->toJson()).toJson(QJsonDocument::Compact);
    if (Measurement::fromJson(QJsonDocument::fromJson(stored).object()) != measurement) __builtin_trap();
    return 0;
}
