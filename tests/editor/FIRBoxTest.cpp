// The FIR tab: read-back against the simulator, bypass, clearing, and the filter prepared for upload.
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "EditorRig.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "editor/FIRResponseGraph.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/Theme.h"

using namespace editorrig;
using Words = DSPModel::Words;
using kestrel_test::WindowRig;

namespace {

std::unique_ptr<FIRBox> shown(const AppContext& context, int ch) {
    auto box = std::make_unique<FIRBox>(context, ch);
    box->resize(1100, 600);
    box->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    return box;
}

Words ramp(int taps) {
    Words words;
    for (int i = 0; i < taps; ++i) words.append(bits(i == 0 ? 1.0f : 0.001f * float(i % 7)));
    return words;
}

}  // namespace

TEST(FIRBoxLive, ShowsWhatTheBlockHoldsAndClearsIt) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().fir.blocks[DSPModel::firTarget(4)] = {{DSPModel::firTarget(4), 300, 0, 0, 0}, ramp(300)};
    });
    Context context;
    auto box = shown(context.of(*live.model), 4);
    EXPECT_TRUE(box->status()->isVisible());
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live().has_value(); }));
    EXPECT_EQ(box->storedText()->text(), QStringLiteral("300 taps"));
    EXPECT_TRUE(box->storedGraph()->isVisible());
    // The graph at its least width at least, its "20k" label drawn whole, short of the right edge.
    const QImage graph = box->storedGraph()->grab().toImage();
    EXPECT_GE(graph.width(), 300);
    int ink = -1;
    for (int y = graph.height() - 16; y < graph.height(); ++y)
        for (int x = graph.width() - 16; x < graph.width(); ++x)
            if (qGray(graph.pixel(x, y)) > 100) ink = std::max(ink, x);
    EXPECT_TRUE(ink > graph.width() - 16 && ink < graph.width() - 1) << ink;
    EXPECT_TRUE(box->clearButton()->isEnabled());

    context.dialogs.confirmAnswers.enqueue(false);
    box->clearButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // asked once the click has returned
    EXPECT_EQ(context.dialogs.asked.last().title, QStringLiteral("Clear the FIR on OUT 1?"));
    EXPECT_EQ(context.dialogs.asked.last().defaultButton, Dialogs::DefaultButton::cancel);
    EXPECT_FALSE(box->clearing());

    context.dialogs.confirmAnswers.enqueue(true);
    box->clearButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_TRUE(box->clearing());
    EXPECT_EQ(box->clearButton()->text(), QStringLiteral("Clearing…"));
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live() && box->live()->size() == 1; }));
    EXPECT_EQ(box->clearMessage(), QStringLiteral("Cleared."));
    EXPECT_EQ(box->storedText()->text(), QStringLiteral("Flat pass-through (no filter loaded)"));
    EXPECT_FALSE(box->storedGraph()->isVisible());
    EXPECT_EQ(live.sim.device().fir.blocks.value(DSPModel::firTarget(4)).coefficients, (Words{bits(1.0f)}));
}

// The answers to every commit of a clear are lost: the tab does not say "Failed" alone but what
// the block read back as, and the name the device then gave it.
TEST(FIRBoxLive, AClearWhoseCommitAnswersWereLostSaysWhatTheBlockHolds) {
    // Costs three step timeouts (9 s).
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().fir.blocks[DSPModel::firTarget(4)] = {{DSPModel::firTarget(4), 300, 0, 0, 0}, ramp(300)};
        sim.device().params[407] = DSPFrame::packString(QStringLiteral("Horn"), 6);
        sim.faults().answerLost = [](const DSPFrame& request) { return request.command == 130; };
    });
    Context context;
    auto box = shown(context.of(*live.model), 4);
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live().has_value(); }));
    context.dialogs.confirmAnswers.enqueue(true);
    box->clearButton()->click();
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live() && box->live()->size() == 1; }));
    EXPECT_EQ(
        box->clearMessage(),
        QStringLiteral("1 tap sent, no answer to the commit; FIR block holds the filter sent, name \"\"."));
    EXPECT_EQ(live.model->firName(4), QString());
    EXPECT_EQ(DSPFrame::unpackString(live.sim.device().params.value(407)), QString());
    kestrel_test::saveScreenshot(*box, QStringLiteral("fir-tab-clear-unanswered"));
}

