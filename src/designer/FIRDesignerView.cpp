#include "designer/FIRDesignerView.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QShowEvent>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

#include "fir/FIRDesigner.h"
#include "link/DSPModel.h"
#include "platform/NumText.h"
#include "platform/Settings.h"
#include "platform/TextMarks.h"
#include "platform/UserFile.h"
#include "ui/Dialogs.h"
#include "ui/controls/PlainText.h"

namespace {

// Low end first: a value at or below it becomes the low end, then one above the high end
// becomes the high end (NaN, which compares false both ways, is left to the design).
double clampSetting(double value, double low, double high) {
    if (value <= low) return low;
    if (value > high) return high;
    return value;
}

double clampHz(double hz) {
    return clampSetting(hz, 20, 22000);
}

// The first `count` characters as the user sees them (grapheme clusters).
QString firstGraphemes(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int seen = 0; seen < count; ++seen)
        if (finder.toNextBoundary() < 0) return text;
    return text.left(finder.position());
}

// Strict UTF-8 first; text that is not valid UTF-8 is read as ISO Latin-1, which every
// byte sequence is.
std::optional<QString> readText(const QString& path, bool tryUTF8) {
    const std::optional<QByteArray> read = userfile::read(path);
    if (!read) return std::nullopt;
    const QByteArray& bytes = *read;
    if (tryUTF8) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = decoder(bytes);
        if (!decoder.hasError()) return text;
    }
    return QString::fromLatin1(bytes);
}

}  // namespace

FIRDesignerView::FIRDesignerView(const AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    if (!context_.settings) context_.settings = &Settings::shared();
    buildLayout();
}

FIRDesignerView::~FIRDesignerView() = default;

void FIRDesignerView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Once per page: coming back from behind the reading display keeps the work in hand.
    if (event->spontaneous() || loaded_) return;
    loaded_ = true;
    loadStored();
}

// ---- load, persistence and redesign --------------------------------------------------

void FIRDesignerView::loadStored() {
    const QJsonDocument storedSettings = QJsonDocument::fromJson(context_.settings->data(settingsKey));
    if (storedSettings.isObject())
        if (auto decoded = FIRDesignerSettings::fromJson(storedSettings.object())) replaceSettings(*decoded);

    if (!m_) {
        const QJsonDocument stored = QJsonDocument::fromJson(context_.settings->data(measurementKey));
        if (stored.isObject()) replaceMeasurement(Measurement::fromJson(stored.object()));
        const QString path = qEnvironmentVariable(measurementVariable.toUtf8().constData());
        if (!m_ && !path.isEmpty())
            if (auto text = readText(path, false))
                replaceMeasurement(Measurement::parse(*text, QFileInfo(path).completeBaseName()));
    }
    redesignWanted_ = true;
    settle();
}

void FIRDesignerView::scheduleSettle() {
    if (settlePosted_) return;
    settlePosted_ = true;
    QMetaObject::invokeMethod(this, &FIRDesignerView::settle, Qt::QueuedConnection);
}

void FIRDesignerView::settle() {
    settlePosted_ = false;
    if (s_ != settledSettings_) {
        persistSettings();
        settledSettings_ = s_;
        redesignWanted_ = true;
    }
    // Compared whole: a second paste has the same name and maybe the same point count,
    // and must still replace the stored copy.
    if (m_ != settledMeasurement_) {
        persistMeasurement();
        settledMeasurement_ = m_;
    }
    if (std::exchange(redesignWanted_, false)) redesign();
    Q_EMIT stateChanged();
}

void FIRDesignerView::persistSettings() {
    context_.settings->setValue(settingsKey, QJsonDocument(s_.toJson()).toJson(QJsonDocument::Compact));
}

void FIRDesignerView::persistMeasurement() {
    const QByteArray data = m_ ? QJsonDocument(m_->toJson()).toJson(QJsonDocument::Compact) : QByteArray();
    context_.settings->setValue(measurementKey, data);
}

