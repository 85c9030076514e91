#include "cli/OfflineTools.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <algorithm>
#include <vector>

#include "cli/Console.h"
#include "cli/TextForms.h"
#include "fir/FIRDesign.h"
#include "fir/FIRDesigner.h"
#include "fir/FIRDesignerSettings.h"
#include "fir/FIRFile.h"
#include "fir/Measurement.h"
#include "link/DSPConnection.h"
#include "link/NetworkScan.h"
#include "platform/NumText.h"
#include "platform/UserFile.h"

namespace cli {

namespace {

// Every byte is one character, so only a file that cannot be read fails: missing, unreadable,
// or not a regular file of sane size (a FIFO or /dev/zero would hang the tool).
std::optional<Measurement> readMeasurement(const std::optional<QString>& path) {
    if (!path) return std::nullopt;
    const std::optional<QByteArray> bytes = userfile::read(*path);
    if (!bytes) return std::nullopt;
    return Measurement::parse(QString::fromLatin1(*bytes), QStringLiteral("test"));
}

// The loudest measured level between 20 Hz and 20 kHz; 0 when none lies there.
double referenceLevel(const std::vector<Measurement::Point>& points) {
    std::optional<double> loudest;
    for (const Measurement::Point& p : points) {
        if (p.hz >= 20 && p.hz <= 20000) loudest = std::max(loudest.value_or(p.db), p.db);
    }
    return loudest.value_or(0);
}

}  // namespace

int32_t runFIRDesign(const std::optional<QString>& measurementPath) {
    const std::optional<Measurement> measurement = readMeasurement(measurementPath);
    if (!measurement) {
        printLine(QStringLiteral("can't read measurement"));
        return 1;
    }
    FIRDesignerSettings settings = FIRDesignerSettings::defaults();
    settings.normalise = true;
    settings.magOn = true;
    settings.magMin = 200;
    settings.magMax = 16000;
    settings.taps = 512;

    QElapsedTimer timer;
    timer.start();
    const QList<float> coefficients = FIRDesigner::designCorrection(measurement, settings);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    const std::vector<Measurement::Point>& points = measurement->points;
    printLine(QStringLiteral("points %1, phase %2, generated %3 taps in ")
                  .arg(points.size())
                  .arg(Measurement::hasPhase(points) ? QStringLiteral("true") : QStringLiteral("false"))
                  .arg(coefficients.size()) +
              numtext::format("%.2f", seconds) + QLatin1Char('s'));

    const double reference = referenceLevel(points);
    const std::vector<double> phases = Measurement::unwrappedPhases(points);
    for (double hz :
         {100.0, 200.0, 300.0, 500.0, 800.0, 1000.0, 2000.0, 3000.0, 5000.0, 8000.0, 12000.0, 16000.0}) {
        const double speaker =
            settings.offsetDB + Measurement::interpolate(phases, points, hz).db - reference;
        const double fir = FIRDesigner::response(coefficients, hz).db;
        printLine(numtext::format("%6.0f Hz  speaker %6.1f dB   FIR %+6.1f dB   speaker", hz, speaker, fir) +
                  QStringLiteral("\u00D7") + numtext::format("FIR %6.1f dB", fir + speaker));
    }
    return 0;
}

int32_t runFIRDump() {
    const FIRDesign::Spec reference{FIRDesign::Kind::highPass, 20, 22000, 256, 80};
    for (float coefficient : FIRDesign::design(reference))
        printLine(numtext::format("%.9g", static_cast<double>(coefficient)));
    return 0;
}

int32_t runFIRFile(const std::optional<QString>& path) {
    if (!path) return 1;
    const FIRFile::Result result = FIRFile::load(*path);
    if (const auto* error = std::get_if<FIRFile::LoadError>(&result)) {
        printLine(QStringLiteral("ERROR ") + FIRFile::errorMessage(*error));
        return 1;
    }
    const FIRFile::Loaded& loaded = std::get<FIRFile::Loaded>(result);
    // Summed in single precision, first to last, as the device would.
    float sum = 0;
    for (float coefficient : loaded.coefficients) sum += coefficient;
    QString line = QStringLiteral("OK %1: %2 taps, sum %3")
                       .arg(loaded.name)
                       .arg(loaded.coefficients.size())
                       .arg(numtext::shortest(sum));
    if (loaded.note) line += QStringLiteral(" \u2014 ") + *loaded.note;
    printLine(line);
    return 0;
}

int32_t runScan(ScanSystem& system) {
    // The probe runs on a worker thread; its result comes back through the
    // event loop that waitFor turns.
    const QStringList hosts = QCoro::waitFor(DSPConnection::scanNetwork(system));
    printLine(QStringLiteral("DSPs on TCP 8234: ") + quotedList(hosts));
    return 0;
}

}  // namespace cli
