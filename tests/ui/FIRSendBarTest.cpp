// The send bar: the stored target set, the button and dialog, and uploads over TCP to the
// device simulator with retries, name writes and the one status line.
#include <gtest/gtest.h>

#include <limits>

#include <QPushButton>
#include <QTest>

#include "designer/DesignerTesting.h"
#include "link/Levels.h"
#include "support/WidgetTesting.h"
#include "ui/FIRSendBar.h"

using Targets = FIRSendBar::Targets;
using Words = DSPFrame::Words;

namespace {

constexpr quint16 headerCommand = 128;
constexpr quint16 commitCommand = 130;

struct Bar {
    kestrel_test::ScriptedDialogs dialogs;
    std::unique_ptr<FIRSendBar> bar;
    int sentCalls = 0;

    explicit Bar(DSPModel* model) {
        AppContext context;
        context.model = model;
        context.settings = &Settings::shared();
        context.dialogs = &dialogs;
        bar = std::make_unique<FIRSendBar>(context);
        bar->onSent = [this] { ++sentCalls; };
        bar->setName(QStringLiteral("Room EQ"));
        bar->setCoefficients({0.5f, 0.25f, 0.125f, 0.0625f});
        bar->resize(760, 110);
    }

    // Confirms the dialog and waits for the run to end.
    bool send() {
        dialogs.confirmAnswers.enqueue(true);
        const int before = sentCalls;
        QTest::mouseClick(bar->sendButton(), Qt::LeftButton);  // asked once the click has returned
        return livemodel::waitUntil([this, before] { return sentCalls > before && !bar->busy(); }) &&
               livemodel::waitUntil(
                   [this] { return bar->status() && !bar->status()->startsWith("Sending"); });
    }
};

Words packedName(const char* text) {
    return DSPFrame::packString(QString::fromUtf8(text), 6);
}

class FIRSendBarTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::shared().remove(FIRSendBar::targetsKey); }
};

}  // namespace

TEST_F(FIRSendBarTest, StoredTextReadsAsASetOfBlocks) {
    EXPECT_EQ(FIRSendBar::parseTargets(QStringLiteral("3,,1, 2,x,1")), (Targets{1, 3}));
    EXPECT_EQ(FIRSendBar::parseTargets(QStringLiteral("+2,-1,12,11,99999999999999999999,0")),
              (Targets{0, 2, 11}));
    EXPECT_EQ(FIRSendBar::parseTargets(QString()), Targets{});
    EXPECT_EQ(FIRSendBar::targetsText({0, 1, 4}), QStringLiteral("0,1,4"));

    // Absent: the bar shows OUT 1, the load function an empty set.
    EXPECT_EQ(FIRSendBar::loadTargets(Settings::shared()), Targets{});
    livemodel::Offline offline;
    Bar one(offline.model.get());
    EXPECT_EQ(one.bar->targets(), Targets{4});
    EXPECT_TRUE(one.bar->chip(4)->isSelected());

    FIRSendBar::saveTargets({6, 1, 6}, Settings::shared());
    EXPECT_EQ(Settings::shared().text(FIRSendBar::targetsKey), QStringLiteral("1,6"));
    EXPECT_EQ(FIRSendBar::loadTargets(Settings::shared()), (Targets{1, 6}));
}

TEST_F(FIRSendBarTest, ChipsAndQuickButtonsEditTheSharedSet) {
    livemodel::Offline offline;
    Bar one(offline.model.get());
    Bar other(offline.model.get());
    one.bar->setTargets({});
    QTest::mouseClick(one.bar->chip(1), Qt::LeftButton);
    QTest::mouseClick(one.bar->chip(6), Qt::LeftButton);
    EXPECT_EQ(Settings::shared().text(FIRSendBar::targetsKey), QStringLiteral("1,6"));
    EXPECT_TRUE(other.bar->chip(6)->isSelected());  // every bar shows the one stored set
    QTest::mouseClick(other.bar->chip(1), Qt::LeftButton);
    EXPECT_EQ(Settings::shared().text(FIRSendBar::targetsKey), QStringLiteral("6"));
    EXPECT_FALSE(one.bar->chip(1)->isSelected());

    QTest::mouseClick(one.bar->quickButton(QStringLiteral("Everything")), Qt::LeftButton);
    QTest::mouseClick(one.bar->quickButton(QStringLiteral("All inputs")), Qt::LeftButton);
    EXPECT_EQ(one.bar->targets(), (Targets{0, 1, 2, 3}));
    QTest::mouseClick(one.bar->quickButton(QStringLiteral("All outputs")), Qt::LeftButton);
    EXPECT_EQ(one.bar->targets(), (Targets{4, 5, 6, 7, 8, 9, 10, 11}));
    QTest::mouseClick(one.bar->quickButton(QStringLiteral("Clear")), Qt::LeftButton);
    EXPECT_EQ(Settings::shared().text(FIRSendBar::targetsKey), QString());
    EXPECT_EQ(one.bar->targets(), Targets{});
}

