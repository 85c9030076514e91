#include "cli/ReportTool.h"

#include <QObject>
#include <algorithm>
#include <memory>

#include "cli/Console.h"
#include "link/HexText.h"
#include "platform/NumText.h"
#include "platform/Tasks.h"
#include "platform/hid/HidBackend.h"

namespace cli {

namespace {

constexpr qsizetype kShownBytes = 40;
constexpr int kMinimumInputBuffer = 64;

QString textOrDash(const std::optional<QString>& text) {
    return text.value_or(QStringLiteral("-"));
}

// Numbers from the command line may be negative or wide; the forms show them
// as 32-bit values.
unsigned hex32(qint64 value) {
    return static_cast<unsigned>(value);
}

int32_t listDevices(hid::Backend& backend) {
    for (const hid::DeviceProperties& d : backend.devices()) {
        printLine(numtext::format("%04X:%04X  page 0x%04X usage 0x%02X  in %d out %d  ", hex32(d.vendorID),
                                  hex32(d.productID), hex32(d.usagePage), hex32(d.usage), d.maxInputReport,
                                  d.maxOutputReport) +
                  textOrDash(d.manufacturer) + QStringLiteral(" / ") + textOrDash(d.product));
    }
    return 0;
}

// The report-sized pieces of one buffer. A device that states no output
// report size gets the whole buffer as one report rather than empty ones.
QList<QByteArray> reportPieces(const QByteArray& buffer, int reportSize, bool pad) {
    if (reportSize <= 0) return {buffer};
    QList<QByteArray> pieces;
    for (qsizetype offset = 0; offset < std::max<qsizetype>(buffer.size(), 1); offset += reportSize) {
        QByteArray piece = buffer.mid(offset, reportSize);
        if (pad && piece.size() < reportSize) piece.append(QByteArray(reportSize - piece.size(), '\0'));
        pieces.append(piece);
    }
    return pieces;
}

QString sendLine(const QByteArray& buffer, int failure) {
    QString line = QStringLiteral("\u2192 ") + hexText(buffer.left(kShownBytes));
    if (buffer.size() > kShownBytes) line += QStringLiteral(" \u2026 (%1 bytes)").arg(buffer.size());
    if (failure != 0) line += QStringLiteral("   (failed ") + hid::errorCodeText(failure) + QLatin1Char(')');
    return line;
}

int32_t sendAndListen(const ReportToolSettings& settings, hid::Backend& backend) {
    const QList<hid::DeviceProperties> devices = backend.devices();
    const auto match = std::find_if(devices.begin(), devices.end(), [&](const hid::DeviceProperties& d) {
        return d.vendorID == settings.vendorID && d.productID == settings.productID;
    });
    if (match == devices.end()) {
        printError(numtext::format("device %04X:%04X not found\n", hex32(settings.vendorID),
                                   hex32(settings.productID)));
        return 1;
    }
    hid::OpenResult opened = backend.open(match->id);
    if (!opened.device) {
        printError(QStringLiteral("open failed\n"));
        return 1;
    }
    std::unique_ptr<hid::Device> device = std::move(opened.device);
    const int reportSize = match->maxOutputReport;
    const qsizetype inputBuffer = std::max(match->maxInputReport, kMinimumInputBuffer);
    QObject::connect(device.get(), &hid::Device::inputReport,
                     [inputBuffer](quint8, const QByteArray& report) {
                         printLine(QStringLiteral("\u2190 ") + hexText(report.left(inputBuffer)));
                     });

    for (const QByteArray& buffer : settings.sends) {
        int failure = 0;
        for (const QByteArray& piece : reportPieces(buffer, reportSize, settings.pad)) {
            if (const int code = device->sendOutputReport(0, piece)) failure = code;
        }
        printLine(sendLine(buffer, failure));
        tasks::runLoopFor(settings.waitMs / 1000.0);
    }
    if (settings.listenSeconds > 0) tasks::runLoopFor(settings.listenSeconds);
    device->close();
    return 0;
}

}  // namespace

int32_t runReportTool(const ReportToolSettings& settings, hid::Backend& backend) {
    return settings.listOnly ? listDevices(backend) : sendAndListen(settings, backend);
}

}  // namespace cli
