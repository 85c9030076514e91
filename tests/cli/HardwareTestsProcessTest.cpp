#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "link/DSPFrame.h"
#include "platform/Settings.h"
#include "support/AppProcess.h"
#include "support/SimProcess.h"

using kestrel_test::AppRun;
using kestrel_test::SimProcess;

namespace {

const QString testDataFolder = QStringLiteral(KESTREL_TEST_DATA_DIR "/cli/data");

// The program against one simulator over TCP, with a user-defaults store of
// its own: empty, or remembering the network host an earlier run connected to.
AppRun runAgainst(const QString& host, const QStringList& arguments,
                  const QString& workingDirectory = QString(), const QString& rememberedHost = QString()) {
    QTemporaryDir config;
    if (!rememberedHost.isEmpty()) {
        Settings store(config.filePath(QStringLiteral("Tessaline/Tessaline DSP Control.conf")));
        store.setValue(QStringLiteral("useNetwork"), true);
        store.setValue(QStringLiteral("networkHost"), rememberedHost);
    }
    QProcessEnvironment environment = kestrel_test::cleanAppEnvironment();
    environment.insert(QStringLiteral("TSL_NETWORK"), host);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    return kestrel_test::runApp(arguments, environment, 240, workingDirectory);
}

QJsonObject paramsWithoutMeters(const QJsonObject& state) {
    QJsonObject params = state.value(QStringLiteral("params")).toObject();
    params.remove(QStringLiteral("366"));
    return params;
}

QString transportLine(const SimProcess& sim) {
    return QStringLiteral("transport: Network ") + sim.host();
}

// A simulator that starts from `state` (a dump, perhaps edited), with the given faults.
std::unique_ptr<SimProcess> startSimulatorFrom(const QJsonObject& state, const QStringList& faults = {}) {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("state.json")));
    if (!file.open(QIODevice::WriteOnly)) return nullptr;
    file.write(QJsonDocument(state).toJson());
    file.close();
    return kestrel_test::startSimulator(QStringList{QStringLiteral("--state"), file.fileName()} + faults);
}

// What a test may change on the device: parameters (less the meters), FIR blocks, presets.
QJsonObject deviceSettings(const QJsonObject& state) {
    return {{QStringLiteral("params"), paramsWithoutMeters(state)},
            {QStringLiteral("fir"), state.value(QStringLiteral("fir"))},
            {QStringLiteral("presets"), state.value(QStringLiteral("presets"))}};
}

QJsonArray wordArray(const DSPFrame::Words& words) {
    QJsonArray array;
    for (quint32 word : words) array.append(qint64(word));
    return array;
}

// A device as a user left it: the named channels hold filters of their own, some named,
// OUT 1's and OUT 2's FIRs bypassed, the test signal routed to IN D, four presets stored.
QJsonObject userDevice(QJsonObject state, const QList<std::pair<int, int>>& filters) {
    QJsonObject params = state.value(QStringLiteral("params")).toObject();
    params.insert(QStringLiteral("395"), QJsonArray{1});
    params.insert(QStringLiteral("396"), QJsonArray{1});
    params.insert(QStringLiteral("407"), wordArray(DSPFrame::packString(QStringLiteral("Mine"), 6)));
    params.insert(QStringLiteral("408"), wordArray(DSPFrame::packString(QStringLiteral("Custom 300"), 6)));
    params.insert(QStringLiteral("349"), QJsonArray{1});
    state.insert(QStringLiteral("params"), params);
    QJsonObject fir;
    for (const auto& [ch, taps] : filters) {
        const quint32 target = quint32(ch + 1) << 8;
        DSPFrame::Words coefficients;
        for (int i = 0; i < taps; ++i) coefficients.append(0x3C000000u + quint32(i));
        fir.insert(QString::number(target),
                   QJsonObject{{QStringLiteral("header"), wordArray({target, quint32(taps), 0, 0, 0})},
                               {QStringLiteral("coefficients"), wordArray(coefficients)}});
    }
    state.insert(QStringLiteral("fir"), fir);
    state.insert(
        QStringLiteral("presets"),
        QJsonObject{{QStringLiteral("occupied"), 0b1111},
                    {QStringLiteral("current"), 0},
                    {QStringLiteral("names"), QJsonObject{{QStringLiteral("0"), QStringLiteral("Live")},
                                                          {QStringLiteral("1"), QStringLiteral("Default")},
                                                          {QStringLiteral("2"), QStringLiteral("Stage")},
                                                          {QStringLiteral("3"), QStringLiteral("Bar")}}}});
    return state;
}

