// The designer's state: what is stored and brought back, the redesign that follows every
// change, the undo history, the setters' clamps, the measurement actions and the export.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include "DesignerTesting.h"
#include "fir/FIRDesigner.h"
#include "fir/FIRFile.h"

using designertest::measurementText;
using designertest::Page;

namespace {

void storeSettings(const FIRDesignerSettings& s) {
    Settings::shared().setValue(FIRDesignerView::settingsKey, QJsonDocument(s.toJson()).toJson());
}

std::optional<FIRDesignerSettings> storedSettings() {
    return FIRDesignerSettings::fromJson(
        QJsonDocument::fromJson(Settings::shared().data(FIRDesignerView::settingsKey)).object());
}

std::optional<Measurement> storedMeasurement() {
    const QByteArray data = Settings::shared().data(FIRDesignerView::measurementKey);
    if (data.isEmpty()) return std::nullopt;
    return Measurement::fromJson(QJsonDocument::fromJson(data).object());
}

// Sets TSL_FIR_MEASUREMENT for one scope.
struct EnvironmentMeasurement {
    explicit EnvironmentMeasurement(const QString& path) {
        qputenv("TSL_FIR_MEASUREMENT", path.toLocal8Bit());
    }
    ~EnvironmentMeasurement() { qunsetenv("TSL_FIR_MEASUREMENT"); }
};

}  // namespace

TEST(FIRDesignerState, FirstStartDesignsTheTargetAloneAndPublishesIt) {
    Page page;
    FIRDesignerView& view = page.open();
    EXPECT_EQ(view.settings(), FIRDesignerSettings::defaults());
    EXPECT_FALSE(view.measurement());
    ASSERT_EQ(view.coefficients().size(), 512);
    EXPECT_EQ(view.coefficients(),
              FIRDesigner::designCorrection(std::nullopt, FIRDesignerSettings::defaults()));
    ASSERT_TRUE(page.offline.model->designedFIR());
    EXPECT_EQ(page.offline.model->designedFIR()->name, QStringLiteral("Default 1"));
    EXPECT_EQ(DSPModel::loadDesignedFIR()->coefficients, view.coefficients());
    EXPECT_TRUE(view.history().isEmpty());
}

TEST(FIRDesignerState, StoredSettingsComeBackOnlyWhenComplete) {
    Page page;
    FIRDesignerSettings stored;
    stored.taps = 256;
    stored.name = QStringLiteral("Room");
    stored.bands.resize(3);
    storeSettings(stored);
    FIRDesignerView& view = page.open();
    EXPECT_EQ(view.settings(), stored);
    EXPECT_EQ(view.coefficients().size(), 256);
    EXPECT_EQ(page.offline.model->designedFIR()->name, QStringLiteral("Room"));

    // A store lacking one key, or not JSON at all, leaves every field at its default.
    for (const QByteArray& broken : {QByteArray("{not json"), QByteArray()}) {
        Page again;
        Settings::shared().setValue(FIRDesignerView::settingsKey, broken);
        EXPECT_EQ(again.open().settings(), FIRDesignerSettings::defaults());
    }
    Page missingKey;
    QJsonObject json = stored.toJson();
    json.remove(QStringLiteral("taps"));
    Settings::shared().setValue(FIRDesignerView::settingsKey, QJsonDocument(json).toJson());
    EXPECT_EQ(missingKey.open().settings(), FIRDesignerSettings::defaults());
}