// A device that answers each read-back chunk with 100 coefficients gives 400 of a 512-tap
// filter: the tab says so and draws no response from the part; read whole, it draws one.
TEST(FIRBoxLive, AFilterReadInPartSaysHowMuchCameAndDrawsNoResponse) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().fir.blocks[DSPModel::firTarget(4)] = {{DSPModel::firTarget(4), 512, 0, 0, 0}, ramp(512)};
        sim.device().fir.readChunkWords = 100;
    });
    Context context;
    auto box = shown(context.of(*live.model), 4);
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live().has_value(); }));
    EXPECT_EQ(box->storedText()->text(), QStringLiteral("400 of 512 taps read"));
    EXPECT_FALSE(box->storedGraph()->isVisible());

    live.sim.device().fir.readChunkWords = 256;
    box->hide();
    box->show();
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live() && box->live()->size() == 512; }));
    EXPECT_EQ(box->storedText()->text(), QStringLiteral("512 taps"));
    EXPECT_TRUE(box->storedGraph()->isVisible());
}

TEST(FIRBoxLive, TheSendBarUploadsThePreparedFilterAndTheTabReadsItBack) {
    livemodel::Live live;
    Context context;
    context.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::filter));
    auto box = shown(context.of(*live.model), 5);
    Q_EMIT box->kindPicker()->activated(1);  // band-pass
    enter(box->nameEdit(), QStringLiteral("Mid"));
    box->sendBar()->startSend({5});
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live() && box->live()->size() == 256; }));
    const SimFIRBlock stored = live.sim.device().fir.blocks.value(DSPModel::firTarget(5));
    EXPECT_EQ(stored.header, box->sendInput().header.value());
    EXPECT_EQ(stored.header[0], 0x600u);
    EXPECT_EQ(live.model->firName(5), QStringLiteral("Mid"));
    EXPECT_EQ(box->storedText()->text(), QStringLiteral("256 taps"));
}

// OUT 1's name answer is lost: its chip, the clear question and the send's question and status
// call it by what it is and say the name is not read, never by a name the device did not give.
TEST(FIRBoxLive, AChannelWhoseNameWasNeverReadIsCalledByWhatItIs) {
    constexpr int out1 = 4;
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.faults().answerLost = [](const DSPFrame& request) {
            return request.command == 6 && request.words.value(1) == quint32(378 + out1);
        };
    });
    ASSERT_FALSE(live.model->holds(378 + out1));
    const QString unread = QStringLiteral("Output 1, name not read");
    Context context;
    context.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::filter));
    auto box = shown(context.of(*live.model), out1);
    ChannelChip* chip = box->sendBar()->chip(out1);
    EXPECT_EQ(chip->text(), QStringLiteral("—"));
    EXPECT_EQ(kestrel_test::accessibleOf(chip)->text(QAccessible::Name), unread);
    EXPECT_EQ(chip->toolTip(), unread);
    chip->click();
    EXPECT_FALSE(chip->isSelected()) << "still a chip that picks its channel";
    chip->click();

    context.dialogs.confirmAnswers.enqueue(false);
    box->clearButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(context.dialogs.asked.last().title, QStringLiteral("Clear the FIR on ") + unread + "?");

    Q_EMIT box->kindPicker()->activated(1);
    context.dialogs.confirmAnswers.enqueue(true);
    box->sendBar()->sendButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    // One of a list of targets, the channel reads as one.
    EXPECT_TRUE(context.dialogs.asked.last().title.endsWith(QStringLiteral("” to Output 1 (name not read)?")))
        << context.dialogs.asked.last().title.toStdString();
    ASSERT_TRUE(livemodel::waitUntil([&] {
        return box->sendBar()->status() && box->sendBar()->status()->startsWith(QStringLiteral("Sent"));
    }));
    EXPECT_TRUE(box->sendBar()->status()->startsWith(QStringLiteral("Sent to Output 1 (name not read).")))
        << box->sendBar()->status()->toStdString();
}