// What the device holds changed that the run's lines do not name: a parameter needs its
// "NOT RESTORED [N]" line, a FIR block (with its channel's bypass and name) "not restored:
// channel N", a preset slot the line that names it as perhaps holding the test preset.
QStringList unnamedChanges(const QJsonObject& before, const QJsonObject& after, const QStringList& lines) {
    const auto channelNamed = [&lines](int ch) {
        return lines.contains(QStringLiteral("not restored: channel %1").arg(ch));
    };
    QStringList unnamed;
    const QJsonObject paramsBefore = before.value(QStringLiteral("params")).toObject();
    const QJsonObject paramsAfter = after.value(QStringLiteral("params")).toObject();
    for (auto it = paramsBefore.begin(); it != paramsBefore.end(); ++it) {
        if (paramsAfter.value(it.key()) == *it) continue;
        const int p = it.key().toInt();
        const int ch = p >= 403 ? p - 403 : p - 391;
        const bool firWord = p >= 391 && p < 415 && channelNamed(ch);
        if (!firWord && !lines.contains(QStringLiteral("NOT RESTORED [%1]").arg(p)))
            unnamed.append(QStringLiteral("parameter ") + it.key());
    }
    const QJsonObject firBefore = before.value(QStringLiteral("fir")).toObject();
    const QJsonObject firAfter = after.value(QStringLiteral("fir")).toObject();
    for (const QString& target : firAfter.keys()) {
        if (firBefore.value(target) != firAfter.value(target) && !channelNamed((target.toInt() >> 8) - 1))
            unnamed.append(QStringLiteral("FIR ") + target);
    }
    if (before.value(QStringLiteral("presets")) != after.value(QStringLiteral("presets")) &&
        lines.filter(QRegularExpression(QStringLiteral(R"(^slot \d+ may now hold "TSL TEST"$)"))).isEmpty())
        unnamed.append(QStringLiteral("presets"));
    return unnamed;
}

}  // namespace

TEST(HardwareTestsProcess, SnapshotWritesTheDeviceStateOrFails) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const QString file = sim->path(QStringLiteral("snapshot.json"));
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--snapshot"), file});
    ASSERT_TRUE(run.finished);
    const QStringList lines = run.outLines();
    ASSERT_EQ(lines.size(), 2) << run.outText().toStdString();
    EXPECT_EQ(lines[0], transportLine(*sim));
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^saved \d+ parameters and 12 FIRs to )") +
                                   QRegularExpression::escape(file) + QLatin1Char('$'))
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(run.exitCode, 0);

    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_FALSE(bytes.contains('\n'));
    const QJsonObject snapshot = QJsonDocument::fromJson(bytes).object();
    EXPECT_EQ(snapshot.value(QStringLiteral("params")).toObject(), paramsWithoutMeters(sim->state()));
    EXPECT_FALSE(snapshot.value(QStringLiteral("params")).toObject().contains(QStringLiteral("366")));
    const QJsonObject firs = snapshot.value(QStringLiteral("fir")).toObject();
    ASSERT_EQ(firs.size(), 12);
    for (int ch = 0; ch < 12; ++ch) {
        const QJsonObject fir = firs.value(QString::number(ch)).toObject();
        const QJsonArray header = fir.value(QStringLiteral("header")).toArray();
        ASSERT_EQ(header.size(), 5) << ch;
        EXPECT_EQ(header[0].toInteger(), (ch + 1) << 8);
        EXPECT_EQ(fir.value(QStringLiteral("coefficients")).toArray().size(), header[1].toInteger() & 0xFFFF);
    }

    const QString unwritable = sim->path(QStringLiteral("missing-folder/snapshot.json"));
    const AppRun failed = runAgainst(sim->host(), {QStringLiteral("--snapshot"), unwritable});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.outLines().value(1), QStringLiteral("can't write ") + unwritable);
    EXPECT_FALSE(failed.outText().contains(QStringLiteral("saved")));
}

// Every kind of parameter on every channel goes out, reads back the same and is
// put back: the device ends as it began.
TEST(HardwareTestsProcess, ParameterTestPassesAndRestoresTheDevice) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const QJsonObject before = paramsWithoutMeters(sim->state());
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--hwtest-params")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.outText().toStdString();
    EXPECT_EQ(
        run.outLines(),
        (QStringList{transportLine(*sim), QStringLiteral("set + read back: 143 of 143 parameters match"),
                     QStringLiteral("restore: all parameters back to their original values")}));
    EXPECT_EQ(paramsWithoutMeters(sim->state()), before);
}

TEST(HardwareTestsProcess, ParameterTestCatchesADeviceThatDropsWrites) {
    const auto sim = kestrel_test::startSimulator({QStringLiteral("--ignore-writes")});
    ASSERT_TRUE(sim->started());
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--hwtest-params")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.outLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("restore: all parameters back to their original values")));
    EXPECT_GT(
        lines.filter(QRegularExpression(QStringLiteral(R"(^MISMATCH .+ \[\d+\]: app \[.*\] DSP \[.*\]$)")))
            .size(),
        100);
    EXPECT_TRUE(lines.contains(
        QStringLiteral("MISMATCH IN A gain/mute/polarity [1]: app [\"c0200000\", \"1\"] DSP [\"0\", \"0\"]")))
        << run.outText().toStdString();
}

// A parameter the device never reported could not be put back: the test leaves it alone,
// with whatever the same step sets (here OUT 1's compressor goes with its switch), names
// them and fails, and the device ends as it began.
TEST(HardwareTestsProcess, ParameterTestLeavesAloneWhatTheDeviceNeverReported) {
    QJsonObject state = kestrel_test::startSimulator()->state();
    QJsonObject params = state.value(QStringLiteral("params")).toObject();
    for (const QString& unreported : {QStringLiteral("378"), QStringLiteral("186")}) {
        ASSERT_TRUE(params.contains(unreported));
        params.remove(unreported);
    }
    state.insert(QStringLiteral("params"), params);
    const auto sim = startSimulatorFrom(state);
    ASSERT_TRUE(sim && sim->started());
    const QJsonObject before = paramsWithoutMeters(sim->state());
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--hwtest-params")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.outText().toStdString();
    EXPECT_EQ(run.outLines(),
              (QStringList{transportLine(*sim), QStringLiteral("not tested, never read: [378, 186]"),
                           QStringLiteral("not tested, set together with one never read: [178]"),
                           QStringLiteral("set + read back: 140 of 143 parameters match"),
                           QStringLiteral("restore: all parameters back to their original values")}));
    EXPECT_EQ(paramsWithoutMeters(sim->state()), before);
}

