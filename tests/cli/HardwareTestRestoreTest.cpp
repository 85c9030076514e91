// The hardware tests against a device whose answers get lost, or that goes away partway:
// each ends with the device as it found it, or fails and names what it left changed.
#include <gtest/gtest.h>

#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>

#include "cli/HardwareTests.h"
#include "link/LiveModel.h"
#include "support/CapturedConsole.h"

using hwtest::StatusBox;
using Words = DSPFrame::Words;

namespace {

struct BodyRun {
    QStringList lines;
    int status = -1;
};

using Body = std::function<QCoro::Task<>(DSPModel&, StatusBox&)>;

BodyRun runBody(DSPModel& model, const Body& body) {
    kestrel_test::CapturedConsole console;
    StatusBox box;
    livemodel::run(body(model, box));
    return {console.outLines(), box.status};
}

// Reads and writes of these parameters are carried out, and their answers lost.
std::function<bool(const DSPFrame&)> parameterAnswersLost(const QSet<quint32>& numbers) {
    return [numbers](const DSPFrame& request) {
        return (request.command == 5 || request.command == 6) && request.words.size() >= 2 &&
               numbers.contains(request.words[1]);
    };
}

// A user's filter on a channel: `taps` values, with the header the device gives it.
void holdFilter(SimDevice& device, int ch, int taps) {
    const quint32 target = DSPModel::firTarget(ch);
    Words coefficients;
    for (int i = 0; i < taps; ++i) coefficients.append(0x3C000000u + quint32(i));
    device.fir.blocks[target] = SimFIRBlock{{target, quint32(taps), 0, 0, 0}, coefficients};
}

FIRFile::Loaded testFile() {
    QList<float> coefficients(256, 0.0f);
    coefficients[0] = 0.5f;
    return {QStringLiteral("test"), coefficients, std::nullopt};
}

Body probe(int ch) {
    return [ch](DSPModel& m, StatusBox& box) { return hwtest::firProbe1024Test(m, box, ch); };
}

Body upload(int ch) {
    return [ch](DSPModel& m, StatusBox& box) { return hwtest::firHardwareTest(m, box, testFile(), {ch}); };
}

}  // namespace

// Channel 5's name and bypass words never came back from the device: neither FIR test may
// touch the channel, for it could not put them back.
TEST(HardwareTestRestore, FIRTestsLeaveAChannelWhoseNameOrBypassWasNeverRead) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().params[396] = {1};
        sim.device().params[408] = DSPFrame::packString(QStringLiteral("Custom 300"), 6);
        holdFilter(sim.device(), 5, 300);
        sim.faults().answerLost = parameterAnswersLost({396, 408});
    });
    const QJsonObject before = live.sim.device().toJson();

    const BodyRun probed = runBody(*live.model, probe(5));
    EXPECT_EQ(probed.status, 1);
    EXPECT_EQ(probed.lines.mid(1), QStringList{QStringLiteral("not tested, never read: [396, 408]")});

    const BodyRun uploaded = runBody(*live.model, upload(5));
    EXPECT_EQ(uploaded.status, 1);
    EXPECT_TRUE(uploaded.lines.contains(QStringLiteral("not tested, never read: [396, 408]")));
    EXPECT_EQ(uploaded.lines.last(), QStringLiteral("1 FAILED"));
    EXPECT_EQ(live.sim.device().toJson(), before);
}

// A filter that no upload can put back as it was is not overwritten: too many taps to
// send, none at all, or a read-back that came only in part.
TEST(HardwareTestRestore, FIRTestsLeaveAFilterTheyCouldNotPutBack) {
    livemodel::Live live([](DeviceSimulator& sim) {
        holdFilter(sim.device(), 4, 1024);
        holdFilter(sim.device(), 6, 512);
        holdFilter(sim.device(), 7, 0);
    });
    const QJsonObject before = live.sim.device().toJson();
    const qsizetype mark = live.sim.received().size();

    const BodyRun uploaded = runBody(*live.model, upload(4));
    EXPECT_EQ(uploaded.status, 1);
    EXPECT_EQ(uploaded.lines.value(3),
              QStringLiteral("not tested: channel 4 holds 1024 taps, more than can be put back"));
    const BodyRun probed = runBody(*live.model, probe(4));
    EXPECT_EQ(probed.status, 1);
    EXPECT_EQ(probed.lines.last(),
              QStringLiteral("not tested: channel 4 holds 1024 taps, more than can be put back"));

    const BodyRun empty = runBody(*live.model, probe(7));
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.lines.last(),
              QStringLiteral("not tested: channel 7 holds no taps, which cannot be put back"));

    live.sim.device().fir.readChunkWords = 100;
    const BodyRun partial = runBody(*live.model, upload(6));
    EXPECT_EQ(partial.status, 1);
    EXPECT_TRUE(
        partial.lines.contains(QStringLiteral("not tested: channel 6 read back only 400 of its 512 taps")));
    EXPECT_TRUE(live.sentAfter(mark, 128).isEmpty());  // no upload header went out
    EXPECT_EQ(live.sim.device().toJson(), before);
}