TEST_F(FIRSendBarTest, SendButtonNeedsTargetsCoefficientsAndADevice) {
    livemodel::Offline offline;
    Bar offlineBar(offline.model.get());
    QPushButton* offlineButton = offlineBar.bar->sendButton();
    EXPECT_EQ(offlineButton->text(), QStringLiteral("Send to 1 channel…"));
    EXPECT_FALSE(offlineButton->isEnabled());
    EXPECT_EQ(offlineButton->toolTip(), QStringLiteral("Connect to the DSP first"));
    offline.model->enterDemo();
    EXPECT_FALSE(offlineButton->isEnabled());

    livemodel::Live live;
    Bar bar(live.model.get());
    QPushButton* button = bar.bar->sendButton();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->toolTip(), QStringLiteral("Upload this FIR to the selected channels"));
    bar.bar->setTargets({0, 4, 5});
    EXPECT_EQ(button->text(), QStringLiteral("Send to 3 channels…"));
    bar.bar->setCoefficients({});
    EXPECT_FALSE(button->isEnabled());
    bar.bar->setCoefficients({1.0f, std::numeric_limits<float>::quiet_NaN()});
    EXPECT_FALSE(button->isEnabled()) << "a filter with a value that is not a number";
    bar.bar->setCoefficients({1.0f});
    bar.bar->setTargets({});
    EXPECT_EQ(button->text(), QStringLiteral("Send to 0 channels…"));
    EXPECT_FALSE(button->isEnabled());

    // The dialog names the filter and the channels; cancelling sends nothing.
    live.model->setChannelName(0, QStringLiteral("Kick"));
    EXPECT_EQ(bar.bar->chip(0)->text(), QStringLiteral("Kick"));
    bar.bar->setTargets({4, 0});
    const qsizetype mark = live.sim.received().size();
    QTest::mouseClick(button, Qt::LeftButton);
    kestrel_test::spinUntil([&] { return !bar.dialogs.asked.isEmpty(); }, 5);  // asked after the click
    ASSERT_EQ(bar.dialogs.asked.size(), 1);
    EXPECT_EQ(bar.dialogs.asked[0].title, QStringLiteral("Send “Room EQ” to Kick, OUT 1?"));
    EXPECT_EQ(bar.dialogs.asked[0].text,
              QStringLiteral(
                  "Replaces the filter in each channel's FIR block. Bypass settings are left as they are."));
    kestrel_test::spinUntil([] { return false; }, 0.05);
    EXPECT_FALSE(bar.bar->busy());
    EXPECT_TRUE(live.sentAfter(mark, headerCommand).isEmpty());
}

TEST_F(FIRSendBarTest, UploadSendsEachTargetInOrderNamesItAndKeepsGivenHeaders) {
    livemodel::Live live;
    Bar bar(live.model.get());
    bar.bar->setTargets({4, 0});
    bar.bar->setName(QStringLiteral("Bass–Room ☺ 2024 correction long"));
    const qsizetype mark = live.sim.received().size();
    bar.dialogs.confirmAnswers.enqueue(true);
    QTest::mouseClick(bar.bar->sendButton(), Qt::LeftButton);
    kestrel_test::spinUntil([&] { return bar.bar->busy(); }, 5);  // asked after the click
    EXPECT_TRUE(bar.bar->busy());
    EXPECT_EQ(bar.bar->sendButton()->text(), QStringLiteral("Sending…"));
    EXPECT_FALSE(bar.bar->sendButton()->isEnabled());
    ASSERT_TRUE(
        livemodel::waitUntil([&] { return bar.bar->status() == QStringLiteral("Sending to IN A…"); }));
    bar.bar->setTargets({7});  // edits during a run do not change it
    ASSERT_TRUE(livemodel::waitUntil([&] { return !bar.bar->busy(); }));
    livemodel::waitUntil([&] { return bar.bar->status() && !bar.bar->status()->startsWith("Sending"); });

    EXPECT_EQ(bar.bar->status(), QStringLiteral("Sent to IN A, OUT 1."));
    EXPECT_EQ(bar.sentCalls, 1);
    const QList<DSPFrame> headers = live.sentAfter(mark, headerCommand);
    ASSERT_EQ(headers.size(), 2);
    EXPECT_EQ(headers[0].words, (Words{0x100, 4, 0, 0, 0}));
    EXPECT_EQ(headers[1].words, (Words{0x500, 4, 0, 0, 0}));
    const Words expected{levels::bits(0.5f), levels::bits(0.25f), levels::bits(0.125f),
                         levels::bits(0.0625f)};
    EXPECT_EQ(live.sim.device().fir.blocks.value(0x500).coefficients, expected);
    // Printable ASCII first, then 24 characters, packed in six words, for this block only.
    EXPECT_EQ(live.model->words(403 + 4, 0), packedName("BassRoom  2024 correctio"));
    EXPECT_EQ(live.model->words(403, 0), packedName("BassRoom  2024 correctio"));
    EXPECT_NE(live.model->words(403 + 7, 0), packedName("BassRoom  2024 correctio"));

    // Given header words go to every target, each naming its own block in word 0.
    const Words header{0x900, 4, 1, 2, 3};
    bar.bar->setHeader(header);
    bar.bar->setTargets({4, 6});
    const qsizetype again = live.sim.received().size();
    ASSERT_TRUE(bar.send());
    EXPECT_EQ(bar.bar->status(), QStringLiteral("Sent to OUT 1, OUT 3."));
    const QList<DSPFrame> given = live.sentAfter(again, headerCommand);
    const QList<DSPFrame> commits = live.sentAfter(again, commitCommand);
    ASSERT_EQ(given.size(), 2);
    ASSERT_EQ(commits.size(), 2);
    EXPECT_EQ(given[0].words, (Words{0x500, 4, 1, 2, 3}));
    EXPECT_EQ(given[1].words, (Words{0x700, 4, 1, 2, 3}));
    EXPECT_EQ(commits[0].words.value(0), 0x500u);
    EXPECT_EQ(commits[1].words.value(0), 0x700u);
}