TEST(HardwareTestsProcess, MetersPrintSettingsAndLevels) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--meters"), QStringLiteral("1.2")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.outLines();
    ASSERT_GE(lines.size(), 8) << run.outText().toStdString();
    EXPECT_EQ(lines[0], transportLine(*sim));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("IN A: source ")));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral(R"(^IN D: source \w+, gain -?\d+\.\d+ dB, muted (true|false)$)"))
            .match(lines[4])
            .hasMatch())
        << lines[4].toStdString();
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("generator selected: ")));
    EXPECT_EQ(lines[6],
              QStringLiteral(
                  "IN A   IN B   IN C   IN D   OUT 1  OUT 2  OUT 3  OUT 4  OUT 5  OUT 6  OUT 7  OUT 8  "));
    for (const QString& line : lines.mid(7)) {
        EXPECT_EQ(line.size(), 84) << line.toStdString();
    }
}

// Settings whose answers were lost print "?", never the model's zeros; a snapshot missing a
// parameter names it and fails; meters whose link is cut say so and fail instead of printing
// the last levels as live.
TEST(HardwareTestsProcess, ReportsMarkWhatTheyNeverReadAndALostLink) {
    const QStringList lostSettings{QStringLiteral("--lose-answer"), QStringLiteral("6:2"),
                                   QStringLiteral("--lose-answer"), QStringLiteral("6:351"),
                                   QStringLiteral("--lose-answer"), QStringLiteral("6:343")};
    const auto meters = startSimulatorFrom(kestrel_test::startSimulator()->state(), lostSettings);
    ASSERT_TRUE(meters && meters->started());
    const AppRun run = runAgainst(meters->host(), {QStringLiteral("--meters"), QStringLiteral("0")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.outLines();
    ASSERT_EQ(lines.size(), 7) << run.outText().toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("IN A: source Analog, gain "))) << lines[1].toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("IN B: source ?, gain ? dB, muted ?"));
    EXPECT_EQ(lines[5], QStringLiteral("generator selected: Sine; sine ? Hz ? dBu power ?"));

    const auto snapshot = startSimulatorFrom(kestrel_test::startSimulator()->state(),
                                             {QStringLiteral("--lose-answer"), QStringLiteral("6:5")});
    ASSERT_TRUE(snapshot && snapshot->started());
    const QString file = snapshot->path(QStringLiteral("snapshot.json"));
    const AppRun saved = runAgainst(snapshot->host(), {QStringLiteral("--snapshot"), file});
    ASSERT_TRUE(saved.finished);
    EXPECT_EQ(saved.exitCode, 1);
    EXPECT_EQ(saved.outLines().mid(2), QStringList{QStringLiteral("not saved, never read: [5]")})
        << saved.outText().toStdString();

    const auto cut = startSimulatorFrom(kestrel_test::startSimulator()->state(),
                                        {QStringLiteral("--vanish-on"), QStringLiteral("6:366/6")});
    ASSERT_TRUE(cut && cut->started());
    const AppRun lost = runAgainst(cut->host(), {QStringLiteral("--meters"), QStringLiteral("20")});
    ASSERT_TRUE(lost.finished);
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_EQ(lost.outLines().value(6), lines[6]);  // the heading, before the cut
    EXPECT_EQ(lost.outLines().last(), QStringLiteral("connection to the DSP lost"))
        << lost.outText().toStdString();
}

// A filter read back in part is no record of the block: the snapshot leaves it out, names it
// and fails. A filter longer than four chunks; a chunk one word short.
TEST(HardwareTestsProcess, SnapshotLeavesOutFiltersReadInPart) {
    const QJsonObject user =
        userDevice(kestrel_test::startSimulator()->state(), {{4, 1024}, {6, 512}, {7, 1100}});
    const struct {
        QString shortChunk;
        int saved;
        QString inPart;
    } cases[] = {
        {{}, 11, QStringLiteral("channel 7 (1024 of 1100 taps)")},
        {QStringLiteral("1"), 9,
         QStringLiteral(
             "channel 4 (511 of 1024 taps), channel 6 (511 of 512 taps), channel 7 (511 of 1100 taps)")},
    };
    for (const auto& c : cases) {
        const auto sim = startSimulatorFrom(
            user, c.shortChunk.isEmpty() ? QStringList()
                                         : QStringList{QStringLiteral("--fir-short-chunk"), c.shortChunk});
        ASSERT_TRUE(sim && sim->started());
        const QString file = sim->path(QStringLiteral("snapshot.json"));
        const AppRun run = runAgainst(sim->host(), {QStringLiteral("--snapshot"), file});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        const QStringList lines = run.outLines();
        ASSERT_EQ(lines.size(), 3) << run.outText().toStdString();
        EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" parameters and %1 FIRs to ").arg(c.saved) + file));
        EXPECT_EQ(lines[2], QStringLiteral("not saved, read in part: ") + c.inPart);
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QJsonObject firs =
            QJsonDocument::fromJson(written.readAll()).object().value(QStringLiteral("fir")).toObject();
        EXPECT_EQ(firs.size(), c.saved);
        EXPECT_FALSE(firs.contains(QStringLiteral("7")));
    }
}

