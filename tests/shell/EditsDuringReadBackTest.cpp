// Edits that cross a read-back in the real window, against the simulator: whatever reaches the
// device while the read-back runs is what the table, the mixer and a saved project hold after it.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "link/Levels.h"
#include "link/ParamMap.h"
#include "mixer/ChannelStrip.h"
#include "mixer/MixerView.h"
#include "shell/MainWindow.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/FlatButton.h"

using kestrel_test::WindowRig;
using Words = DSPModel::Words;

namespace {

constexpr quint16 readCommand = 6;
constexpr quint16 writeCommand = 5;
constexpr int channels = 12;

// A project that sets the twelve channel gains to -20 dB and leaves everything else alone.
QString quietProject(WindowRig& rig) {
    QJsonObject params;
    for (quint32 number = 1; number <= channels; ++number)
        params.insert(QString::number(number),
                      QJsonArray{qint64(levels::bits(-20.0f)), qint64(rig.model().words(number, 2)[1])});
    const QJsonObject project{{"format", DSPModel::projectFormat},
                              {"version", 1},
                              {"model", "DSP"},
                              {"created", "2026-01-01T00:00:00Z"},
                              {"params", params}};
    const QString path = rig.dir.filePath(QStringLiteral("Quiet.tsldsp"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(project).toJson());
    return path;
}

}  // namespace

// The open panel was opened before a slowed read-back began and the project is chosen early in
// it: its question waits for the read-back's end, after the gains were read. Afterwards the device,
// the table, the mixer and a saved project all hold -20 dB, and a click on a mute sends that gain
// with it.
TEST(EditsDuringReadBack, AProjectSentWhileTheReadBackRunsIsWhatTheWindowHoldsAfterIt) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = quietProject(rig);
    const QString saved = rig.dir.filePath(QStringLiteral("After.tsldsp"));
    rig.simulator.faults().commandDelayMs[readCommand] = 4;
    const qsizetype mark = rig.mark();
    const auto reads = [&] { return rig.receivedSince(mark, readCommand).size(); };

    bool askedWhileReading = true;
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.dialogs.whileOpen = [&] {
        ASSERT_TRUE(rig.startReadBack());
        rig.waitFor([&] { return reads() >= 47; });
        rig.dialogs.whileOpen = [&] { askedWhileReading = rig.model().loading().has_value(); };
    };
    rig.window().openAction()->trigger();
    rig.turn();
    ASSERT_TRUE(rig.finishReadBack());
    ASSERT_TRUE(rig.waitFor([&] {
        return rig.receivedSince(mark, writeCommand).size() == channels &&
               rig.model().link().unansweredWriteCount() == 0;
    }));
    rig.turn();
    EXPECT_FALSE(askedWhileReading);
    ASSERT_EQ(rig.receivedSince(mark, writeCommand).size(), channels);

    for (quint32 number : ParamMap::allParameters())
        if (number != ParamMap::meters)
            EXPECT_EQ(rig.model().params().value(number), rig.simulator.device().params.value(number))
                << number;
    auto* mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    for (int ch = 0; ch < channels; ++ch) {
        EXPECT_EQ(rig.simulator.device().params.value(quint32(ch) + 1).value(0), levels::bits(-20.0f)) << ch;
        EXPECT_EQ(mixer->strip(ch)->gainField()->lineEdit()->text(), QStringLiteral("-20.0")) << ch;
    }

    rig.dialogs.fileAnswers.enqueue(saved);
    rig.window().saveAction()->trigger();
    rig.turn();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto project = DSPModel::decodeProject(file.readAll());
    ASSERT_TRUE(project.has_value());
    for (quint32 number = 1; number <= channels; ++number)
        EXPECT_EQ(project->params.value(number), rig.simulator.device().params.value(number)) << number;

    const qsizetype click = rig.mark();
    const Words before = rig.simulator.device().params.value(1);
    FlatButton* mute = mixer->strip(0)->muteButton();
    QTest::mouseClick(mute, Qt::LeftButton, {}, mute->rect().center());
    ASSERT_TRUE(rig.waitFor([&] { return rig.model().link().unansweredWriteCount() == 0; }));
    const QList<DSPFrame> writes = rig.receivedSince(click, writeCommand);
    ASSERT_EQ(writes.size(), 1);
    EXPECT_EQ(writes[0].words, Words({0, 1}) + rig.simulator.device().params.value(1));
    EXPECT_EQ(writes[0].words.value(2), levels::bits(-20.0f));
    EXPECT_NE(writes[0].words.value(3), before.value(1)) << "the click muted";
}