// Every commit of the test filter reaches the device but its answer is lost, so the upload
// reports an error although the filter took: the channel is put back all the same.
TEST(HardwareTestRestore, FIRUploadWithALostCommitAnswerStillRestoresTheChannel) {
    livemodel::Live live([](DeviceSimulator& sim) {
        holdFilter(sim.device(), 4, 256);
        sim.device().params[395] = {1};
        sim.device().params[407] = DSPFrame::packString(QStringLiteral("Mine"), 6);
        sim.faults().answerLost = [lost = 0](const DSPFrame& request) mutable {
            return request.command == 130 && lost++ < 3;
        };
    });
    const QJsonObject before = live.sim.device().toJson();
    const BodyRun run = runBody(*live.model, upload(4));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines.mid(3),
              (QStringList{QStringLiteral("OUT 1: upload failed \u2014 No answer from the DSP (commit)."),
                           QStringLiteral("OUT 1: upload: 256 taps sent, no answer to the commit; FIR block "
                                          "holds the filter sent, name \"TSL test\""),
                           QStringLiteral("OUT 1: restored original (256 taps, name \"Mine\", bypass true) "
                                          "\u2192 OK"),
                           QStringLiteral("1 FAILED")}));
    EXPECT_EQ(live.sim.device().toJson(), before);
}

// The device goes away once it holds the test filter: nothing can be put back, and the run
// names the channel it left changed.
TEST(HardwareTestRestore, FIRUploadCutOffAfterItsCommitNamesTheChannelLeftChanged) {
    livemodel::Live live([](DeviceSimulator& sim) {
        holdFilter(sim.device(), 4, 256);
        sim.faults().goneOn = [committed = false](const DSPFrame& request) mutable {
            committed = committed || request.command == 130;
            return committed && request.command != 130;
        };
    });
    const BodyRun run = runBody(*live.model, upload(4));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines.value(4),
              QStringLiteral("OUT 1: upload: 256 taps sent, taken; FIR block was not read "
                             "back, name ?"));
    EXPECT_TRUE(run.lines.value(5).endsWith(QStringLiteral("\u2192 FAILED")))
        << run.lines.join('\n').toStdString();
    EXPECT_EQ(run.lines.mid(6),
              (QStringList{QStringLiteral("not restored: channel 4"), QStringLiteral("2 FAILED")}));
    EXPECT_EQ(live.sim.device().fir.blocks.value(DSPModel::firTarget(4)).coefficients.size(), 256);
    EXPECT_EQ(live.sim.device().fir.blocks.value(DSPModel::firTarget(4)).coefficients.value(0), 0x3F000000u);
}

// IN B's source word and IN D's test-signal routing never came back: neither input is
// set, and the run names them and fails.
TEST(HardwareTestRestore, SourcesTestLeavesInputsWhoseWordsWereNeverRead) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().params[349] = {1};  // the test signal feeds IN D
        sim.faults().answerLost = parameterAnswersLost({351, 349});
    });
    const QJsonObject before = live.sim.device().toJson();
    const BodyRun run = runBody(*live.model, hwtest::sourcesTest);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines.value(2), QStringLiteral("not tested, never read: [351, 349]"));
    EXPECT_EQ(run.lines.value(3),
              QStringLiteral("set IN A Analog, IN C Dante \u2192 DSP reports IN A Analog, IN C Dante"));
    EXPECT_EQ(run.lines.last(), QStringLiteral("SOURCES FAILED (0 mismatches, 0 not restored)"));
    EXPECT_EQ(live.sim.device().toJson(), before);
}