// Every commit is refused with a status answer that carries no word, which counts as taken:
// the read-back shows the old filter still there, so its name stays, and the line gives the
// name as the device then reports it, "?" when that answer is lost.
TEST(HardwareTestsProcess, AFilterNameStaysWithAFilterThatDidNotChange) {
    const QJsonObject user = userDevice(kestrel_test::startSimulator()->state(), {{4, 256}, {5, 300}});
    const QString refused = QStringLiteral("--fir-commit-wordless");
    const struct {
        QStringList arguments;
        QStringList faults;
        QStringList lines;  // every line after the transport line, the first as a prefix
    } cases[] = {
        {{QStringLiteral("--fir-flat"), QStringLiteral("5")},
         {refused},
         {QStringLiteral("OUT 2: uploaded \u2014 read back 300 taps"),
          QStringLiteral("OUT 2: upload: 256 taps sent, taken; FIR block holds the filter it had, name "
                         "\"Custom 300\"")}},
        {{QStringLiteral("--fir-clear"), QStringLiteral("4,5")},
         {refused},
         {QStringLiteral("OUT 1: cleared \u2192 FAILED"),
          QStringLiteral("OUT 1: clear: 1 tap sent, taken; FIR block holds the filter it had, name \"Mine\""),
          QStringLiteral("OUT 2: cleared \u2192 FAILED"),
          QStringLiteral("OUT 2: clear: 1 tap sent, taken; FIR block holds the filter it had, name "
                         "\"Custom 300\"")}},
        {{QStringLiteral("--fir-flat"), QStringLiteral("5")},
         {refused, QStringLiteral("--lose-answer"), QStringLiteral("6:408")},
         {QStringLiteral("OUT 2: uploaded \u2014 read back 300 taps"),
          QStringLiteral("OUT 2: upload: 256 taps sent, taken; FIR block holds the filter it had, name ?")}},
    };
    for (const auto& c : cases) {
        const auto sim = startSimulatorFrom(user, c.faults);
        ASSERT_TRUE(sim && sim->started());
        const QJsonObject before = deviceSettings(sim->state());
        const AppRun run = runAgainst(sim->host(), c.arguments);
        ASSERT_TRUE(run.finished);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 1) << what;
        QStringList lines = run.outLines().mid(1);
        ASSERT_EQ(lines.size(), c.lines.size()) << run.outText().toStdString();
        EXPECT_TRUE(lines[0].startsWith(c.lines[0])) << lines[0].toStdString();
        EXPECT_EQ(lines.mid(1), c.lines.mid(1)) << what;
        EXPECT_EQ(deviceSettings(sim->state()), before) << what;
    }
}

// A word the device never gave prints "?", one outside the vocabulary "?" and the word, in
// every line that shows it: meters never answered, generator word 5, IN B's source word 7
// before and after the sources test, preset names whose answers were lost, a NaN gain and an
// infinite sine level.
TEST(HardwareTestsProcess, ReportsPrintAQuestionMarkForWordsTheyCannotName) {
    QJsonObject state = kestrel_test::startSimulator()->state();
    QJsonObject params = state.value(QStringLiteral("params")).toObject();
    params.insert(QStringLiteral("351"), QJsonArray{7});
    params.insert(QStringLiteral("342"), QJsonArray{5});
    QJsonArray gain = params.value(QStringLiteral("1")).toArray();
    gain[0] = qint64(0x7FC00000);
    params.insert(QStringLiteral("1"), gain);
    QJsonArray sine = params.value(QStringLiteral("343")).toArray();
    sine[1] = qint64(0x7F800000);
    params.insert(QStringLiteral("343"), sine);
    state.insert(QStringLiteral("params"), params);

    const auto meters = startSimulatorFrom(state, {QStringLiteral("--lose-answer"), QStringLiteral("6:366")});
    ASSERT_TRUE(meters && meters->started());
    const AppRun metered = runAgainst(meters->host(), {QStringLiteral("--meters"), QStringLiteral("0.6")});
    ASSERT_TRUE(metered.finished);
    QStringList lines = metered.outLines();
    ASSERT_GE(lines.size(), 8) << metered.outText().toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("IN B: source ?7, gain "))) << lines[2].toStdString();
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("generator selected: ?5; "))) << lines[5].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral(", gain ?2143289344 dB, "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[5].contains(QStringLiteral(" Hz ?2139095040 dBu power "))) << lines[5].toStdString();
    for (const QString& line : lines.mid(7)) EXPECT_EQ(line, QStringLiteral("?      ").repeated(12));

    const auto sim = startSimulatorFrom(state, {QStringLiteral("--lose-answer"), QStringLiteral("17")});
    ASSERT_TRUE(sim && sim->started());
    const AppRun sources = runAgainst(sim->host(), {QStringLiteral("--hwtest-sources")});
    ASSERT_TRUE(sources.finished);
    EXPECT_EQ(sources.exitCode, 0) << sources.outText().toStdString();
    const QString inputs = QStringLiteral("IN A Analog, IN B ?7, IN C Analog, IN D Analog");
    EXPECT_EQ(sources.outLines().value(1), QStringLiteral("before: ") + inputs);
    EXPECT_EQ(sources.outLines().value(4), QStringLiteral("after:  ") + inputs);

    const AppRun presets = runAgainst(sim->host(), {QStringLiteral("--hwtest-presets")});
    ASSERT_TRUE(presets.finished);
    EXPECT_EQ(presets.exitCode, 1);
    lines = presets.outLines();
    EXPECT_EQ(lines.value(1), QStringLiteral("presets before: [\"0:?\", \"1:?\"], current 0"));
    EXPECT_EQ(lines.value(2), QStringLiteral("save to slot 2: acknowledged, listed as \"?\""));
}

