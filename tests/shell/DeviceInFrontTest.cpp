// What the window shows, saves and writes is the device in front of it: an edit, a menu, a panel
// or a question made in one moment (a read-back, a lost link, the demo device, another device)
// acts on nothing in the next, and what was typed for a device stays that device's.
#include <gtest/gtest.h>

#include <QAccessibleEditableTextInterface>
#include <QFile>
#include <QHostAddress>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "link/DSPModel.h"
#include "link/Levels.h"
#include "link/ParamMap.h"
#include "mixer/ChannelStrip.h"
#include "mixer/MixerView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Fader.h"
#include "ui/controls/SegmentedPicker.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;
const QString answerChangesNothing =
    QStringLiteral("The DSP this was asked for is no longer connected: the answer changes nothing.");

// The parameters whose words in the table differ from the device's.
QList<quint32> differingFromTheDevice(WindowRig& rig) {
    QList<quint32> differing;
    for (quint32 number : ParamMap::allParameters())
        if (rig.model().reported(number) &&
            rig.model().params().value(number) != rig.simulator.device().params.value(number))
            differing.append(number);
    return differing;
}

void loseTheLink(WindowRig& rig) {
    rig.simulator.stop();
    rig.simulator.closeClients();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    rig.turn();
}

// Opens a page's menu as a click on its button would, without the menu's own event loop.
QPointer<QMenu> openMenu(QToolButton& button) {
    QMenu* menu = button.menu();
    menu->popup(button.mapToGlobal(QPoint(0, button.height())));
    return menu;
}

QAction* entry(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text) return action;
    return nullptr;
}

// The question `gesture` asks, held open while `meanwhile` runs and then accepted; what it
// said as it was answered.
QString acceptedAfter(WindowRig& rig, const std::function<void()>& gesture,
                      const std::function<void()>& meanwhile) {
    rig.dialogs.asked.clear();
    rig.dialogs.confirmAnswers.enqueue(true);
    bool held = false;
    rig.dialogs.whileOpen = [&] {
        held = true;
        meanwhile();
    };
    gesture();
    EXPECT_TRUE(rig.waitFor([&] { return held; }));
    rig.turn();
    return rig.dialogs.asked.isEmpty() ? QString() : rig.dialogs.asked.last().text;
}

}  // namespace

TEST(DeviceInFront, AProjectChosenInAPanelOpenedBeforeAReadBackIsRefusedAndWritesNothing) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = rig.dir.filePath(QStringLiteral("Hall.tsldsp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rig.model().projectData(QStringLiteral("DSP")));
    file.close();
    rig.simulator.device().params[ParamMap::param(ParamMap::Block::gain(), 0).value()][0] =
        0xC1A00000;  // -20 dB

    const qsizetype mark = rig.mark();
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.simulator.faults().delayMs = 5;  // the read-back is still under way as the panel answers
    rig.dialogs.whileOpen = [&] { ASSERT_TRUE(rig.startReadBack()); };
    rig.dialogs.asked.clear();
    rig.window().commands().openProject();
    ASSERT_FALSE(rig.dialogs.asked.isEmpty());
    EXPECT_EQ(rig.dialogs.asked.last().kind, QStringLiteral("alert"));
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("The project couldn't be opened."));
    rig.simulator.faults().delayMs = 0;
    ASSERT_TRUE(rig.finishReadBack());
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
}