// Too few inputs to test says why: the test signal, or words never read that hide whether an
// input is free or could be put back (the generator type goes out with every source write).
TEST(HardwareTestRestore, SourcesTestWithTooFewInputsGivesTheTrueReason) {
    const struct {
        QSet<quint32> lost;
        QString reason;
    } cases[] = {
        {{342}, QStringLiteral("generator type never read, no source could be put back")},
        {{346, 347, 348}, QStringLiteral("fewer than two inputs with their routing and source read")},
    };
    for (const auto& c : cases) {
        livemodel::Live live(
            [&](DeviceSimulator& sim) { sim.faults().answerLost = parameterAnswersLost(c.lost); });
        const QJsonObject before = live.sim.device().toJson();
        const BodyRun run = runBody(*live.model, hwtest::sourcesTest);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.lines.last(), c.reason + QStringLiteral(" \u2014 nothing to test"));
        EXPECT_EQ(live.sim.device().toJson(), before);
    }
}

// Without the device's preset list a free slot would be a guess: nothing is stored or
// deleted. A list lost after the delete cannot show the list restored.
TEST(HardwareTestRestore, PresetsTestNeedsTheListBeforeAndAfter) {
    const auto userPresets = [](DeviceSimulator& sim) {
        sim.device().presets.occupied = 0b1111;
        sim.device().presets.names[2] = QStringLiteral("Stage");
        sim.device().presets.names[3] = QStringLiteral("Bar");
    };
    {
        livemodel::Live live(
            [&](DeviceSimulator& sim) {
                userPresets(sim);
                sim.faults().silentCommands = {8};
            },
            false);
        const QJsonObject before = live.sim.device().toJson();
        const BodyRun run = runBody(*live.model, hwtest::presetsTest);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.lines.mid(1), (QStringList{QStringLiteral("preset list not read \u2014 nothing stored"),
                                                 QStringLiteral("PRESETS FAILED")}));
        EXPECT_TRUE(live.sim.receivedWithCommand(9).isEmpty());
        EXPECT_TRUE(live.sim.receivedWithCommand(18).isEmpty());
        EXPECT_EQ(live.sim.device().toJson(), before);
        EXPECT_EQ(live.sim.device().presets.names.value(2), QStringLiteral("Stage"));
    }
    // The test reads the list first; every later list answer is lost.
    livemodel::Live live(userPresets);
    live.sim.faults().answerLost = [lists = 0](const DSPFrame& request) mutable {
        return request.command == 8 && lists++ > 0;
    };
    const BodyRun run = runBody(*live.model, hwtest::presetsTest);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.lines.value(3),
        QStringLiteral("delete: acknowledged; list restored: not read, current preset unchanged: not read"));
    EXPECT_EQ(run.lines.last(), QStringLiteral("PRESETS FAILED"));
}

// The link goes when the test starts reading its values back: no restore can be proven, the
// run names every parameter the device still holds changed, and fails.
TEST(HardwareTestRestore, ParameterTestCutOffAfterItsWritesClaimsNoRestore) {
    livemodel::Live live;
    const DSPModel::Table before = live.sim.device().params;
    live.sim.faults().goneOn = [](const DSPFrame& request) {
        return request.command == 6 && request.words.value(1) != ParamMap::meters;
    };
    const BodyRun run = runBody(*live.model, hwtest::parameterTest);
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.lines.contains(QStringLiteral("restore: all parameters back to their original values")));
    int changed = 0;
    QList<quint32> leftUnnamed;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (live.sim.device().params.value(it.key()) == *it) continue;
        ++changed;
        if (!run.lines.contains(QStringLiteral("NOT RESTORED [%1]").arg(it.key())))
            leftUnnamed.append(it.key());
    }
    EXPECT_GT(changed, 100);
    EXPECT_EQ(leftUnnamed, QList<quint32>());
    EXPECT_TRUE(run.lines.last().endsWith(QStringLiteral(" not restored"))) << run.lines.last().toStdString();
}