void FIRDesignerView::redesign() {
    coeffs_ = FIRDesigner::designCorrection(m_, s_);
    designUsable_ = std::all_of(coeffs_.cbegin(), coeffs_.cend(), [](float c) { return std::isfinite(c); });
    if (context_.model) context_.model->setDesignedFIR(DSPModel::DesignedFIR{s_.name, coeffs_});
}

void FIRDesignerView::replaceSettings(const FIRDesignerSettings& settings) {
    s_ = settings;
    scheduleSettle();
}

void FIRDesignerView::replaceMeasurement(std::optional<Measurement> measurement) {
    m_ = std::move(measurement);
    redesignWanted_ = true;
    scheduleSettle();
}

void FIRDesignerView::setStatus(std::optional<QString> status) {
    status_ = std::move(status);
    scheduleSettle();
}

// ---- setters ---------------------------------------------------------------------------

void FIRDesignerView::edit(const std::function<void(FIRDesignerSettings&)>& change) {
    history_.append(s_);
    if (history_.size() > historyLimit) history_.removeFirst();
    FIRDesignerSettings next = s_;
    change(next);
    replaceSettings(next);
}

void FIRDesignerView::editBand(int band, const std::function<void(FIRDesignerSettings::Band&)>& change) {
    edit([&](FIRDesignerSettings& s) {
        if (band >= 0 && size_t(band) < s.bands.size()) change(s.bands[size_t(band)]);
    });
}

void FIRDesignerView::setNormalise(bool on) {
    edit([&](FIRDesignerSettings& s) { s.normalise = on; });
}

void FIRDesignerView::setEQBypass(bool on) {
    edit([&](FIRDesignerSettings& s) { s.eqBypass = on; });
}

void FIRDesignerView::resetTarget() {
    edit([](FIRDesignerSettings& s) {
        s.hpOn = false;
        s.lpOn = false;
        s.bands = FIRDesignerSettings::defaultBands();
    });
}

void FIRDesignerView::setBandOn(int band, bool on) {
    editBand(band, [&](FIRDesignerSettings::Band& b) { b.on = on; });
}

void FIRDesignerView::setBandType(int band, int type) {
    editBand(band, [&](FIRDesignerSettings::Band& b) { b.type = type; });
}

void FIRDesignerView::setBandHz(int band, double hz) {
    editBand(band, [&](FIRDesignerSettings::Band& b) { b.hz = clampHz(hz); });
}

void FIRDesignerView::setBandQ(int band, double q) {
    editBand(band, [&](FIRDesignerSettings::Band& b) { b.q = clampSetting(q, 0.25, 20); });
}

void FIRDesignerView::setBandDB(int band, double db) {
    editBand(band, [&](FIRDesignerSettings::Band& b) { b.db = clampSetting(db, -15, 15); });
}

void FIRDesignerView::setMagOn(bool on) {
    edit([&](FIRDesignerSettings& s) { s.magOn = on; });
}

void FIRDesignerView::setAroundAverage(bool on) {
    edit([&](FIRDesignerSettings& s) { s.aroundAverage = on; });
}

void FIRDesignerView::setMaxBoost(double db) {
    edit([&](FIRDesignerSettings& s) { s.maxBoostDB = clampSetting(db, 0, 24); });
}

void FIRDesignerView::setPhaseOn(bool on) {
    edit([&](FIRDesignerSettings& s) { s.phaseOn = on; });
}

void FIRDesignerView::setTaps(int taps) {
    edit([&](FIRDesignerSettings& s) { s.taps = taps; });
}

void FIRDesignerView::setBoolSetting(bool FIRDesignerSettings::*field, bool value) {
    edit([&](FIRDesignerSettings& s) { s.*field = value; });
}

void FIRDesignerView::setIntSetting(int FIRDesignerSettings::*field, int value) {
    edit([&](FIRDesignerSettings& s) { s.*field = value; });
}

