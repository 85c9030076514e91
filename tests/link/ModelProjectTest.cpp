// Project files and the remembered designed FIR.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <limits>

#include "LiveModel.h"
#include "link/DSPFrame.h"
#include "link/Levels.h"
#include "platform/Settings.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

QByteArray project(const QByteArray& params, const QByteArray& extra = {}) {
    return R"({"format": "Tessaline DSP Control project", "version": 1, "model": "Demo",
               "created": "2026-12-05T20:08:30Z", )" +
           extra + R"("params": )" + params + "}";
}

}  // namespace

TEST(ModelProject, SaveThenOpenOnAFreshModelSendsEveryParameter) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("show.tsldsp"));
    livemodel::Offline demo;
    demo.model->enterDemo();
    demo.model->setGain(4, -20);
    demo.model->write(403, DSPFrame::packString(QStringLiteral("Horn"), 6));
    ASSERT_EQ(demo.model->saveProject(path, QStringLiteral("Demo")), std::nullopt);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QJsonObject json = QJsonDocument::fromJson(bytes).object();
    EXPECT_EQ(json.value("format").toString(), QStringLiteral("Tessaline DSP Control project"));
    EXPECT_EQ(json.value("version").toInt(), 1);
    EXPECT_EQ(json.value("model").toString(), QStringLiteral("Demo"));
    EXPECT_TRUE(QDateTime::fromString(json.value("created").toString(), Qt::ISODate).isValid());
    EXPECT_TRUE(json.value("created").toString().endsWith(u'Z'));
    EXPECT_TRUE(bytes.contains("\"5\": [\n            3248488448,")) << "words are integers, pretty-printed";

    livemodel::Live live;
    // The simulator's table differs in one place; opening the project restores it.
    live.sim.device().params[5] = {0, 0x100};
    const qsizetype mark = live.sim.received().size();
    ASSERT_EQ(live.model->openProject(path), std::nullopt);
    DSPModel::Table expected = demo.model->params();
    expected.remove(DSPModel::meterParameter);
    // The FIR names are saved but not opened: the file lacks the filters they describe.
    EXPECT_NE(live.model->params().value(403), expected.value(403));
    for (quint32 name = 403; name <= 414; ++name) EXPECT_TRUE(expected.remove(name));
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(live.model->params().value(it.key()), *it);
    ASSERT_TRUE(live.waitForFrames(mark, 5, expected.size()));
    EXPECT_EQ(live.sentAfter(mark, 5).size(), expected.size());
    EXPECT_EQ(live.sim.device().params.value(5), (Words{bits(-20.0f), 0x100}));
}

TEST(ModelProject, AnEmptyTableSavesAnEmptyParamsObject) {
    livemodel::Offline offline;
    const QJsonObject json =
        QJsonDocument::fromJson(offline.model->projectData(QStringLiteral("KestrelD"))).object();
    EXPECT_TRUE(json.value("params").isObject());
    EXPECT_TRUE(json.value("params").toObject().isEmpty());
}

TEST(ModelProject, UnreadableFilesAreRefusedAndChangeNothing) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(12, {1, 2});
    const auto before = model.params();
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    for (const QByteArray& bad :
         {QByteArray("{not json"), QByteArray("[]"),
          QByteArray(R"({"format": "x", "version": 1, "created": "2026-12-05T20:08:30Z",
                                                 "params": {"12": [9]}})"),
          project(R"({"12": [9]})").replace(R"("created": "2026-12-05T20:08:30Z")", R"("created": 5)"),
          project(R"([1])")}) {
        const auto error = model.loadProject(bad);
        ASSERT_TRUE(error.has_value()) << bad.constData();
        EXPECT_FALSE(error->isEmpty());
    }
    EXPECT_EQ(model.params(), before);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(model.openProject(QStringLiteral("/nonexistent/x.tsldsp"))->contains("x.tsldsp"));
}

TEST(ModelProject, KeysThatNameNoLoadedParameterAreSkipped) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(403, {1, 2, 3, 4, 5, 6});
    const QByteArray bytes =
        project(R"({"366": [1], "9999": [1], "abc": [1], "": [1], "-5": [1], "4294967308": [1],
                                         "+12": [7, 8], "17": [1000, 0, 1065353216, 0], "404": [0, 0, 0, 0, 0, 0]})");
    // Another format text and version load the same way.
    QByteArray other = bytes;
    other.replace("\"version\": 1", "\"version\": 2").replace("Tessaline DSP Control project", "Other");
    ASSERT_EQ(model.loadProject(other), std::nullopt);
    // FIR names stay: the file does not hold the filters they describe.
    EXPECT_EQ(model.params(),
              (DSPModel::Table{{12, {7, 8}}, {17, {1000, 0, bits(1.0f), 0}}, {403, {1, 2, 3, 4, 5, 6}}}));
}

