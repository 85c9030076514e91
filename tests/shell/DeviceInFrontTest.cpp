// What the window shows, saves and writes is the device in front of it: an edit, a menu, a panel
// or a question made in one moment (a read-back, a lost link, the demo device, another device)
// acts on nothing in the next, and what was typed for a device stays that device's.
#include <gtest/gtest.h>

#include <QAccessibleEditableTextInterface>
#include <QApplication>
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
#include "link/Levels.h"
#include "link/ParamMap.h"
#include "mixer/ChannelStrip.h"
#include "mixer/MixerView.h"
#include "pages/RoutingView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/StatusBar.h"
#include "support/AccessibleRoles.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Fader.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;

// The parameters whose words in the table differ from the device's.
QList<quint32> differingFromTheDevice(WindowRig& rig) {
    QList<quint32> differing;
    for (quint32 number : ParamMap::allParameters())
        if (rig.model().reported(number) &&
            rig.model().params().value(number) != rig.simulator.device().params.value(number))
            differing.append(number);
    return differing;
}

// Closes the link for good; the host it was on, to listen on again.
QString loseTheLink(WindowRig& rig) {
    const QString host = rig.simulator.host();
    rig.simulator.stop();
    rig.simulator.closeClients();
    EXPECT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    rig.turn();
    return host;
}

// Opens a page's menu as a click on its button would, without the menu's own event loop.
QPointer<QMenu> openMenu(QToolButton& button) {
    button.menu()->popup(button.mapToGlobal(QPoint(0, button.height())));
    return button.menu();
}

}  // namespace

TEST(DeviceInFront, TypingTheLinkTookIsNeitherWrittenNorShownAndComesBackWithTheDevice) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const auto strip = [&](int ch) { return rig.page<MixerView>()->strip(ch); };
    QLineEdit* typed = strip(0)->gainField()->lineEdit();
    typed->setFocus(Qt::MouseFocusReason);
    typed->selectAll();
    QTest::keyClicks(typed, QStringLiteral("9"));
    // An assistive tool's text, set into a field it does not focus and not yet committed.
    QLineEdit* told = strip(1)->gainField()->lineEdit();
    QAccessibleEditableTextInterface* editable = kestrel_test::accessibleOf(told)->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    editable->deleteText(0, int(told->text().size()));
    editable->insertText(0, QStringLiteral("7"));
    rig.turn();

    const qsizetype mark = rig.mark();
    const QString host = loseTheLink(rig);
    EXPECT_EQ(QApplication::focusWidget(), rig.console().statusBar()->connectionMenuButton());
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
    for (int ch : {0, 1}) {
        const float held = levels::fromBits(rig.simulator.device().params.value(quint32(ch) + 1).value(0));
        EXPECT_EQ(strip(ch)->gainField()->lineEdit()->text(), formatNumber(QStringLiteral("%.1f"), held))
            << ch;
        EXPECT_DOUBLE_EQ(strip(ch)->fader()->db(), held) << ch;
    }
    const QString saved = rig.dir.filePath(QStringLiteral("After.tsldsp"));
    rig.dialogs.fileAnswers.enqueue(saved);
    rig.window().commands().saveProject();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto project = DSPModel::decodeProject(file.readAll());
    ASSERT_TRUE(project.has_value());
    for (auto at = project->params.cbegin(); at != project->params.cend(); ++at)
        EXPECT_EQ(*at, rig.simulator.device().params.value(at.key())) << at.key();

    // The same device back: the typing is its unsaved typing again, still not written.
    ASSERT_TRUE(rig.simulator.listen(QHostAddress(host)) && rig.connect());
    EXPECT_EQ(strip(0)->gainField()->lineEdit()->text(), QStringLiteral("9"));
    EXPECT_TRUE(strip(0)->gainField()->lineEdit()->isModified());
    EXPECT_EQ(strip(1)->gainField()->lineEdit()->text(), QStringLiteral("7"));
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

TEST(DeviceInFront, MenusOpenedBeforeTheLinkWentCloseAndChangeNothing) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    QPointer<QMenu> copyTo = openMenu(*editor->copyToButton());
    QPointer<QAction> toNext = copyTo->actions().value(0);
    QPointer<QMenu> types =
        openMenu(*editor->bandColumns()->findChildren<BandColumn*>().value(2)->typeButton());
    QPointer<QAction> notch;
    for (QAction* type : types->actions())
        if (type->text() == QStringLiteral("Notch")) notch = type;
    ASSERT_TRUE(toNext && notch);

    loseTheLink(rig);
    EXPECT_TRUE(!copyTo || !copyTo->isVisible());
    EXPECT_TRUE(!types || !types->isVisible());
    // A choice that still arrives (a click already on its way, an assistive tool) does nothing.
    for (QAction* late : {toNext.data(), notch.data()})
        if (late) late->trigger();
    rig.turn();
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
}

TEST(DeviceInFront, DemoQuestionsAndPanelsAnsweredAfterARealDeviceCameUpWriteNothingAndSaySo) {
    WindowRig rig(WindowRig::Options{.connect = false, .prepare = kestrel_test::holdDemoSettings});
    const QString note =
        QStringLiteral("The DSP this was asked for is no longer connected: the answer changes nothing.");
    rig.model().enterDemo();
    const qsizetype mark = rig.mark();
    const QString path = rig.dir.filePath(QStringLiteral("Demo.tsldsp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) &&
                file.write(rig.model().projectData(QStringLiteral("Demo"))) > 0);
    file.close();
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.dialogs.whileOpen = [&] { EXPECT_TRUE(rig.connect()); };
    rig.window().commands().openProject();
    EXPECT_EQ(rig.dialogs.asked.last().text, note);

    const QString host = loseTheLink(rig);
    rig.model().enterDemo();
    rig.showPage(Page::of(Page::Kind::routing));
    auto* routing = rig.page<RoutingView>();
    ASSERT_NE(routing, nullptr);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.dialogs.whileOpen = [&] { EXPECT_TRUE(rig.simulator.listen(QHostAddress(host)) && rig.connect()); };
    routing->grids().first()->resetButton()->click();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.dialogs.whileOpen && rig.model().connected(); }));
    rig.turn();
    EXPECT_EQ(rig.dialogs.asked.last().text, note);
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
    EXPECT_EQ(differingFromTheDevice(rig), QList<quint32>());
}