// A store whose answer is lost may have been carried out; with the delete's answer and the
// list lost too, nothing shows the slot empty again, and the run names it.
TEST(HardwareTestRestore, PresetsTestNamesTheSlotALostStoreMayHaveFilled) {
    livemodel::Live live([](DeviceSimulator& sim) { sim.device().presets.occupied = 0b1111; });
    // The test reads the list first; every later list answer is lost.
    live.sim.faults().answerLost = [lists = 0](const DSPFrame& request) mutable {
        return request.command == 9 || request.command == 18 || (request.command == 8 && lists++ > 0);
    };
    const BodyRun run = runBody(*live.model, hwtest::presetsTest);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.lines.mid(2),
        (QStringList{
            QStringLiteral("save to slot 4: FAILED, listed as \"-\""),
            QStringLiteral("delete: FAILED; list restored: not read, current preset unchanged: not read"),
            QStringLiteral("slot 4 may now hold \"TSL TEST\""), QStringLiteral("PRESETS FAILED")}));
}

// ---- the FIR name follows the filter the block holds ---------------------------------------

namespace {

QString deviceFIRName(livemodel::Live& live, int ch) {
    return DSPFrame::unpackString(live.sim.device().params.value(403 + quint32(ch)));
}

// OUT 1 holds 256 taps named "Mine", OUT 2 300 taps named "Custom 300".
void namedFilters(DeviceSimulator& sim) {
    sim.device().params[407] = DSPFrame::packString(QStringLiteral("Mine"), 6);
    sim.device().params[408] = DSPFrame::packString(QStringLiteral("Custom 300"), 6);
    holdFilter(sim.device(), 4, 256);
    holdFilter(sim.device(), 5, 300);
}

// The flat-filter test on `ch`, run where it must fail.
BodyRun failingFlat(livemodel::Live& live, int ch) {
    BodyRun run =
        runBody(*live.model, [ch](DSPModel& m, StatusBox& box) { return hwtest::firFlatTest(m, box, ch); });
    EXPECT_EQ(run.status, 1);
    return run;
}

Words lowRamp(int taps) {
    Words words;
    for (int i = 0; i < taps; ++i) words.append(0x3B000000u + quint32(i));
    return words;
}

}  // namespace

// A device that keeps only the first taps of an upload and says it took them all: no name
// describes what the block holds, so it is emptied, and every run fails saying what is there.
TEST(FIRNameFollowsTheBlock, ADeviceThatKeepsPartOfAnUploadLeavesItUnnamed) {
    livemodel::Live live([](DeviceSimulator& sim) {
        namedFilters(sim);
        sim.device().fir.keptTaps = 200;
    });
    EXPECT_EQ(failingFlat(live, 5).lines.last(),
              QStringLiteral("OUT 2: upload: 256 taps sent, taken; FIR block was read in part (200 of 256 "
                             "taps), name \"\""));
    EXPECT_EQ(deviceFIRName(live, 5), QString());

    EXPECT_EQ(
        livemodel::run(live.model->sendFIR(4, lowRamp(300), Words{0, 300, 0, 0, 0}, QStringLiteral("EQ"))),
        QStringLiteral("300 taps sent, taken; FIR block was read in part (200 of 300 taps), name \"\"."));
    EXPECT_EQ(live.model->firName(4), QString());

    live.sim.device().fir.keptTaps = 0;
    live.sim.device().params[407] = DSPFrame::packString(QStringLiteral("Mine"), 6);
    const BodyRun cleared =
        runBody(*live.model, [](DSPModel& m, StatusBox& box) { return hwtest::firClearTest(m, box, {4}); });
    EXPECT_EQ(cleared.status, 1);
    EXPECT_EQ(
        cleared.lines.mid(1),
        (QStringList{QStringLiteral("OUT 1: cleared \u2192 FAILED"),
                     QStringLiteral("OUT 1: clear: 1 tap sent, taken; FIR block was read in part (0 of 1 "
                                    "taps), name \"\"")}));
    EXPECT_EQ(deviceFIRName(live, 4), QString());
}