// One bad member fails the whole file, naming the parameter, and nothing is written.
TEST(ModelProject, BadWordsFailTheWholeLoad) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(5, {bits(-6.0f), 0x100});
    const auto before = model.params();
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    QByteArray huge = "[0";
    for (int i = 1; i < 4000; ++i) huge += ",0";
    const struct {
        QByteArray member;
        const char* named;
    } cases[] = {
        {R"("14": [1000, 1.5, 0, 0])", "\"14\""},
        {R"("14": [1000, -1, 0, 0])", "\"14\""},
        {R"("14": [1000, 4294967296, 0, 0])", "\"14\""},
        {R"("abc": "x")", "\"abc\""},
        {R"("5": )" + huge + "]", "Parameter 5 holds 4000 words, but it has only 2."},
        {R"("5": [2143289344, 256])", "Parameter 5 holds a level"},  // NaN gain
        {R"("360": [1000, 0, 1065353216, 0, 0, 1, 1, 2139095040])",
         "Parameter 360 holds a level"},  // +inf ratio
    };
    for (const auto& c : cases) {
        const auto error = model.loadProject(project("{\"1\": [0, 256], " + c.member + "}"));
        ASSERT_TRUE(error.has_value()) << c.member.left(60).constData();
        EXPECT_TRUE(error->contains(QLatin1String(c.named))) << error->toStdString();
    }
    EXPECT_EQ(model.params(), before);
    EXPECT_EQ(changes.count(), 0);
}

// Save and Open share one rule for a parameter's words: whatever Save writes, Open takes,
// and whatever Open refuses, Save leaves out. Each case is held by a table and saved, and
// also put alone into a file and opened.
TEST(ModelProject, SaveLeavesOutExactlyWhatOpenRefuses) {
    const quint32 nan = 0xFFFFFFFF;
    const quint32 infinity = 0x7F800000;
    const struct {
        quint32 number;
        Words words;
        bool valid;
    } cases[] = {
        {5, {bits(-6.0f), 0x100}, true},                            // as many words as the gain has
        {5, {bits(-6.0f)}, false},                                  // fewer: no gain at all
        {5, {bits(100.0f), 0x100}, false},                          // a gain no fader reaches
        {5, {bits(-6.0f), 0x100, 0}, false},                        // more words than the gain has
        {186, {1}, true},                                           // a switch of one word
        {186, {9}, false},                                          // ... that no switch writes
        {186, {0, 0}, false},                                       // ... with two
        {7, {nan, 256}, false},                                     // a gain that is no number
        {7, {0xFF800000, 256}, false},                              // ... or minus infinity
        {360, {1000, 0, bits(1.0f), 0, 0, 1, 1, infinity}, false},  // the last level word of a dynamic EQ
        {14, {1000, bits(2.5f), bits(1.7f), 0x100}, true},          // a band switched off
        {195, {0, 0, 0, 1, 0}, true},                               // a limiter of older firmware
        {378, {nan, nan}, true},                                    // a name is text, any bits
        {9999, {1, 2, 3, 4, 5, 6, 7, 8, 9}, true},  // no parameter: Open skips it, refuses nothing
    };
    livemodel::Offline all;  // holds the last case of each number
    QMap<quint32, bool> lastValid;
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.number).arg(c.words.size()).toStdString());
        livemodel::Offline offline;
        offline.model->write(c.number, c.words, std::nullopt, false);
        const QJsonObject saved = QJsonDocument::fromJson(offline.model->projectData(QStringLiteral("Demo")))
                                      .object()
                                      .value("params")
                                      .toObject();
        EXPECT_EQ(saved.contains(QString::number(c.number)), c.valid);
        EXPECT_EQ(offline.model->invalidCount(), c.valid ? 0 : 1);

        QJsonArray words;
        for (quint32 word : c.words) words.append(qint64(word));
        const QJsonObject alone{{QString::number(c.number), words}};
        const auto error = livemodel::Offline().model->loadProject(
            project(QJsonDocument(alone).toJson(QJsonDocument::Compact)));
        EXPECT_EQ(error.has_value(), !c.valid);
        if (error) {
            EXPECT_TRUE(error->startsWith(QStringLiteral("Parameter %1 holds").arg(c.number)))
                << error->toStdString();
        }

        all.model->write(c.number, c.words, std::nullopt, false);
        lastValid[c.number] = c.valid;
    }
    // A table holding good and bad words alike saves a file that opens.
    EXPECT_EQ(all.model->invalidCount(), lastValid.values().count(false));
    EXPECT_EQ(livemodel::Offline().model->loadProject(all.model->projectData(QStringLiteral("Demo"))),
              std::nullopt);
}