TEST(FIRDesignerState, EnvironmentMeasurementIsReadOnceAndThenComesFromTheStore) {
    Page page;
    // An unusable file still designs, and stores nothing.
    for (const QString& path : {page.writeFile(QStringLiteral("nine.txt"), measurementText(9)),
                                page.dir.filePath(QStringLiteral("missing.txt"))}) {
        EnvironmentMeasurement environment(path);
        page.view.reset();
        FIRDesignerView& view = page.open();
        EXPECT_FALSE(view.measurement());
        EXPECT_EQ(view.coefficients().size(), 512);
        EXPECT_FALSE(view.status());
    }
    page.view.reset();
    // A Latin-1 degree sign in the header: the file is read as ISO Latin-1.
    const QString path =
        page.writeFile(QStringLiteral("Left top.v2.txt"), "* Phase (\xB0)\n" + measurementText(480, 480));
    {
        EnvironmentMeasurement environment(path);
        FIRDesignerView& view = page.open();
        ASSERT_TRUE(view.measurement());
        EXPECT_EQ(view.measurement()->name, QStringLiteral("Left top.v2"));
        EXPECT_EQ(view.measurement()->points.size(), 480u);
        EXPECT_EQ(storedMeasurement(), view.measurement());
        EXPECT_EQ(view.coefficients(), FIRDesigner::designCorrection(view.measurement(), view.settings()));
    }
    // Once stored, the variable is no longer consulted: a different file does not replace it.
    const QString other = page.writeFile(QStringLiteral("Other.txt"), measurementText(20));
    EnvironmentMeasurement environment(other);
    page.view.reset();
    FIRDesignerView& reopened = page.open();
    ASSERT_TRUE(reopened.measurement());
    EXPECT_EQ(reopened.measurement()->name, QStringLiteral("Left top.v2"));
}

TEST(FIRDesignerState, HistoryHoldsFiftySnapshotsOneForEveryCall) {
    Page page;
    FIRDesignerView& view = page.open();
    view.setMaxBoost(1);  // the snapshot of this first call is dropped by the 51st
    for (int i = 0; i < 50; ++i) view.setBandOn(0, false);  // unchanged values still push
    EXPECT_EQ(view.history().size(), 50);
    EXPECT_EQ(view.history().first().maxBoostDB, 1);
    for (const FIRDesignerSettings& entry : view.history()) EXPECT_EQ(entry.maxBoostDB, 1);
}

TEST(FIRDesignerState, SettersClampTheIncomingValue) {
    Page page;
    FIRDesignerView& view = page.open();
    const auto& s = view.settings();
    struct Case {
        std::function<void()> set;
        std::function<double()> read;
        double expected;
    };
    const std::vector<Case> cases = {
        {[&] { view.setBandHz(2, 10); }, [&] { return s.bands[2].hz; }, 20},
        {[&] { view.setBandHz(2, 30000); }, [&] { return s.bands[2].hz; }, 22000},
        {[&] { view.setBandHz(2, 99.6); }, [&] { return s.bands[2].hz; }, 99.6},
        {[&] { view.setBandQ(2, 0.1); }, [&] { return s.bands[2].q; }, 0.25},
        {[&] { view.setBandQ(2, 25); }, [&] { return s.bands[2].q; }, 20},
        {[&] { view.setBandDB(2, 20); }, [&] { return s.bands[2].db; }, 15},
        {[&] { view.setMaxBoost(-3); }, [&] { return s.maxBoostDB; }, 0},
        {[&] { view.setOffset(2.5); }, [&] { return s.offsetDB; }, 3},
        {[&] { view.setOffset(-2.5); }, [&] { return s.offsetDB; }, -3},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        cases[i].set();
        EXPECT_EQ(cases[i].read(), cases[i].expected) << "case " << i;
    }
    // A band index outside the list records the snapshot and changes nothing.
    const FIRDesignerSettings before = s;
    view.setBandDB(15, 3);
    EXPECT_EQ(s, before);
}

TEST(FIRDesignerState, ResetTargetKeepsEverythingButTheFiltersOnAndTheBands) {
    Page page;
    FIRDesignerView& view = page.open();
    view.setBoolSetting(&FIRDesignerSettings::hpOn, true);
    view.setBoolSetting(&FIRDesignerSettings::lpOn, true);
    view.setIntSetting(&FIRDesignerSettings::lpSlope, 13);
    view.setFrequencySetting(&FIRDesignerSettings::hpHz, 80);
    view.setBandOn(4, true);
    view.setBandDB(4, -6);
    view.setEQBypass(true);
    view.setMagOn(true);
    view.setTaps(256);
    view.setOffset(-7);
    view.setName(QStringLiteral("Kept"));
    FIRDesignerSettings expected = view.settings();
    expected.hpOn = expected.lpOn = false;
    expected.bands = FIRDesignerSettings::defaultBands();
    view.resetTarget();
    EXPECT_EQ(view.settings(), expected);
    EXPECT_EQ(view.settings().lpSlope, 13);
    EXPECT_EQ(view.settings().hpHz, 80);
}