// Every commit is carried out and its answer lost: the upload failed as far as anyone heard,
// yet the block holds the new filter, so it gets the new name, and nothing reports success.
TEST(FIRNameFollowsTheBlock, ALostCommitAnswerIsReadBackAndNeverASuccess) {
    // Costs three step timeouts (9 s).
    livemodel::Live live([](DeviceSimulator& sim) {
        namedFilters(sim);
        sim.faults().answerLost = [](const DSPFrame& request) { return request.command == 130; };
    });
    const BodyRun run = failingFlat(live, 5);
    EXPECT_TRUE(
        run.lines.value(1).startsWith(QStringLiteral("OUT 2: No answer from the DSP (commit). \u2014 ")));
    EXPECT_TRUE(run.lines.value(1).endsWith(QStringLiteral("\u2192 FAILED")));
    EXPECT_EQ(run.lines.mid(2),
              QStringList{QStringLiteral("OUT 2: upload: 256 taps sent, no answer to the commit; FIR block "
                                         "holds the filter sent, name \"\"")});
    EXPECT_EQ(deviceFIRName(live, 5), QString());
    EXPECT_EQ(live.sim.device().fir.blocks.value(DSPModel::firTarget(5)).coefficients.size(), 256);
}

// The name write never takes: the device holds the new filter under the old name, and the run
// says so in the device's own words instead of reporting success.
TEST(FIRNameFollowsTheBlock, ANameWriteThatNeverTookIsReportedAsTheDeviceGivesIt) {
    livemodel::Live live(namedFilters);
    const DeviceSimulator::Handler write = standardSimHandlers().value(5);
    live.sim.setHandler(5, [write](SimDevice& device, const DSPFrame& request) {
        return request.words.value(1) == 408 ? QList<SimReply>{} : write(device, request);
    });
    const BodyRun run = failingFlat(live, 5);
    EXPECT_TRUE(run.lines.value(1).endsWith(QStringLiteral("\u2192 FAILED")))
        << run.lines.join('\n').toStdString();
    EXPECT_EQ(run.lines.mid(2), QStringList{QStringLiteral(
                                    "OUT 2: upload: 256 taps sent, taken; FIR block holds the filter sent, "
                                    "name \"Custom 300\"")});
    EXPECT_EQ(live.model->firName(5), QStringLiteral("Custom 300"));
}

// The link goes at the name write: the name is not known, so the line says "?" and the model
// no longer shows a name as the device's.
TEST(FIRNameFollowsTheBlock, ALinkCutAtTheNameWriteLeavesTheNameUnknown) {
    livemodel::Live live([](DeviceSimulator& sim) {
        namedFilters(sim);
        sim.faults().goneOn = [](const DSPFrame& request) {
            return request.command == 5 && request.words.value(1) == 408;
        };
    });
    const BodyRun run = failingFlat(live, 5);
    EXPECT_EQ(run.lines.mid(2), QStringList{QStringLiteral("OUT 2: upload: 256 taps sent, taken; FIR block "
                                                           "holds the filter sent, name ?")})
        << run.lines.join('\n').toStdString();
    EXPECT_EQ(deviceFIRName(live, 5), QStringLiteral("Custom 300"));
    EXPECT_FALSE(live.model->holds(408));
}

// A filter read back a word short is in part, one chunk or several, and says how many
// coefficients truly came: the read-back, and the snapshot that leaves it out.
TEST(FIRNameFollowsTheBlock, AFilterReadInPartGivesTheTrueCount) {
    livemodel::Live live([](DeviceSimulator& sim) {
        holdFilter(sim.device(), 2, 256);
        holdFilter(sim.device(), 3, 512);
        const quint32 target = DSPModel::firTarget(6);
        sim.device().fir.blocks[target] = SimFIRBlock{{target, 512, 0, 0, 0}, lowRamp(400)};
    });
    const auto taps = [&](int ch) {
        const auto filter = livemodel::run(live.model->readFIR(ch));
        return filter ? filter->tapsText() : QStringLiteral("not read");
    };
    EXPECT_EQ(taps(6), QStringLiteral("400 of 512 taps, read in part"));
    live.sim.device().fir.shortReadChunk = 0;
    EXPECT_EQ(taps(2), QStringLiteral("255 of 256 taps, read in part"));
    EXPECT_EQ(taps(3), QStringLiteral("511 of 512 taps, read in part"));

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("snapshot.json"));
    const BodyRun snapshot = runBody(
        *live.model, [path](DSPModel& m, StatusBox& box) { return hwtest::snapshotTest(m, box, path); });
    EXPECT_EQ(snapshot.status, 1);
    EXPECT_EQ(
        snapshot.lines.last(),
        QStringLiteral("not saved, read in part: channel 2 (255 of 256 taps), channel 3 (511 of 512 taps), "
                       "channel 6 (399 of 512 taps)"));
}