TEST(HardwareTestsProcess, SourcesAndPresetsTestsPassAndRestore) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const QJsonObject before = paramsWithoutMeters(sim->state());
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--hwtest-sources")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.outText().toStdString();
    QStringList lines = run.outLines();
    ASSERT_EQ(lines.size(), 6) << run.outText().toStdString();
    EXPECT_EQ(
        lines[2],
        QStringLiteral("set IN A Analog, IN B Dante, IN C AES, IN D Dante \u2192 DSP reports IN A Analog, "
                       "IN B Dante, IN C AES, IN D Dante"));
    EXPECT_EQ(lines[5],
              QStringLiteral("SOURCES PASSED (each input holds its own source; originals restored)"));
    EXPECT_EQ(paramsWithoutMeters(sim->state()), before);

    // The presets test stores and deletes in a free slot of the same device.
    const AppRun presets = runAgainst(sim->host(), {QStringLiteral("--hwtest-presets")});
    ASSERT_TRUE(presets.finished);
    EXPECT_EQ(presets.exitCode, 0) << presets.outText().toStdString();
    lines = presets.outLines();
    ASSERT_EQ(lines.size(), 5) << presets.outText().toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("presets before: [")));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral(R"(^save to slot \d+: acknowledged, listed as "TSL TEST"$)"))
            .match(lines[2])
            .hasMatch())
        << lines[2].toStdString();
    EXPECT_EQ(lines[3],
              QStringLiteral("delete: acknowledged; list restored: true, current preset unchanged: true"));
    EXPECT_EQ(lines[4], QStringLiteral("PRESETS PASSED"));
}

TEST(HardwareTestsProcess, FIRUploadReadsBackAndRestores) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const AppRun run = runAgainst(
        sim->host(), {QStringLiteral("--fir-hwtest"), QStringLiteral("taps300.txt"), QStringLiteral("4,x,5")},
        testDataFolder);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.outText().toStdString();
    const QStringList lines = run.outLines();
    ASSERT_EQ(lines.size(), 9) << run.outText().toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("connected; file taps300: 512 taps"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("OUT 1: current FIR ")));
    EXPECT_TRUE(lines[3].startsWith(
        QStringLiteral("OUT 1: uploaded 512 taps, read back 512, header [\"500\", \"200\"")))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("\u2192 MATCH")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("OUT 1: restored original (")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral("\u2192 OK")));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("OUT 2: current FIR ")));
    EXPECT_EQ(lines[8], QStringLiteral("ALL PASSED"));
}

TEST(HardwareTestsProcess, FIRHardwareTestRefusesAnUnreadableFile) {
    const AppRun run = kestrel_test::runApp(
        {QStringLiteral("--fir-hwtest"), QStringLiteral("/nonexistent/f.txt"), QStringLiteral("4")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.outText(), QStringLiteral("can't read /nonexistent/f.txt\n"));
}

TEST(HardwareTestsProcess, FlatFilterClearAndProbe) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());

    const AppRun flat = runAgainst(sim->host(), {QStringLiteral("--fir-flat"), QStringLiteral("6")});
    EXPECT_EQ(flat.exitCode, 0) << flat.outText().toStdString();
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral(
                "^OUT 3: uploaded \u2014 read back 256 taps, header \\[\"700\", \"40100\", .*\\] \u2192 OK$"))
            .match(flat.outLines().value(1))
            .hasMatch())
        << flat.outText().toStdString();

    const AppRun clear = runAgainst(sim->host(), {QStringLiteral("--fir-clear"), QStringLiteral("4,6")});
    EXPECT_EQ(clear.exitCode, 0) << clear.outText().toStdString();
    EXPECT_EQ(clear.outLines().mid(1), (QStringList{QStringLiteral("OUT 1: cleared \u2192 OK"),
                                                    QStringLiteral("OUT 3: cleared \u2192 OK")}));

    const AppRun probe = runAgainst(sim->host(), {QStringLiteral("--fir-probe-1024"), QStringLiteral("6")});
    EXPECT_EQ(probe.exitCode, 0) << probe.outText().toStdString();
    const QStringList lines = probe.outLines();
    ASSERT_EQ(lines.size(), 4) << probe.outText().toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("OUT 3: current FIR 1 taps, name \"\", bypass false"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("1024-tap upload: ")));
    EXPECT_EQ(lines[3], QStringLiteral("restore original: OK"));
}