TEST_F(FIRSendBarTest, FailuresRetriesAndBypassedBlocksMakeOneStatusLine) {
    livemodel::Live live;
    Bar bar(live.model.get());
    live.model->write(391 + 5, {1}, std::nullopt, false);  // OUT 2's FIR is bypassed
    // OUT 1: three refused starts; OUT 2: a refused header, then a clean second attempt. Each
    // block is read before and after its upload, each read with a start of its own.
    live.sim.device().fir.statusCodes = {0, 7, 7, 7, 0, 0, 0, 9};
    bar.bar->setTargets({4, 5});
    ASSERT_TRUE(bar.send());
    EXPECT_EQ(bar.bar->status(),
              QStringLiteral("Sent to OUT 2. Failed — OUT 1: 4 taps sent, refused at the start (code 7); "
                             "FIR block holds the filter it had, name \"\". FIR is bypassed on OUT 2 — "
                             "switch it on (F on the mixer strip) to hear it."));
    EXPECT_EQ(live.model->words(403 + 5, 0), packedName("Room EQ"));
    EXPECT_NE(live.model->words(403 + 4, 0), packedName("Room EQ"));
    kestrel_test::saveScreenshot(*bar.bar, QStringLiteral("send-bar-failures"));
}

TEST_F(FIRSendBarTest, RefusedTargetsStillEndTheRun) {
    // No device: every target fails and nothing is written; onSent is still called. No name
    // was read, so none is given.
    livemodel::Offline offline;
    Bar bar(offline.model.get());
    bar.bar->startSend({4, 5});
    ASSERT_TRUE(livemodel::waitUntil([&] { return bar.sentCalls == 1 && bar.bar->status(); }));
    livemodel::waitUntil([&] { return !bar.bar->status()->startsWith("Sending"); });
    EXPECT_EQ(bar.bar->status(), QStringLiteral(" Failed — Output 1 (name not read): Not connected to a DSP; "
                                                "Output 2 (name not read): Not connected to a DSP."));
    EXPECT_TRUE(offline.model->words(403 + 4, 0).isEmpty());

    livemodel::Live live;
    Bar tooLong(live.model.get());
    tooLong.bar->setCoefficients(QList<float>(513, 0.001f));
    tooLong.bar->setTargets({4});
    const qsizetype mark = live.sim.received().size();
    ASSERT_TRUE(tooLong.send());
    EXPECT_EQ(tooLong.bar->status(),
              QStringLiteral(" Failed — OUT 1: A FIR filter must have 1 to 512 taps."));
    EXPECT_TRUE(live.sentAfter(mark, headerCommand).isEmpty());
}

TEST_F(FIRSendBarTest, ARunOutlivesItsBar) {
    livemodel::Live live;
    auto bar = std::make_unique<Bar>(live.model.get());
    bar->bar->setTargets({4});
    bar->bar->startSend({4});
    const qsizetype mark = live.sim.received().size();
    bar->bar.reset();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !live.sentAfter(mark, commitCommand).isEmpty(); }));
    EXPECT_EQ(bar->sentCalls, 0);  // nobody left to tell
    ASSERT_TRUE(livemodel::waitUntil([&] { return live.model->words(403 + 4, 0) == packedName("Room EQ"); }));
}

// The filter arrives and reads back as sent; only the answer to the name's read is lost. That is
// a filter sent, not a failure, and the line says what is not known.
TEST_F(FIRSendBarTest, AFilterWhoseNameAloneWasNotReadBackIsSent) {
    livemodel::Live live;
    Bar bar(live.model.get());
    live.sim.faults().answerLost = [](const DSPFrame& request) {
        return request.command == 6 && request.words.value(1) == 403 + 4;
    };
    bar.bar->setTargets({4});
    ASSERT_TRUE(bar.send());
    EXPECT_EQ(bar.bar->status(), QStringLiteral("Sent to OUT 1 (name not read back)."));
    kestrel_test::saveScreenshot(*bar.bar, QStringLiteral("send-bar-name-not-read"));
    EXPECT_EQ(live.sim.device().params.value(403 + 4), packedName("Room EQ"));
}