// ---- every FIR line says what was sent, what the device answered and what the block holds --

namespace {

Body flat(int ch) {
    return [ch](DSPModel& m, StatusBox& box) { return hwtest::firFlatTest(m, box, ch); };
}

Body clear(int ch) {
    return [ch](DSPModel& m, StatusBox& box) { return hwtest::firClearTest(m, box, {ch}); };
}

struct FIRTestCase {
    const char* what;
    Body body;
};

// Every FIR test on OUT 2, which holds 300 taps named "Custom 300".
const FIRTestCase everyFIRTest[] = {
    {"--fir-hwtest", upload(5)},
    {"--fir-probe-1024", probe(5)},
    {"--fir-clear", clear(5)},
    {"--fir-flat", flat(5)},
};

// The requests of one kind after the first commit reached the device.
std::function<bool(const DSPFrame&)> afterTheFirstCommit(quint16 command) {
    return [command, committed = false](const DSPFrame& request) mutable {
        const bool after = committed && request.command == command;
        committed = committed || request.command == 130;
        return after;
    };
}

}  // namespace

// The link goes at the closing request of the read-back after the upload, once every header
// and coefficient answer came: the read is whole, and the line says the block holds the filter
// sent, with the name unknown.
TEST(FIROutcomeLines, ALinkCutAtTheReadBacksLastRequestLeavesTheReadWhole) {
    const struct {
        const char* what;
        Body body;
        QString line;
    } cases[] = {
        {"--fir-hwtest", upload(5), QStringLiteral("OUT 2: upload: 256 taps sent, taken; ")},
        {"--fir-probe-1024", probe(5), QStringLiteral("OUT 2: upload: 1024 taps sent, taken; ")},
        {"--fir-clear", clear(5), QStringLiteral("OUT 2: clear: 1 tap sent, taken; ")},
        {"--fir-flat", flat(5), QStringLiteral("OUT 2: upload: 256 taps sent, taken; ")},
    };
    for (const auto& c : cases) {
        livemodel::Live live([](DeviceSimulator& sim) {
            namedFilters(sim);
            sim.faults().goneOn = afterTheFirstCommit(133);
        });
        const BodyRun run = runBody(*live.model, c.body);
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_TRUE(run.lines.contains(c.line + QStringLiteral("FIR block holds the filter sent, name ?")))
            << c.what << "\n"
            << run.lines.join('\n').toStdString();
        EXPECT_TRUE(run.lines.filter(QStringLiteral("read in part")).isEmpty()) << c.what;
        EXPECT_NE(live.sim.device().fir.blocks.value(DSPModel::firTarget(5)).coefficients.size(), 300);
    }
}

// A restore the device carries out counts, whatever happened to its acknowledgements; a block
// no commit reached needs none. Each run leaves the device as it found it and says so.
TEST(FIROutcomeLines, LostAnswersDuringARestoreUndoNothingTheReadBackShows) {
    // Costs fifteen step timeouts (45 s): each lost answer waits 3 s, three attempts an upload.
    const struct {
        const char* what;
        Body body;
        std::function<bool(const DSPFrame&)> lost;
        int status;
        QStringList closing;
    } cases[] = {
        {"--fir-probe-1024, restore's commit answers",
         probe(5),
         afterTheFirstCommit(130),
         0,
         {QStringLiteral("OUT 2: restore: 300 taps sent, no answer to the commit; FIR block holds the "
                         "filter sent, name \"Custom 300\""),
          QStringLiteral("restore original: OK")}},
        // The upload fails as far as anyone heard; the restore the read-back shows done is no
        // second failure.
        {"--fir-hwtest, every commit answer",
         upload(5),
         [](const DSPFrame& r) { return r.command == 130; },
         1,
         {QStringLiteral("OUT 2: upload: 256 taps sent, no answer to the commit; FIR block holds the filter "
                         "sent, name \"TSL test\""),
          QStringLiteral("OUT 2: restore: 300 taps sent, no answer to the commit; FIR block holds the "
                         "filter sent, name \"Custom 300\""),
          QStringLiteral("OUT 2: restored original (300 taps, name \"Custom 300\", bypass false) \u2192 OK"),
          QStringLiteral("1 FAILED")}},
        {"--fir-hwtest, every header answer",
         upload(5),
         [](const DSPFrame& r) { return r.command == 128; },
         1,
         {QStringLiteral("OUT 2: upload: 256 taps sent, no answer to the header; FIR block holds the filter "
                         "it had, name \"Custom 300\""),
          QStringLiteral("OUT 2: nothing to restore, the FIR block never changed"),
          QStringLiteral("1 FAILED")}},
        {"--fir-probe-1024, every chunk answer",
         probe(5),
         [](const DSPFrame& r) { return r.command == 129; },
         0,
         {QStringLiteral("OUT 2: upload: 1024 taps sent, no answer to the coefficients; FIR block holds the "
                         "filter it had, name \"Custom 300\""),
          QStringLiteral("restore original: nothing to restore, the FIR block never changed")}},
    };
    for (const auto& c : cases) {
        livemodel::Live live([&c](DeviceSimulator& sim) {
            namedFilters(sim);
            sim.faults().answerLost = c.lost;
        });
        const QJsonObject before = live.sim.device().toJson();
        const BodyRun run = runBody(*live.model, c.body);
        EXPECT_EQ(run.status, c.status) << c.what;
        EXPECT_EQ(run.lines.mid(run.lines.size() - c.closing.size()), c.closing)
            << c.what << "\n"
            << run.lines.join('\n').toStdString();
        EXPECT_TRUE(run.lines.filter(QStringLiteral("not restored")).isEmpty()) << c.what;
        EXPECT_EQ(live.sim.device().toJson(), before) << c.what;
    }
}