TEST(FIRDesignerState, UndoBringsBackTheWholeSnapshot) {
    Page page;
    FIRDesignerView& view = page.open();
    view.undo();  // nothing to undo
    EXPECT_EQ(view.settings(), FIRDesignerSettings::defaults());

    // The offset records nothing, so undoing the later toggle keeps the new offset...
    view.setOffset(-6);
    view.setNormalise(true);
    view.undo();
    EXPECT_FALSE(view.settings().normalise);
    EXPECT_EQ(view.settings().offsetDB, -6);
    // ...while an offset edited after a toggle goes back with it.
    view.setNormalise(true);
    view.setOffset(4);
    view.setName(QStringLiteral("Later"));
    view.undo();
    EXPECT_FALSE(view.settings().normalise);
    EXPECT_EQ(view.settings().offsetDB, -6);
    EXPECT_EQ(view.settings().name, QStringLiteral("Default 1"));
    EXPECT_TRUE(view.history().isEmpty());

    // Undo stores and redesigns like any change.
    Page::settle();
    EXPECT_EQ(storedSettings(), view.settings());
    EXPECT_EQ(page.offline.model->designedFIR()->name, QStringLiteral("Default 1"));
}

TEST(FIRDesignerState, ABurstOfEditsIsStoredAndRedesignedOnce) {
    Page page;
    FIRDesignerView& view = page.open();
    QSignalSpy published(page.offline.model.get(), &DSPModel::designedFIRChanged);
    for (int db = -5; db <= 5; ++db) view.setOffset(db);
    view.setTaps(256);
    view.setName(QStringLiteral("Burst"));
    EXPECT_EQ(published.count(), 0);
    Page::settle();
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(view.coefficients().size(), 256);
    EXPECT_EQ(page.offline.model->designedFIR()->name, QStringLiteral("Burst"));
    EXPECT_EQ(storedSettings(), view.settings());

    // A setter that changes nothing records history but neither stores nor redesigns.
    view.setTaps(256);
    Page::settle();
    EXPECT_EQ(published.count(), 1);
}

TEST(FIRDesignerState, NameKeepsItsFirst24CharactersAsSeen) {
    Page page;
    FIRDesignerView& view = page.open();
    // "é" written as e + combining acute counts as one character.
    const QString decomposed = QStringLiteral("Cafe\u0301 ") + QString(30, QLatin1Char('x'));
    view.setName(decomposed);
    EXPECT_EQ(view.settings().name, decomposed.left(25));
    view.setName(QStringLiteral("Bass–Room ☺"));
    EXPECT_EQ(view.settings().name, QStringLiteral("Bass–Room ☺"));  // kept as typed; the upload filters
    EXPECT_TRUE(view.history().isEmpty());
}

TEST(FIRDesignerState, LoadingAFileReplacesTheMeasurementOrReportsIt) {
    Page page;
    FIRDesignerView& view = page.open();
    const QString nine = page.writeFile(QStringLiteral("nine.txt"), measurementText(9));
    const QString ten = page.writeFile(QStringLiteral("Front L.txt"), measurementText(10, 10));
    const QString latin = page.writeFile(QStringLiteral("latin.csv"), "* Phase \xB0\n" + measurementText(40));

    page.dialogs.fileAnswers.enqueue(nine);
    view.importMeasurement();
    EXPECT_EQ(view.status(), FIRDesignerView::unreadableFileText);
    EXPECT_FALSE(view.measurement());

    page.dialogs.fileAnswers.enqueue(ten);
    view.importMeasurement();
    EXPECT_FALSE(view.status());
    ASSERT_TRUE(view.measurement());
    EXPECT_EQ(FIRDesignerView::measurementSummary(*view.measurement()),
              QStringLiteral("Front L — 10 points, with phase"));
    Page::settle();
    EXPECT_EQ(storedMeasurement(), view.measurement());
    EXPECT_EQ(view.coefficients(), FIRDesigner::designCorrection(view.measurement(), view.settings()));

    page.dialogs.fileAnswers.enqueue(latin);
    view.importMeasurement();
    ASSERT_TRUE(view.measurement());
    EXPECT_EQ(view.measurement()->name, QStringLiteral("latin"));
    EXPECT_EQ(FIRDesignerView::measurementSummary(*view.measurement()),
              QStringLiteral("latin — 40 points, magnitude only"));

    // Cancelling the panel changes nothing, not even the status line.
    view.pasteMeasurement();  // empty clipboard: a message
    view.importMeasurement();
    EXPECT_EQ(view.status(), FIRDesignerView::noClipboardDataText);
    EXPECT_EQ(view.measurement()->name, QStringLiteral("latin"));
    EXPECT_TRUE(view.history().isEmpty());
}