TEST(FIRBoxLive, AFailedReadBackSaysSoAndTheNextShowingReadsAgain) {
    livemodel::Live live;
    const auto silent = [](SimDevice&, const DSPFrame&) { return QList<SimReply>{}; };
    live.sim.setHandler(132, silent);
    Context context;
    auto box = shown(context.of(*live.model), 0);
    const auto shownText = [&box](const QString& text) {
        const QList<QLabel*> labels = box->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(),
                           [&](QLabel* l) { return l->isVisible() && l->text().startsWith(text); });
    };
    const QString failed = QStringLiteral("The filter couldn't be read from the DSP.");
    const QString reading = QStringLiteral("Reading the filter from the DSP…");
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->readFailed(); }));
    ASSERT_TRUE(live.model->connected());
    EXPECT_FALSE(box->live());
    EXPECT_TRUE(shownText(failed));
    EXPECT_FALSE(shownText(reading));

    // Shown again (another tab, then back), the tab reads once more and says so meanwhile.
    live.sim.setHandler(132, standardSimHandlers().value(132));
    const qsizetype mark = live.sim.received().size();
    box->hide();
    box->show();
    QCoreApplication::sendPostedEvents();  // the read-back task starts; its answer is still on the way
    EXPECT_TRUE(shownText(reading));
    EXPECT_FALSE(shownText(failed));
    ASSERT_TRUE(livemodel::waitUntil([&] { return box->live().has_value(); }));
    EXPECT_FALSE(live.sentAfter(mark, 131).isEmpty());
    EXPECT_FALSE(box->readFailed());
    EXPECT_FALSE(shownText(failed));
}

namespace {

class FIRBoxTest : public ::testing::Test {
protected:
    Rig rig;
    Context context;
    AppContext app = context.of(rig.model);
};

}  // namespace

TEST_F(FIRBoxTest, WithoutADeviceNothingIsReadAndBypassIsWrittenForThisChannelOnly) {
    const QString targetsKey = QStringLiteral("firSend.targets");
    rig.model.setGroup(4, 1);
    rig.model.setGroup(5, 1);
    auto box = shown(app, 4);
    settle();
    EXPECT_FALSE(box->live());
    EXPECT_FALSE(box->clearButton()->isEnabled());
    EXPECT_EQ(box->status()->text(), QStringLiteral("Active"));  // no words: FIR on
    EXPECT_FALSE(box->bypassButton()->isChecked());
    EXPECT_EQ(box->storedName()->text(), QStringLiteral("(unnamed)"));
    // Showing the tab makes this channel the first send target, unless targets are stored.
    EXPECT_EQ(context.settings.text(targetsKey), QStringLiteral("4"));
    shown(app, 7).reset();
    EXPECT_EQ(context.settings.text(targetsKey), QStringLiteral("4"));

    box->bypassButton()->click();
    EXPECT_EQ(rig.model.words(391 + 4, 1), Words{1});
    EXPECT_EQ(rig.model.words(391 + 5, 1), Words{0});
    box->refresh();
    EXPECT_EQ(box->status()->text(), QStringLiteral("Bypassed"));
}

TEST_F(FIRBoxTest, SimpleFilterCarriesItsHeaderForThisChannel) {
    context.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::filter));
    auto box = shown(app, 4);
    enter(box->lowField()->lineEdit(), QStringLiteral("5"));
    EXPECT_EQ(box->spec().lowHz, 20);
    enter(box->lowField()->lineEdit(), QStringLiteral("30000"));
    EXPECT_EQ(box->spec().lowHz, 22000);
    enter(box->stopbandField()->lineEdit(), QStringLiteral("10"));
    EXPECT_EQ(box->spec().attenuationDB, 20);
    enter(box->stopbandField()->lineEdit(), QStringLiteral("200"));
    EXPECT_EQ(box->spec().attenuationDB, 140);
    enter(box->stopbandField()->lineEdit(), QStringLiteral("nan"));
    EXPECT_EQ(box->spec().attenuationDB, 140);

    Q_EMIT box->kindPicker()->activated(2);  // low-pass
    box->tapsPicker()->segment(1)->click();
    const FIRBox::Pending pending = box->sendInput();
    EXPECT_EQ(pending.name, QStringLiteral("Low-pass"));
    EXPECT_EQ(pending.coefficients.size(), 512);
    ASSERT_TRUE(pending.header);
    EXPECT_EQ(pending.header->first(), 0x500u);
    EXPECT_EQ((*pending.header)[1], (3u << 16) | 512);
    EXPECT_FALSE(box->lowField()->isVisible());
    EXPECT_TRUE(box->highField()->isVisible());

    Q_EMIT box->kindPicker()->activated(3);  // flat: no edges, the kept edges still in the header
    EXPECT_FALSE(box->lowField()->isVisible());
    EXPECT_FALSE(box->highField()->isVisible());
    EXPECT_EQ((*box->sendInput().header)[3], 22000u);

    enter(box->nameEdit(), QStringLiteral("Sub cut"));
    EXPECT_EQ(box->sendInput().name, QStringLiteral("Sub cut"));
    box->nameEdit()->clear();
    EXPECT_EQ(box->sendInput().name, QStringLiteral("Flat (pass-through)"));
}