// Words no control could set, or too few of them, fail the whole file before anything
// reaches the device, naming the parameter at fault.
TEST(ModelProject, OpenRefusesShortAndOutOfRangeWordsWholeAndSendsNothing) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    const auto before = model.params();
    const qsizetype mark = live.sim.received().size();
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    const struct {
        QByteArray member;
        const char* named;
    } cases[] = {
        {R"("5": [])", "Parameter 5 holds 0 words, but it needs 2."},
        {R"("5": [0])", "Parameter 5 holds 1 word, but it needs 2."},
        {R"("5": [2139095040, 256])", "Parameter 5 holds a level that is infinite (word 0)."},
        {R"("1": [1120403456, 256])", "Parameter 1 holds 100.0 in word 0, outside -60.0 to 15.0."},
        {R"("343": [1000, 1112014848, 0])", "Parameter 343 holds 50.0 in word 1, outside -90.0 to 0.0."},
        {R"("20": [99999, 0, 1065353216, 0])", "Parameter 20 holds 99999 in word 0, outside 20 to 22000."},
        {R"("20": [1000, 1148846080, 1065353216, 0])", "Parameter 20 holds 1000.0 in word 1,"},
        {R"("20": [1000, 0, 1073741824, 1])", "Parameter 20 holds 2.0 in word 2, outside 0.25 to 1.0."},
        {R"("20": [1000, 0, 1065353216, 20])", "Parameter 20 holds 0x14 in word 3, which names no choice."},
        {R"("331": [1315859240, 0])", "Parameter 331 holds 1e+09 in word 0, outside 0.0 to 2000.0."},
        {R"("178": [0, 3231711232, 0, 10, 10, 0])",
         "Parameter 178 holds -5.0 in word 1, outside 1.0 to 100.0."},
        {R"("178": [0, 1073741824, 0, 10, 10, 999])", "Parameter 178 holds 999 in word 5, outside 0 to 30."},
        {R"("342": [7])", "Parameter 342 holds 7 in word 0, outside 0 to 2."},
        {R"("350": [5])", "Parameter 350 holds 5 in word 0, outside 0 to 2."},
        {R"("354": [1000, 0, 1065353216, 1025, 0, 1, 1, 1065353216])",
         "Parameter 354 holds 0x401 in word 3,"},
        {R"("250": [0, 7])", "Parameter 250 holds 0x7 in word 1,"},
    };
    for (const auto& c : cases) {
        const auto error = model.loadProject(project("{\"2\": [0, 256], " + c.member + "}"));
        ASSERT_TRUE(error.has_value()) << c.member.constData();
        EXPECT_TRUE(error->startsWith(QLatin1String(c.named))) << error->toStdString();
    }
    EXPECT_EQ(model.params(), before);
    EXPECT_EQ(changes.count(), 0);
    model.setMute(0, true);  // once this write arrives, any write queued before it has too
    ASSERT_TRUE(live.waitForFrames(mark, 5, 1));
    ASSERT_EQ(live.sentAfter(mark, 5).size(), 1);
    EXPECT_EQ(live.sentAfter(mark, 5)[0].words.value(1), 1u);
}

TEST(ModelProject, AFailedSaveLeavesTheOldFile) {
    // The project link leads into a read-only file system, where the temporary file of
    // the atomic save cannot be made (even for root); the file behind it must stay whole.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("show.tsldsp"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/version"), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    livemodel::Offline offline;
    offline.model->write(1, {1, 2});
    const auto error = offline.model->saveProject(path, QStringLiteral("B"));
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith(QStringLiteral("Couldn't save \"") + path)) << error->toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
}

TEST(ModelDesignedFIR, AssignmentsAreRememberedAcrossModels) {
    {
        livemodel::Offline offline;
        EXPECT_FALSE(offline.model->designedFIR());
        offline.model->setDesignedFIR(DSPModel::DesignedFIR{QStringLiteral("Room"), {1.0f, -0.25f, 1e-7f}});
    }
    {
        livemodel::Offline offline;
        ASSERT_TRUE(offline.model->designedFIR());
        EXPECT_EQ(*offline.model->designedFIR(),
                  (DSPModel::DesignedFIR{QStringLiteral("Room"), {1.0f, -0.25f, 1e-7f}}));
        offline.model->setDesignedFIR(std::nullopt);
    }
    EXPECT_EQ(Settings::shared().data(QStringLiteral("firDesigner.lastResult")), QByteArray("null"));
    // A tap beyond single precision would become an infinite one: no designed FIR at all.
    for (const QByteArray& stored : {QByteArray(R"({"name": 3})"), QByteArray("\x01\x02"), QByteArray("null"),
                                     QByteArray(R"({"name": "Room", "coefficients": [0.5, 1e39]})"),
                                     QByteArray(R"({"name": "Room", "coefficients": [-3.5e38]})")}) {
        Settings::shared().setValue(QStringLiteral("firDesigner.lastResult"), stored);
        livemodel::Offline offline;
        EXPECT_FALSE(offline.model->designedFIR()) << stored.constData();
    }
    Settings::shared().setValue(QStringLiteral("firDesigner.lastResult"),
                                QByteArray(R"({"name": "Room", "coefficients": [-3.4028234663852886e38]})"));
    livemodel::Offline offline;
    ASSERT_TRUE(offline.model->designedFIR());
    EXPECT_EQ(offline.model->designedFIR()->coefficients, QList<float>{-std::numeric_limits<float>::max()});
}