void FIRDesignerView::setFrequencySetting(double FIRDesignerSettings::*field, double hz) {
    edit([&](FIRDesignerSettings& s) { s.*field = clampHz(hz); });
}

void FIRDesignerView::setOffset(double db) {
    FIRDesignerSettings next = s_;
    next.offsetDB = std::round(db);
    replaceSettings(next);
}

void FIRDesignerView::setName(const QString& text) {
    FIRDesignerSettings next = s_;
    next.name = firstGraphemes(text, 24);
    replaceSettings(next);
}

void FIRDesignerView::setShowPhase(bool on) {
    showPhase_ = on;
    scheduleSettle();
}

void FIRDesignerView::undo() {
    if (history_.isEmpty()) return;
    replaceSettings(history_.takeLast());
}

// ---- measurement actions and export ---------------------------------------------------

void FIRDesignerView::importMeasurement() {
    const QString path = context_.dialogs->chooseOpenFile(
        tr("Load measurement"), {tr("Measurement text (*.txt *.csv *.text)"), tr("All files (*)")});
    if (path.isEmpty()) return;
    const std::optional<QString> text = readText(path, true);
    if (!text) return;
    std::optional<Measurement> parsed = Measurement::parse(*text, QFileInfo(path).completeBaseName());
    if (!parsed) {
        setStatus(unreadableFileText);
        return;
    }
    replaceMeasurement(std::move(parsed));
    setStatus(std::nullopt);
}

void FIRDesignerView::pasteMeasurement() {
    std::optional<Measurement> parsed =
        Measurement::parse(context_.dialogs->pastedText(), QStringLiteral("Pasted measurement"));
    if (!parsed) {
        setStatus(noClipboardDataText);
        return;
    }
    replaceMeasurement(std::move(parsed));
}

void FIRDesignerView::clearMeasurement() {
    replaceMeasurement(std::nullopt);
}

void FIRDesignerView::exportCoefficients() {
    if (!designUsable_) return;
    // A name typed without an extension gets ".txt": the file is plain text, and the FIR
    // tab's chooser offers it by that extension.
    const QString path =
        context_.dialogs->chooseSaveFile(tr("Export FIR coefficients"), proposedExportName(s_.name, s_.taps),
                                         {tr("Text (*.txt)")}, QStringLiteral("txt"));
    if (path.isEmpty()) return;
    // The line under the button never tells of an earlier export once this one failed.
    if (const auto error = userfile::write(path, coefficientFileText(s_.name, s_.taps, coeffs_).toUtf8())) {
        setStatus(std::nullopt);
        context_.dialogs->alert(QStringLiteral("The coefficients couldn't be exported."), *error);
        return;
    }
    setStatus(QStringLiteral("Exported %1.").arg(plaintext::oneLine(QFileInfo(path).fileName())));
}

QString FIRDesignerView::proposedExportName(const QString& name, int taps) {
    return userfile::safeFileName(QStringLiteral("%1 %2 taps.txt").arg(name, QString::number(taps)));
}

QString FIRDesignerView::measurementSummary(const Measurement& measurement) {
    return QStringLiteral("%1 — %2 points, %3")
        .arg(plaintext::oneLine(measurement.name), numtext::format("%lld", qint64(measurement.points.size())),
             Measurement::hasPhase(measurement.points) ? QStringLiteral("with phase")
                                                       : QStringLiteral("magnitude only"));
}

QString FIRDesignerView::coefficientFileText(const QString& name, int taps,
                                             const QList<float>& coefficients) {
    // The name stays on its header line: a line break in it would make the rest of the
    // header coefficients when the file is read back.
    QString text = QStringLiteral("# Tessaline DSP Control FIR — %1, %2 taps, 48 kHz\n")
                       .arg(textmarks::oneLine(name), QString::number(taps));
    for (float c : coefficients) text += numtext::format("%.9e\n", double(c));
    if (coefficients.isEmpty()) text += QLatin1Char('\n');
    return text;
}