// Nothing listens at a random loopback address of this test's own: after the
// 30 s wait the test gives up.
TEST(HardwareTestsProcess, NoDeviceMeansDSPNotConnected) {
    QRandomGenerator* random = QRandomGenerator::global();
    const QString host = QStringLiteral("127.%1.%2.%3")
                             .arg(random->bounded(1, 255))
                             .arg(random->bounded(0, 256))
                             .arg(random->bounded(1, 255));
    const AppRun run = runAgainst(host, {QStringLiteral("--fir-clear")});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.outLines().size(), 2) << run.outText().toStdString();
    EXPECT_TRUE(run.outLines().first().startsWith(QStringLiteral("transport: ")));
    EXPECT_EQ(run.outLines().last(), QStringLiteral("DSP not connected"));
}

// A host remembered from an earlier run may be another device: the test neither runs on it
// nor reaches it, and the device the environment names gets the filter.
TEST(HardwareTestsProcess, ATestActsOnTheNamedHostAndLeavesTheRememberedOneAlone) {
    const auto named = kestrel_test::startSimulator();
    const auto remembered = kestrel_test::startSimulator();
    ASSERT_TRUE(named->started() && remembered->started());
    const AppRun run = runAgainst(named->host(), {QStringLiteral("--fir-flat"), QStringLiteral("6")}, {},
                                  remembered->host());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.outText().toStdString();
    EXPECT_EQ(run.outLines().value(0), transportLine(*named));

    EXPECT_EQ(remembered->events(), QStringList()) << "the remembered device was reached";
    EXPECT_TRUE(remembered->state().value(QStringLiteral("fir")).toObject().isEmpty());
    const QJsonObject block = named->state()
                                  .value(QStringLiteral("fir"))
                                  .toObject()
                                  .value(QString::number((6 + 1) << 8))
                                  .toObject();
    EXPECT_EQ(block.value(QStringLiteral("header")).toArray().at(1).toInteger() & 0xFFFF, 256);
    EXPECT_EQ(block.value(QStringLiteral("coefficients")).toArray().size(), 256);
}

// From the second run on the named host is also the remembered one. The test's frames all
// travel on the one connection the program opens, and it stays up until the program ends.
TEST(HardwareTestsProcess, ATestKeepsItsOneConnectionToARememberedNamedHost) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const QString file = sim->path(QStringLiteral("snapshot.json"));
    const AppRun run = runAgainst(sim->host(), {QStringLiteral("--snapshot"), file}, {}, sim->host());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.outText().toStdString();
    EXPECT_EQ(run.outLines().value(0), transportLine(*sim));
    EXPECT_TRUE(run.outLines().value(1).contains(QStringLiteral(" parameters and 12 FIRs to ")))
        << run.outText().toStdString();

    QStringList events = sim->events();
    if (events.value(events.size() - 1) == QStringLiteral("close 1")) events.removeLast();  // the exit
    ASSERT_GT(events.size(), 1);
    EXPECT_EQ(events.first(), QStringLiteral("open 1"));
    EXPECT_EQ(events.filter(QRegularExpression(QStringLiteral(R"(^frame 1 \d+$)"))).size(), events.size() - 1)
        << events.join(QLatin1Char(' ')).toStdString();
}

// A channel the device does not have is a usage error that names it, before any link is
// made; the old way dropped it and reported a pass for what was never tested.
TEST(HardwareTestsProcess, ChannelsOutsideTheDeviceStopTheProgramBeforeItConnects) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    const QList<std::pair<QStringList, QString>> cases{
        {{QStringLiteral("--fir-hwtest"), QStringLiteral("taps300.txt"), QStringLiteral("12")},
         QStringLiteral("12")},
        {{QStringLiteral("--fir-clear"), QStringLiteral("4,x,-1")}, QStringLiteral("-1")},
        {{QStringLiteral("--fir-flat"), QStringLiteral("12")}, QStringLiteral("12")},
        {{QStringLiteral("--fir-probe-1024"), QStringLiteral("+40")}, QStringLiteral("40")},
    };
    for (const auto& [arguments, number] : cases) {
        const AppRun run = runAgainst(sim->host(), arguments, testDataFolder);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(run.error), QStringLiteral("channel %1 out of range 0-11\n").arg(number));
        EXPECT_TRUE(run.out.isEmpty()) << run.outText().toStdString();
    }
    EXPECT_EQ(sim->events(), QStringList());
}

// A list in which no part names a channel once made the FIR test upload nothing and print
// "ALL PASSED"; it is a usage error that names the list, before any link is made.
TEST(HardwareTestsProcess, AFIRTestWithoutAChannelStopsBeforeItConnects) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    for (const QString& list :
         {QStringLiteral("4 5"), QStringLiteral("x"), QStringLiteral("4;5"), QStringLiteral("OUT1")}) {
        const AppRun run =
            runAgainst(sim->host(), {QStringLiteral("--fir-hwtest"), QStringLiteral("taps300.txt"), list},
                       testDataFolder);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2) << list.toStdString();
        EXPECT_EQ(QString::fromUtf8(run.error), QStringLiteral("no channel in '%1'\n").arg(list));
        EXPECT_TRUE(run.out.isEmpty()) << run.outText().toStdString();
    }
    EXPECT_EQ(sim->events(), QStringList());
}