TEST_F(FIRBoxTest, SourcesGiveTheirPendingFilter) {
    auto box = shown(app, 0);
    EXPECT_EQ(context.settings.text(FIRBox::sourceKey), QString());
    EXPECT_TRUE(box->sourcePicker()->segment(0)->isChecked());
    EXPECT_FALSE(box->pendingFilter());
    enter(box->nameEdit(), QStringLiteral("Mine"));
    EXPECT_EQ(box->sendInput().name, QStringLiteral("Mine"));
    EXPECT_TRUE(box->sendInput().coefficients.isEmpty());
    EXPECT_FALSE(box->sendInput().header);

    rig.model.setDesignedFIR(DSPModel::DesignedFIR{QStringLiteral("Room fix"), {0.5f, 0.25f}});
    ASSERT_TRUE(box->pendingFilter());
    EXPECT_EQ(box->pendingFilter()->name, QStringLiteral("Room fix"));
    EXPECT_EQ(box->previewGraph()->levels().first(), FIRResponseGraph::levelAt({0.5f, 0.25f}, 17));

    // A stored text that names no source counts as the designer, with no segment chosen.
    context.settings.setValue(FIRBox::sourceKey, QStringLiteral("Somewhere"));
    EXPECT_EQ(box->source(), FIRBox::Source::designer);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(box->sourcePicker()->segment(i)->isChecked());

    box->sourcePicker()->segment(1)->click();
    EXPECT_EQ(context.settings.text(FIRBox::sourceKey), QStringLiteral("From file"));
    EXPECT_FALSE(box->pendingFilter());
}

TEST_F(FIRBoxTest, FilesLoadOrSayWhyNot) {
    context.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::file));
    auto box = shown(app, 0);
    QTemporaryDir files;
    const QString good = files.filePath(QStringLiteral("Horn.txt"));
    QFile out(good);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("1.0\n0.5\n0.25\n");
    out.close();
    context.dialogs.fileAnswers.enqueue(good);
    box->chooseFileButton()->click();
    ASSERT_TRUE(box->pendingFilter());
    EXPECT_EQ(box->pendingFilter()->name, QStringLiteral("Horn"));
    EXPECT_EQ(box->pendingFilter()->coefficients.size(), 256);

    const QString empty = files.filePath(QStringLiteral("empty.txt"));
    QFile none(empty);
    ASSERT_TRUE(none.open(QIODevice::WriteOnly));
    none.close();
    context.dialogs.fileAnswers.enqueue(empty);
    box->chooseFileButton()->click();
    EXPECT_FALSE(box->pendingFilter());  // the earlier file is dropped
    const QList<QLabel*> labels = box->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
        return l->isVisible() && l->text() == QStringLiteral("That file doesn't contain any coefficients.");
    }));

    box->chooseFileButton()->click();  // cancelled: nothing changes
    EXPECT_FALSE(box->pendingFilter());
}

// In the window, the designer's source names the latest designed filter after the designer's
// own symbol (the one of its sidebar row), drawn in the text's colour just before the text.
TEST(FIRBoxInWindow, TheDesignedFilterIsNamedAfterTheDesignerSymbol) {
    qputenv(ChannelTab::environmentVariable, "FIR");
    WindowRig::Options options;
    options.startPage = QStringLiteral("4");
    WindowRig rig(options);
    qunsetenv(ChannelTab::environmentVariable);
    rig.model().setDesignedFIR(DSPModel::DesignedFIR{QStringLiteral("Hall"), QList<float>(256, 0.01f)});
    rig.turn();
    auto* box = rig.pageView() ? rig.pageView()->findChild<FIRBox*>() : nullptr;
    ASSERT_NE(box, nullptr);
    QLabel* name = box->designedName();
    ASSERT_TRUE(name->isVisible());
    EXPECT_EQ(name->text(), QStringLiteral("Hall — 256 taps"));

    const QImage screen = rig.onScreen();
    const QRect text = rig.onScreenRect(*name);
    const QRect before(text.left() - 22, text.top(), 20, text.height());
    EXPECT_GT(kestrel_test::countNear(screen, before, Theme::primaryText(), 60), 12);
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("fir-tab-designer-source"));
}