TEST(FIRDesignerState, PasteAndClearKeepTheStatusLineAndEveryNewMeasurementIsStored) {
    Page page;
    FIRDesignerView& view = page.open();
    page.dialogs.clipboard = QStringLiteral("no numbers here");
    view.pasteMeasurement();
    EXPECT_EQ(view.status(), FIRDesignerView::noClipboardDataText);
    page.dialogs.clipboard = QString::fromLatin1(measurementText(12, 0, 0));
    view.pasteMeasurement();
    EXPECT_EQ(view.status(), FIRDesignerView::noClipboardDataText);
    ASSERT_TRUE(view.measurement());
    EXPECT_EQ(view.measurement()->name, QStringLiteral("Pasted measurement"));
    // A second paste has the same name and point count, but other levels: it is stored.
    Page::settle();
    const std::optional<Measurement> first = storedMeasurement();
    page.dialogs.clipboard = QString::fromLatin1(measurementText(12, 0, 10));
    view.pasteMeasurement();
    Page::settle();
    ASSERT_NE(view.measurement(), first);
    EXPECT_EQ(storedMeasurement(), view.measurement());

    view.clearMeasurement();
    Page::settle();
    EXPECT_FALSE(view.measurement());
    EXPECT_TRUE(Settings::shared().data(FIRDesignerView::measurementKey).isEmpty());
    EXPECT_EQ(view.status(), FIRDesignerView::noClipboardDataText);
    view.undo();
    EXPECT_FALSE(view.measurement());
    page.view.reset();
    EXPECT_FALSE(page.open().measurement());
}

TEST(FIRDesignerState, ExportWritesTheHeaderAndOneValuePerLine) {
    Page page;
    FIRDesignerView& view = page.open();
    const QString path = page.dir.filePath(QStringLiteral("Default 1 512 taps.txt"));

    view.exportCoefficients();  // cancelled
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(view.status());

    page.dialogs.fileAnswers.enqueue(path);
    view.exportCoefficients();
    EXPECT_EQ(page.dialogs.asked.last().text, QStringLiteral("Default 1 512 taps.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("# Tessaline DSP Control FIR — Default 1, 512 taps, 48 kHz\n")));
    EXPECT_EQ(text.count(QLatin1Char('\n')), 513);
    EXPECT_TRUE(text.endsWith(QLatin1Char('\n')));
    EXPECT_EQ(FIRFile::parseText(text), view.coefficients());
    EXPECT_EQ(view.status(), QStringLiteral("Exported Default 1 512 taps.txt."));

    EXPECT_EQ(FIRDesignerView::coefficientFileText(QStringLiteral("n"), 3, {0.5f, 0.0f, -0.25f}),
              QStringLiteral("# Tessaline DSP Control FIR — n, 3 taps, 48 kHz\n"
                             "5.000000000e-01\n0.000000000e+00\n-2.500000000e-01\n"));
    EXPECT_EQ(FIRDesignerView::coefficientFileText(QStringLiteral("n"), 0, {}),
              QStringLiteral("# Tessaline DSP Control FIR — n, 0 taps, 48 kHz\n\n"));

    // A write that fails says so in an alert, and the status line no longer tells of the last export.
    page.dialogs.fileAnswers.enqueue(page.dir.filePath(QStringLiteral("no/such/dir/x.txt")));
    view.exportCoefficients();
    EXPECT_EQ(page.dialogs.asked.last().kind, QStringLiteral("alert"));
    EXPECT_FALSE(view.status());
}