// Each hardware test against a device that loses the answers to what the test would have to
// put back, or holds a filter no upload can put back: the run leaves the device exactly as it
// found it, says why and fails.
TEST(HardwareTestsProcess, TestsLeaveAloneWhatTheyCouldNotPutBack) {
    const QJsonObject user = userDevice(kestrel_test::startSimulator()->state(), {{4, 1024}, {5, 300}});
    const QStringList ch5NameAndBypassLost{QStringLiteral("--lose-answer"), QStringLiteral("6:396"),
                                           QStringLiteral("--lose-answer"), QStringLiteral("6:408")};
    const QString neverRead = QStringLiteral("not tested, never read: [396, 408]");
    const QString tooLong =
        QStringLiteral("not tested: channel 4 holds 1024 taps, more than can be put back");
    const struct {
        QStringList arguments;
        QStringList faults;
        QStringList lines;  // every line after the transport line
    } cases[] = {
        {{QStringLiteral("--fir-probe-1024"), QStringLiteral("5")}, ch5NameAndBypassLost, {neverRead}},
        {{QStringLiteral("--fir-hwtest"), QStringLiteral("taps300.txt"), QStringLiteral("5")},
         ch5NameAndBypassLost,
         {QStringLiteral("connected; file taps300: 512 taps"), neverRead, QStringLiteral("1 FAILED")}},
        {{QStringLiteral("--fir-probe-1024"), QStringLiteral("4")},
         {},
         {QStringLiteral("OUT 1: current FIR 1024 taps, name \"Mine\", bypass true"), tooLong}},
        {{QStringLiteral("--fir-hwtest"), QStringLiteral("taps300.txt"), QStringLiteral("4")},
         {},
         {QStringLiteral("connected; file taps300: 512 taps"),
          QStringLiteral("OUT 1: current FIR 1024 taps, header [\"500\", \"400\", \"0\", \"0\", \"0\"], name "
                         "\"Mine\", bypass true"),
          tooLong, QStringLiteral("1 FAILED")}},
        // IN D's routing word never comes back: the test signal it carries is left on, and
        // what the model guesses for IN D is not shown as the device's.
        {{QStringLiteral("--hwtest-sources")},
         {QStringLiteral("--lose-answer"), QStringLiteral("6:349")},
         {QStringLiteral("before: IN A Analog, IN B Analog, IN C Analog, IN D ?"),
          QStringLiteral("not tested, never read: [349]"),
          QStringLiteral(
              "set IN A Analog, IN B Dante, IN C AES \u2192 DSP reports IN A Analog, IN B Dante, IN C AES"),
          QStringLiteral(
              "set IN A AES, IN B Analog, IN C Dante \u2192 DSP reports IN A AES, IN B Analog, IN C Dante"),
          QStringLiteral("after:  IN A Analog, IN B Analog, IN C Analog, IN D ?"),
          QStringLiteral("SOURCES FAILED (0 mismatches, 0 not restored)")}},
        {{QStringLiteral("--hwtest-presets")},
         {QStringLiteral("--lose-answer"), QStringLiteral("8")},
         {QStringLiteral("preset list not read \u2014 nothing stored"), QStringLiteral("PRESETS FAILED")}},
    };
    for (const auto& c : cases) {
        const auto sim = startSimulatorFrom(user, c.faults);
        ASSERT_TRUE(sim && sim->started());
        const QJsonObject before = deviceSettings(sim->state());
        const AppRun run = runAgainst(sim->host(), c.arguments, testDataFolder);
        ASSERT_TRUE(run.finished);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 1) << what;
        EXPECT_EQ(run.outLines(), QStringList{transportLine(*sim)} + c.lines) << run.outText().toStdString();
        EXPECT_EQ(deviceSettings(sim->state()), before) << what;
    }
}