// Every header, or every commit, refused with a code, through every FIR test: the block never
// changes, every test says so in one line with the device's code and the name it gave, none
// names a channel "not restored", and only the tests whose own step failed fail.
TEST(FIROutcomeLines, RefusedHeadersAndCommitsLeaveEveryBlockAsItWas) {
    const struct {
        quint16 command;
        quint32 code;
        QString answer;
        QString step;
    } refusals[] = {
        {128, 5, QStringLiteral("refused at the header (code 5)"), QStringLiteral("header")},
        {130, 3, QStringLiteral("refused at the commit (code 3)"), QStringLiteral("commit")},
    };
    for (const auto& refusal : refusals) {
        for (const FIRTestCase& test : everyFIRTest) {
            livemodel::Live live([&refusal](DeviceSimulator& sim) {
                namedFilters(sim);
                sim.device().fir.refusedSteps[refusal.command] = refusal.code;
            });
            const QJsonObject before = live.sim.device().toJson();
            const BodyRun run = runBody(*live.model, test.body);
            const std::string what = std::string(test.what) + " " + refusal.step.toStdString();
            const bool probing = QLatin1String(test.what) == QLatin1String("--fir-probe-1024");
            EXPECT_EQ(run.status, probing ? 0 : 1) << what;
            EXPECT_EQ(live.sim.device().toJson(), before) << what;
            EXPECT_EQ(
                run.lines.filter(QStringLiteral("FIR block holds the filter it had, name \"Custom 300\""))
                    .filter(refusal.answer)
                    .size(),
                1)
                << what << "\n"
                << run.lines.join('\n').toStdString();
            EXPECT_TRUE(run.lines.filter(QStringLiteral("not restored")).isEmpty()) << what;
            if (probing) {
                EXPECT_TRUE(
                    run.lines.contains(QStringLiteral("1024-tap upload: REJECTED \u2014 The DSP rejected "
                                                      "the %1 (code %2).")
                                           .arg(refusal.step)
                                           .arg(refusal.code)))
                    << what;
            }
        }
    }
}

// Seven-character channel names keep a space between them in the meter heading.
TEST(MeterHeading, KeepsSevenCharacterNamesApart) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().params[378] = DSPFrame::packString(QStringLiteral("Delay 1"), 2);
        sim.device().params[379] = DSPFrame::packString(QStringLiteral("Monitor"), 2);
        sim.device().params[380] = DSPFrame::packString(QStringLiteral("Rear"), 2);
    });
    const BodyRun run =
        runBody(*live.model, [](DSPModel& m, StatusBox& box) { return hwtest::metersTest(m, box, 0); });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.lines.last().startsWith(QStringLiteral("Delay  Monito Rear   IN D   OUT 1  ")))
        << run.lines.last().toStdString();
}