TEST(DeviceInFront, TypingTheLinkTookIsNeitherWrittenNorShownAndComesBackWithTheDevice) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    auto* mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    QLineEdit* typed = mixer->strip(0)->gainField()->lineEdit();
    typed->setFocus(Qt::MouseFocusReason);
    typed->selectAll();
    QTest::keyClicks(typed, QStringLiteral("9"));
    // An assistive tool's text, set into a field it does not focus and not yet committed.
    QLineEdit* told = mixer->strip(1)->gainField()->lineEdit();
    QAccessibleEditableTextInterface* editable = kestrel_test::accessibleOf(told)->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    editable->deleteText(0, int(told->text().size()));
    editable->insertText(0, QStringLiteral("7"));
    rig.turn();

    const qsizetype mark = rig.mark();
    const QString host = rig.simulator.host();
    loseTheLink(rig);
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
    mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    for (int ch : {0, 1}) {
        const float held = levels::fromBits(rig.simulator.device().params.value(quint32(ch) + 1).value(0));
        CompactNumberField* field = mixer->strip(ch)->gainField();
        EXPECT_FALSE(field->lineEdit()->isModified()) << ch;
        EXPECT_EQ(field->lineEdit()->text(), formatNumber(QStringLiteral("%.1f"), held)) << ch;
        EXPECT_DOUBLE_EQ(mixer->strip(ch)->fader()->db(), held) << ch;
    }
    const QString saved = rig.dir.filePath(QStringLiteral("After.tsldsp"));
    rig.dialogs.fileAnswers.enqueue(saved);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.window().commands().saveProject();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto project = DSPModel::decodeProject(file.readAll());
    ASSERT_TRUE(project.has_value());
    for (auto at = project->params.cbegin(); at != project->params.cend(); ++at)
        EXPECT_EQ(*at, rig.simulator.device().params.value(at.key())) << at.key();

    // The same device back: the typing is its unsaved typing again, still not written.
    ASSERT_TRUE(rig.simulator.listen(QHostAddress(host)));
    ASSERT_TRUE(rig.connect());
    mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    EXPECT_EQ(mixer->strip(0)->gainField()->lineEdit()->text(), QStringLiteral("9"));
    EXPECT_TRUE(mixer->strip(0)->gainField()->lineEdit()->isModified());
    EXPECT_EQ(mixer->strip(1)->gainField()->lineEdit()->text(), QStringLiteral("7"));
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

TEST(DeviceInFront, MenusOpenedBeforeTheLinkWentCloseAndChangeNothing) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    QPointer<QMenu> copyTo = openMenu(*editor->copyToButton());
    QPointer<QAction> toSub = copyTo->actions().value(0);
    BandColumn* band = editor->bandColumns()->findChildren<BandColumn*>().value(2);
    ASSERT_NE(band, nullptr);
    QPointer<QMenu> types = openMenu(*band->typeButton());
    QPointer<QAction> notch = entry(types, QStringLiteral("Notch"));
    ASSERT_TRUE(toSub && notch);

    loseTheLink(rig);
    EXPECT_TRUE(!copyTo || !copyTo->isVisible());
    EXPECT_TRUE(!types || !types->isVisible());
    // A choice that still arrives (a click already on its way, an assistive tool) does nothing.
    const qsizetype mark = rig.mark();
    if (toSub) toSub->trigger();
    if (notch) notch->trigger();
    rig.turn();
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

TEST(DeviceInFront, DemoQuestionsAnsweredAfterARealDeviceCameUpWriteNothingAndSaySo) {
    WindowRig rig(WindowRig::Options{.connect = false, .prepare = kestrel_test::holdDemoSettings});
    rig.model().enterDemo();
    rig.turn();
    const auto deviceComesUp = [&] { EXPECT_TRUE(rig.connect()); };
    const qsizetype mark = rig.mark();

    rig.showPage(Page::of(Page::Kind::routing));
    auto* routing = rig.page<RoutingView>();
    ASSERT_NE(routing, nullptr);
    EXPECT_EQ(acceptedAfter(
                  rig, [&] { routing->grids().first()->resetButton()->click(); }, deviceComesUp),
              answerChangesNothing);
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());

    // Back to the demo device for the next question.
    const QString host = rig.simulator.host();
    loseTheLink(rig);
    rig.model().enterDemo();
    rig.showPage(Page::of(Page::Kind::sources));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    const auto* testSignal = std::find(std::begin(SourcesView::pickerOrder),
                                       std::end(SourcesView::pickerOrder), InputSource::testSignal);
    QPushButton* segment =
        sources->sourcePicker(0)->segment(int(testSignal - std::begin(SourcesView::pickerOrder)));
    ASSERT_NE(segment, nullptr);
    EXPECT_EQ(acceptedAfter(
                  rig, [&] { segment->click(); },
                  [&] {
                      ASSERT_TRUE(rig.simulator.listen(QHostAddress(host)));
                      EXPECT_TRUE(rig.connect());
                  }),
              answerChangesNothing);
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
}