// The device goes away partway: after the parameter test's writes, once the FIR test's filter
// took, between the sources test's passes, on the presets test's delete. No line claims a
// restore, the run names everything the device was left holding changed, and fails.
TEST(HardwareTestsProcess, TestsCutOffPartwayNameWhatTheyLeftChanged) {
    const QJsonObject user = userDevice(kestrel_test::startSimulator()->state(), {{4, 256}});
    const struct {
        QStringList arguments;
        QString goneOn;       // the request the device goes away on
        QStringList closing;  // the run's last lines
    } cases[] = {
        {{QStringLiteral("--hwtest-params")},
         QStringLiteral("6:1/2"),
         {QStringLiteral("restore: 143 not restored")}},
        {{QStringLiteral("--fir-hwtest"), QStringLiteral("taps300.txt"), QStringLiteral("4")},
         QStringLiteral("135/4"),
         {QStringLiteral("not restored: channel 4"), QStringLiteral("2 FAILED")}},
        {{QStringLiteral("--fir-probe-1024"), QStringLiteral("4")},
         QStringLiteral("135/7"),
         {QStringLiteral("restore original: FAILED"), QStringLiteral("not restored: channel 4")}},
        // The model holds the values written back, which never arrived: no input shows them.
        {{QStringLiteral("--hwtest-sources")},
         QStringLiteral("6:350/3"),
         {QStringLiteral("after:  IN A ?, IN B ?, IN C ?, IN D ?"),
          QStringLiteral("SOURCES FAILED (3 mismatches, 9 not restored)")}},
        {{QStringLiteral("--hwtest-presets")},
         QStringLiteral("18"),
         {QStringLiteral("delete: FAILED; list restored: not read, current preset unchanged: not read"),
          QStringLiteral("slot 4 may now hold \"TSL TEST\""), QStringLiteral("PRESETS FAILED")}},
    };
    const QRegularExpression restoreClaims(QStringLiteral(
        "restore original: OK|\u2192 OK$|originals restored|, 0 not restored|back to their original values|"
        "list restored: true|PASSED"));
    for (const auto& c : cases) {
        const auto sim = startSimulatorFrom(user, {QStringLiteral("--vanish-on"), c.goneOn});
        ASSERT_TRUE(sim && sim->started());
        const QJsonObject before = deviceSettings(sim->state());
        const AppRun run = runAgainst(sim->host(), c.arguments, testDataFolder);
        ASSERT_TRUE(run.finished);
        const std::string what = c.arguments.join(' ').toStdString();
        const QJsonObject after = deviceSettings(sim->state());
        EXPECT_EQ(run.exitCode, 1) << what;
        EXPECT_EQ(run.outLines().mid(run.outLines().size() - c.closing.size()), c.closing)
            << run.outText().toStdString();
        EXPECT_EQ(run.outLines().filter(restoreClaims), QStringList()) << run.outText().toStdString();
        EXPECT_NE(after, before) << what << ": the device went away before the test changed anything";
        EXPECT_EQ(unnamedChanges(before, after, run.outLines()).join(", ").toStdString(), "") << what;
    }
}

// Channel, FIR and preset names holding escape sequences and line breaks, and a file named with
// one, reach the terminal as the marks the window shows: none clears the screen, retitles the
// terminal, colours what follows or prints a report line of its own.
TEST(HardwareTestsProcess, ReportsPrintNoControlCharacterFromTheDeviceOrAFile) {
    QJsonObject state = userDevice(kestrel_test::startSimulator()->state(), {{4, 256}, {5, 300}});
    QJsonObject params = state.value(QStringLiteral("params")).toObject();
    for (int ch = 0; ch < 12; ++ch) {
        params.insert(QString::number(378 + ch),
                      wordArray(DSPFrame::packString(QStringLiteral("\x1b]0;X\x07"), 2)));
        params.insert(QString::number(403 + ch),
                      wordArray(DSPFrame::packString(QStringLiteral("\x1b[2J\u009b31m\nALL PASSED"), 6)));
    }
    state.insert(QStringLiteral("params"), params);
    QJsonObject presets = state.value(QStringLiteral("presets")).toObject();
    presets.insert(QStringLiteral("names"),
                   QJsonObject{{QStringLiteral("0"), QStringLiteral("\x1b[31mLive\r")},
                               {QStringLiteral("1"), QStringLiteral("Bar\x7f\x08")}});
    state.insert(QStringLiteral("presets"), presets);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("\x1b[2Jtaps.txt"));
    ASSERT_TRUE(QFile::copy(testDataFolder + QStringLiteral("/taps300.txt"), file));

    const QList<QStringList> runs{
        {QStringLiteral("--fir-hwtest"), file, QStringLiteral("4,5")},
        {QStringLiteral("--fir-probe-1024"), QStringLiteral("5")},
        {QStringLiteral("--fir-flat"), QStringLiteral("5")},
        {QStringLiteral("--fir-clear"), QStringLiteral("4,5")},
        {QStringLiteral("--snapshot"), folder.filePath(QStringLiteral("state.json"))},
        {QStringLiteral("--hwtest-params")},
        {QStringLiteral("--meters"), QStringLiteral("0.6")},
        {QStringLiteral("--hwtest-sources")},
        {QStringLiteral("--hwtest-presets")},
    };
    const QRegularExpression control(QStringLiteral("[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}]"));
    QString printed;
    for (const QStringList& arguments : runs) {
        const auto sim = startSimulatorFrom(state);
        ASSERT_TRUE(sim && sim->started());
        const AppRun run = runAgainst(sim->host(), arguments);
        ASSERT_TRUE(run.finished);
        const QString text = QString::fromUtf8(run.out + run.error);
        EXPECT_FALSE(text.contains(control)) << arguments.join(' ').toStdString() << "\n"
                                             << text.toStdString();
        printed += text;
    }
    // The names did reach the reports, each as its marks.
    EXPECT_TRUE(printed.contains(QStringLiteral("\uFFFD]0;X\uFFFD"))) << "channel names";
    EXPECT_TRUE(printed.contains(QStringLiteral("\uFFFD[2J\uFFFD31m\u21B5ALL PASSED"))) << "FIR names";
    EXPECT_TRUE(printed.contains(QStringLiteral("\uFFFD[31mLive\u21B5"))) << "preset names";
    EXPECT_TRUE(printed.contains(QStringLiteral("Bar\uFFFD\uFFFD"))) << "preset names";
    EXPECT_TRUE(printed.contains(QStringLiteral("\uFFFD[2Jtaps"))) << "file name";
}
