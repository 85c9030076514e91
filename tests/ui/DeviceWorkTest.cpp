// Long device operations in the real window on a slow link: a project on its way to the device
// shows how far it got, and Quit, closing the window and another device operation ask first,
// with Cancel for Return; an FIR upload the same.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <vector>

#include "designer/DesignerTesting.h"
#include "designer/FIRDesignerView.h"
#include "editor/ChannelView.h"
#include "editor/FIRBox.h"
#include "link/DSPModel.h"
#include "pages/NetworkConnectView.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/ProjectCommands.h"
#include "shell/StatusBar.h"
#include "support/FindWidgets.h"
#include "support/RealQuestion.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/DeviceWork.h"
#include "ui/Dialogs.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/SegmentedPicker.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;

QAction* menuAction(MainWindow& window, const QString& text) {
    for (QAction* action : window.menuBar()->findChildren<QAction*>())
        if (action->text() == text) return action;
    return nullptr;
}

// The question the last dialog asked, when it was a confirmation.
QString lastQuestion(const WindowRig& rig) {
    const auto& asked = rig.dialogs.asked;
    return !asked.isEmpty() && asked.last().kind == QStringLiteral("confirm") ? asked.last().title
                                                                              : QString();
}

bool statusShows(WindowRig& rig, const QRegularExpression& pattern) {
    const QStringList texts = rig.statusTexts();
    return std::any_of(texts.begin(), texts.end(),
                       [&](const QString& t) { return pattern.match(t).hasMatch(); });
}

// "Hall setup.tsldsp" with the settings the device holds. The device needs the demo's
// settings: the simulator's own all-zero bands are no valid project.
QString projectFile(WindowRig& rig) {
    const QString path = rig.dir.filePath(QStringLiteral("Hall setup.tsldsp"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rig.model().projectData(QStringLiteral("DSP")));
    return path;
}

// The designer page with a correction designed from a pasted measurement, ready to send.
FIRDesignerView* designerWithFilter(WindowRig& rig) {
    rig.showPage(Page::of(Page::Kind::firDesigner));
    auto* designer = rig.page<FIRDesignerView>();
    if (!designer) return nullptr;
    rig.dialogs.clipboard = QString::fromLatin1(designertest::measurementText(480, 480, 6));
    designer->pasteMeasurement();
    return rig.waitFor([&] { return !designer->coefficients().isEmpty(); }) ? designer : nullptr;
}

// Sends the project at `path`, the device answering its last write late; its number of writes.
int sendWithALateLastWrite(WindowRig& rig, const QString& path) {
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.window().commands().openProject();
    const int total = rig.model().link().queuedWriteCount();
    rig.simulator.faults().lateMs = 300;  // within the time a write may take
    rig.simulator.faults().answerLate = [total, n = 0](const DSPFrame& request) mutable {
        return request.command == writeCommand && ++n == total;
    };
    rig.turn();  // the status bar shows the send
    return total;
}

// What a question about a device says once another one took the link while it was open.
const QString answerChangesNothing =
    QStringLiteral("The DSP this was asked for is no longer connected: the answer changes nothing.");

// Other devices, each taking the link from the one before while a question is open.
struct OtherDevices {
    WindowRig& rig;
    std::vector<std::unique_ptr<DeviceSimulator>> devices;

    void connectAnother() {
        auto& other = *devices.emplace_back(std::make_unique<DeviceSimulator>());
        ASSERT_TRUE(other.listenOnRandomLoopback());
        rig.model().link().connect(other.host());
        EXPECT_TRUE(rig.waitFor(
            [&] { return other.received().size() > 10 && rig.model().connected() && !rig.model().loading(); },
            60));
    }
    // How many frames with `command` any of the devices, the window's own included, received.
    qsizetype received(quint16 command) const {
        qsizetype n = rig.simulator.receivedWithCommand(command).size();
        for (const auto& device : devices) n += device->receivedWithCommand(command).size();
        return n;
    }
    // Nothing more with `command` reaches any of them for a while.
    bool noMore(quint16 command, qsizetype before) {
        return !rig.waitFor([&] { return received(command) > before; }, 1) && !rig.model().demo();
    }
};

QPointer<QAction> connectionItem(WindowRig& rig, const QString& text) {
    for (QAction* action : rig.console().statusBar()->connectionMenuButton()->menu()->actions())
        if (action->text() == text) return action;
    return nullptr;
}

// A question asked by `gesture` (after any file panel) and held open while `meanwhile` runs,
// until its send has ended and `gone` holds (the status bar rebuilt its row), then answered
// with `answer`. What it said as it was answered.
struct Held {
    bool askedAfterTheHandler = false;
    QString question;
    QString consequence;
};

Held holdOpen(WindowRig& rig, const std::function<void()>& gesture, const std::function<bool()>& gone,
              bool answer, const std::function<void()>& meanwhile = {}) {
    Held held;
    bool returned = false;
    qsizetype at = -1;
    rig.dialogs.confirmAnswers.enqueue(answer);
    std::function<void()> hold = [&] {
        if (rig.dialogs.asked.last().kind != QStringLiteral("confirm")) {
            rig.dialogs.whileOpen = hold;  // a file panel first: the question comes after it
            return;
        }
        at = rig.dialogs.asked.size() - 1;
        held.askedAfterTheHandler = returned;
        if (meanwhile) meanwhile();
        EXPECT_TRUE(rig.waitFor([&] { return rig.window().work().running().isEmpty() && gone(); }, 30));
    };
    rig.dialogs.whileOpen = hold;
    rig.dialogs.asked.clear();
    gesture();
    returned = true;
    EXPECT_TRUE(rig.waitFor([&] { return at >= 0; }));
    rig.dialogs.whileOpen = nullptr;
    held.question = rig.dialogs.asked.value(at).title;
    held.consequence = rig.dialogs.asked.value(at).text;
    return held;
}

}  // namespace

// Each question the window asks while a send runs is asked once the menu item's handler has
// returned, so the status bar may rebuild its row, menu and items included, while it is open.
// Answered after the send ended, it says how the send ended with every acknowledged write,
// without the consequence that no longer holds, and the answer does its work or nothing.
TEST(DeviceWork, QuestionsOutlivingTheirSendAndTheMenuThatAskedAnswerForWhatIsLeft) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = projectFile(rig);
    const auto ended = [](int total, const QString& question) {
        return QStringLiteral("Sending the project \"Hall setup\" ended: %1 of %1 settings written. %2")
            .arg(total)
            .arg(question);
    };
    const auto always = [] { return true; };

    int total = sendWithALateLastWrite(rig, path);
    Held held = holdOpen(
        rig, [&] { menuAction(rig.window(), QStringLiteral("Quit"))->trigger(); }, always, false);
    EXPECT_TRUE(held.askedAfterTheHandler);
    EXPECT_EQ(held.question, ended(total, QStringLiteral("Quit anyway?")));
    EXPECT_EQ(held.consequence, QString());
    EXPECT_TRUE(rig.window().isVisible());

    total = sendWithALateLastWrite(rig, path);
    QPointer<QAction> usb = connectionItem(rig, QStringLiteral("Use USB instead"));
    ASSERT_TRUE(usb);
    held = holdOpen(
        rig, [&] { usb->trigger(); }, [&] { return usb.isNull(); }, false);
    EXPECT_TRUE(held.askedAfterTheHandler);
    EXPECT_EQ(held.question, ended(total, QStringLiteral("Change the connection anyway?")));
    EXPECT_EQ(held.consequence, QString());
    EXPECT_TRUE(rig.model().connected());

    total = sendWithALateLastWrite(rig, path);
    QPointer<QAction> network = connectionItem(rig, QStringLiteral("Connect over network…"));
    ASSERT_TRUE(network);
    held = holdOpen(
        rig, [&] { network->trigger(); }, [&] { return network.isNull(); }, true);
    EXPECT_TRUE(held.askedAfterTheHandler);
    EXPECT_EQ(held.question, ended(total, QStringLiteral("Change the connection anyway?")));
    EXPECT_TRUE(rig.waitFor([&] {
        auto* sheet = rig.window().findChild<NetworkConnectView*>();
        return sheet && sheet->isVisible();
    }));
    rig.window().findChild<NetworkConnectView*>()->close();

    total = sendWithALateLastWrite(rig, path);
    held = holdOpen(
        rig, [&] { EXPECT_FALSE(rig.window().close()); }, always, true);
    EXPECT_EQ(held.question, ended(total, QStringLiteral("Quit anyway?")));
    EXPECT_TRUE(rig.waitFor([&] { return !rig.window().isVisible(); }));
}

// The designer's Send asks about the project still being sent once its button's handler
// returned; answered after that send ended, it tells how it ended and the upload goes out.
TEST(DeviceWork, AnUploadAskedWhileAProjectIsSentTellsHowTheSendEndedAndGoesOut) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = projectFile(rig);
    FIRDesignerView* designer = designerWithFilter(rig);
    ASSERT_NE(designer, nullptr);
    FIRSendBar* bar = designer->sendBar();
    ASSERT_TRUE(bar->sendButton()->isEnabled());

    const int total = sendWithALateLastWrite(rig, path);
    const qsizetype mark = rig.mark();
    rig.dialogs.confirmAnswers.enqueue(true);  // "Send Anyway"; then the send's own confirmation
    const Held held = holdOpen(
        rig, [&] { bar->sendButton()->click(); }, [] { return true; }, true);
    EXPECT_TRUE(held.askedAfterTheHandler);
    EXPECT_EQ(held.question,
              QStringLiteral("Sending the project \"Hall setup\" ended: %1 of %1 settings written. Send “%2” "
                             "anyway?")
                  .arg(total)
                  .arg(designer->settings().name));
    EXPECT_EQ(held.consequence, QString());
    constexpr quint16 coefficientsCommand = 129;
    EXPECT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, coefficientsCommand).isEmpty(); }));
    EXPECT_TRUE(rig.waitFor([&] { return !bar->busy(); }, 30));
}

// A preset's question held open while the send ends, its page's own question first: answered,
// the slot is deleted without a question about a send that has ended.
TEST(DeviceWork, APresetQuestionOutlivingTheSendDeletesTheSlot) {
    WindowRig rig(WindowRig::Options{.prepare = [](DeviceSimulator& simulator) {
        kestrel_test::holdDemoSettings(simulator);
        simulator.device().presets.occupied |= 1u << 5;
        simulator.device().presets.names[5] = QStringLiteral("Vocals");
    }});
    const QString path = projectFile(rig);
    rig.showPage(Page::of(Page::Kind::presets));
    auto* presets = rig.page<PresetsView>();
    ASSERT_NE(presets, nullptr);
    QListWidget* slots = presets->slotList();
    QTest::mouseClick(slots->viewport(), Qt::LeftButton, {}, slots->visualItemRect(slots->item(5)).center());
    QPushButton* remove = kestrel_test::buttonNamed(*presets, QStringLiteral("Delete…"));
    ASSERT_TRUE(remove && remove->isVisible() && remove->isEnabled());

    sendWithALateLastWrite(rig, path);
    const qsizetype mark = rig.mark();
    rig.dialogs.confirmAnswers.enqueue(true);  // were the send's question asked after all
    const Held held = holdOpen(
        rig, [&] { remove->click(); }, [] { return true; }, true);
    EXPECT_TRUE(held.askedAfterTheHandler);
    EXPECT_EQ(held.question, QStringLiteral("Delete \"Vocals\"?"));
    constexpr quint16 deleteCommand = 18;
    EXPECT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, deleteCommand).isEmpty(); }));
    EXPECT_EQ(rig.dialogs.asked.size(), 1);
}

// The FIR tab's Clear and a preset's Store held open while a project send ends say how it
// ended and go on as answered; held open while another device takes the link, and the page
// asked from is rebuilt for it, their answer reaches no device and they say so.
TEST(DeviceWork, PageQuestionsOutlivingTheSendOrTheirDeviceAnswerForWhatIsLeft) {
    constexpr quint16 commitCommand = 130;
    constexpr quint16 storeCommand = 9;
    WindowRig rig(WindowRig::Options{.prepare = [](DeviceSimulator& simulator) {
        kestrel_test::holdDemoSettings(simulator);
        simulator.device().presets.occupied |= 1u << 5;
        simulator.device().presets.names[5] = QStringLiteral("Vocals");
    }});
    const QString path = projectFile(rig);
    OtherDevices others{rig};
    const auto ended = [](int total, const QString& question) {
        return QStringLiteral("Sending the project \"Hall setup\" ended: %1 of %1 settings written. %2")
            .arg(total)
            .arg(question);
    };
    const auto always = [] { return true; };
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    const auto firTab = [&] {
        rig.showPage(Page::channelPage(5));
        FIRBox* box = rig.pageView() ? rig.pageView()->findChild<FIRBox*>() : nullptr;
        EXPECT_TRUE(box && rig.waitFor([&] { return box->clearButton()->isEnabled(); }));
        return box;
    };
    const auto presetsWith = [&](int slot) {
        rig.showPage(Page::of(Page::Kind::presets));
        auto* presets = rig.page<PresetsView>();
        EXPECT_TRUE(rig.waitFor([&] { return !rig.model().presetBusy(); }));
        QListWidget* list = presets->slotList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(slot)).center());
        return presets;
    };

    FIRBox* box = firTab();
    ASSERT_NE(box, nullptr);
    for (const bool answer : {false, true}) {
        const int total = sendWithALateLastWrite(rig, path);
        const qsizetype mark = rig.mark();
        rig.dialogs.confirmAnswers.enqueue(answer);  // "Clear the FIR on …?" after "Clear Anyway"
        const Held held = holdOpen(
            rig, [&] { box->clearButton()->click(); }, always, answer);
        EXPECT_EQ(held.question, ended(total, QStringLiteral("Clear the FIR anyway?")));
        EXPECT_EQ(held.consequence, QString());
        if (answer)
            EXPECT_TRUE(rig.waitFor([&] { return box->clearMessage() == QStringLiteral("Cleared."); }));
        else
            EXPECT_TRUE(others.noMore(commitCommand, others.received(commitCommand)));
        EXPECT_EQ(rig.receivedSince(mark, commitCommand).isEmpty(), !answer);
        rig.dialogs.confirmAnswers.clear();
    }

    PresetsView* presets = presetsWith(6);
    QTest::keyClicks(presets->nameField(), QStringLiteral("Drums"));
    ASSERT_TRUE(presets->storeButton()->isEnabled());
    for (const bool answer : {false, true}) {
        const int total = sendWithALateLastWrite(rig, path);
        const qsizetype mark = rig.mark();
        const Held held = holdOpen(
            rig, [&] { presets->storeButton()->click(); }, always, answer);
        EXPECT_EQ(held.question, ended(total, QStringLiteral("Store slot 6 anyway?")));
        EXPECT_EQ(held.consequence, QString());
        EXPECT_EQ(
            rig.waitFor([&] { return !rig.receivedSince(mark, storeCommand).isEmpty(); }, answer ? 20 : 1),
            answer);
    }
    EXPECT_TRUE(rig.waitFor(
        [&] { return rig.simulator.device().presets.names[6].trimmed() == QStringLiteral("Drums"); }));

    // Stored over a preset of the device that has gone, or cleared on its channel: nowhere.
    presets = presetsWith(5);
    ASSERT_TRUE(rig.waitFor([&] { return presets->storeButton()->isEnabled(); }));
    qsizetype before = others.received(storeCommand);
    Held held = holdOpen(
        rig, [&] { presets->storeButton()->click(); }, always, true, [&] { others.connectAnother(); });
    EXPECT_TRUE(held.question.endsWith(QStringLiteral("\"Vocals\"?"))) << held.question.toStdString();
    EXPECT_EQ(held.consequence, answerChangesNothing);
    EXPECT_TRUE(others.noMore(storeCommand, before));

    box = firTab();
    ASSERT_NE(box, nullptr);
    before = others.received(commitCommand);
    held = holdOpen(
        rig, [&] { box->clearButton()->click(); }, always, true, [&] { others.connectAnother(); });
    EXPECT_EQ(held.question, QStringLiteral("Clear the FIR on %1?").arg(rig.model().channelName(5)));
    EXPECT_EQ(held.consequence, answerChangesNothing);
    EXPECT_TRUE(others.noMore(commitCommand, before));
    EXPECT_TRUE(firTab() != nullptr);  // the tab built for the device now connected works on
}

// Open Project's questions: held open while a project send ends, they say how it ended and the
// project goes out or not as answered; held open while another device takes the link, the
// project goes to no device and the question says so.
TEST(DeviceWork, OpenProjectQuestionsOutlivingTheSendOrTheirDeviceAnswerForWhatIsLeft) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = projectFile(rig);
    OtherDevices others{rig};
    QAction* open = menuAction(rig.window(), QStringLiteral("Open Project…"));
    ASSERT_NE(open, nullptr);

    for (const bool answer : {false, true}) {
        const qsizetype mark = rig.mark();
        const int total = sendWithALateLastWrite(rig, path);
        rig.dialogs.fileAnswers.enqueue(path);
        rig.dialogs.confirmAnswers.enqueue(answer);  // "Send … to the DSP?" after "Send Anyway"
        const Held held = holdOpen(
            rig, [&] { open->trigger(); }, [] { return true; }, answer);
        EXPECT_EQ(held.question,
                  QStringLiteral("Sending the project \"Hall setup\" ended: %1 of %1 settings written. Send "
                                 "\"Hall setup\" anyway?")
                      .arg(total));
        EXPECT_EQ(held.consequence, QString());
        // The first send's writes, then the second's as answered.
        EXPECT_EQ(rig.waitFor([&] { return rig.receivedSince(mark, writeCommand).size() > total; },
                              answer ? 20 : 1),
                  answer);
        ASSERT_TRUE(rig.waitFor([&] { return rig.window().work().running().isEmpty(); }, 30));
        rig.dialogs.confirmAnswers.clear();
    }

    const qsizetype before = others.received(writeCommand);
    rig.dialogs.fileAnswers.enqueue(path);
    const Held held = holdOpen(
        rig, [&] { open->trigger(); }, [] { return true; }, true, [&] { others.connectAnother(); });
    EXPECT_EQ(held.question, QStringLiteral("Send \"Hall setup\" to the DSP?"));
    EXPECT_EQ(held.consequence, answerChangesNothing);
    EXPECT_TRUE(others.noMore(writeCommand, before));
    EXPECT_TRUE(rig.window().isVisible());
}

TEST(DeviceWork, QuitClosingAndAnotherProjectAskWhileAProjectIsBeingSent) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = projectFile(rig);
    // About 15 s for the whole project: the questions below come long before its end.
    rig.simulator.faults().commandDelayMs[writeCommand] = 40;

    const qsizetype mark = rig.mark();
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    menuAction(rig.window(), QStringLiteral("Open Project…"))->trigger();
    // The menu's handler has returned before the open panel and the send's question come.
    ASSERT_TRUE(rig.waitFor([&] { return !rig.window().work().running().isEmpty(); }));
    const int total = rig.window().work().running().first().total;
    ASSERT_GT(total, 300);
    ASSERT_TRUE(rig.waitFor([&] { return rig.receivedSince(mark, writeCommand).size() >= 5; }));
    const QRegularExpression progress(
        QStringLiteral("^Sending the project \"Hall setup\": ([1-9]\\d*) of %1 settings written$")
            .arg(total));
    EXPECT_TRUE(rig.waitFor([&] { return statusShows(rig, progress); }, 5))
        << rig.statusTexts().join(" | ").toStdString();
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("project-send-progress"));

    const QRegularExpression question(
        QStringLiteral("^The project \"Hall setup\" is still being sent to the DSP: [1-9]\\d* of %1 settings "
                       "written\\. Quit anyway\\?$")
            .arg(total));
    menuAction(rig.window(), QStringLiteral("Quit"))->trigger();
    rig.turn();  // asked once the menu's handler has returned
    EXPECT_TRUE(question.match(lastQuestion(rig)).hasMatch()) << lastQuestion(rig).toStdString();
    EXPECT_EQ(rig.dialogs.asked.last().defaultButton, Dialogs::DefaultButton::cancel);
    EXPECT_TRUE(rig.window().isVisible());

    rig.dialogs.asked.clear();
    EXPECT_FALSE(rig.window().close());
    rig.turn();
    EXPECT_TRUE(question.match(lastQuestion(rig)).hasMatch()) << lastQuestion(rig).toStdString();
    EXPECT_TRUE(rig.window().isVisible());

    // Nor is a preset recalled in among them: the recall asks after its own question.
    rig.showPage(Page::of(Page::Kind::presets));
    auto* presets = rig.page<PresetsView>();
    ASSERT_NE(presets, nullptr);
    QListWidget* slots = presets->slotList();
    QTest::mouseClick(slots->viewport(), Qt::LeftButton, {}, slots->visualItemRect(slots->item(1)).center());
    rig.dialogs.asked.clear();
    rig.dialogs.confirmAnswers.enqueue(true);
    QPushButton* recall = kestrel_test::buttonNamed(*presets, QStringLiteral("Recall…"));
    ASSERT_NE(recall, nullptr);
    recall->click();
    rig.turn();
    EXPECT_TRUE(lastQuestion(rig).endsWith(QStringLiteral("settings written. Recall slot 1 anyway?")))
        << lastQuestion(rig).toStdString();
    EXPECT_EQ(rig.dialogs.asked.size(), 2);

    // Another project is not sent in among the first one's writes unless the user says so.
    rig.dialogs.asked.clear();
    rig.dialogs.fileAnswers.enqueue(path);
    rig.window().commands().openProject();
    EXPECT_TRUE(lastQuestion(rig).endsWith(QStringLiteral("settings written. Send \"Hall setup\" anyway?")))
        << lastQuestion(rig).toStdString();
    EXPECT_EQ(rig.dialogs.asked.size(), 2);  // the open panel, then only that question

    // Once every setting went out, nothing is in the way any more.
    ASSERT_TRUE(rig.waitFor([&] { return rig.window().work().running().isEmpty(); }, 60));
    EXPECT_EQ(rig.receivedSince(mark, writeCommand).size(), total);
    EXPECT_FALSE(statusShows(rig, QRegularExpression(QStringLiteral("^Sending"))));
    rig.dialogs.asked.clear();
    EXPECT_TRUE(rig.window().work().mayQuit());
    EXPECT_TRUE(rig.dialogs.asked.isEmpty());
}

TEST(DeviceWork, QuitAndAnotherUploadAskWhileAnFIRIsBeingSent) {
    WindowRig rig;
    FIRDesignerView* designer = designerWithFilter(rig);
    ASSERT_NE(designer, nullptr);
    rig.simulator.faults().delayMs = 30;

    designer->sendBar()->startSend({4, 5});
    ASSERT_TRUE(designer->sendBar()->busy());
    rig.dialogs.asked.clear();
    EXPECT_FALSE(rig.window().close());
    rig.turn();
    const QString quitQuestion = lastQuestion(rig);
    EXPECT_TRUE(quitQuestion.startsWith(QStringLiteral("The FIR “") + designer->settings().name +
                                        QStringLiteral("” is still being sent to the DSP: ")))
        << quitQuestion.toStdString();
    EXPECT_TRUE(quitQuestion.endsWith(QStringLiteral(" of 2 channels done. Quit anyway?")))
        << quitQuestion.toStdString();
    EXPECT_EQ(rig.dialogs.asked.last().defaultButton, Dialogs::DefaultButton::cancel);
    EXPECT_TRUE(rig.window().isVisible());

    // The send bar's next upload asks before its own confirmation, and Cancel stops there.
    rig.dialogs.asked.clear();
    designer->sendBar()->requestSend();
    EXPECT_TRUE(lastQuestion(rig).endsWith(QStringLiteral("anyway?"))) << lastQuestion(rig).toStdString();
    EXPECT_EQ(rig.dialogs.asked.size(), 1);

    ASSERT_TRUE(rig.waitFor([&] { return !designer->sendBar()->busy(); }, 60));
    ASSERT_TRUE(rig.waitFor([&] { return rig.window().work().running().isEmpty(); }));
}

// The question asked during a send follows its count while it is open; a send the link cuts
// short says how many settings the device carried out, in the line its progress took.
TEST(DeviceWork, ASendCutByTheLinkSaysHowFarItCameAndItsQuestionsFollowTheCount) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString path = projectFile(rig);
    rig.simulator.faults().commandDelayMs[writeCommand] = 20;
    const qsizetype mark = rig.mark();
    const auto written = [&] { return int(rig.receivedSince(mark, writeCommand).size()); };
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.window().commands().openProject();
    const int total = rig.model().link().queuedWriteCount();
    ASSERT_TRUE(rig.waitFor([&] { return written() >= 5; }));

    const QRegularExpression stillSending(
        QStringLiteral("still being sent to the DSP: (\\d+) of %1 settings written\\. Quit anyway\\?$")
            .arg(total));
    const auto count = [&](const QString& question) {
        return stillSending.match(question).captured(1).toInt();
    };
    int atOpen = 0;
    rig.dialogs.whileOpen = [&] {
        atOpen = count(lastQuestion(rig));
        const int seen = written();
        rig.waitFor([&] { return written() >= seen + 30; });
        rig.waitFor([&] { return count(lastQuestion(rig)) >= seen + 20; }, 2);
    };
    menuAction(rig.window(), QStringLiteral("Quit"))->trigger();
    rig.turn();
    EXPECT_GT(atOpen, 0) << lastQuestion(rig).toStdString();
    EXPECT_GE(count(lastQuestion(rig)), atOpen + 20) << lastQuestion(rig).toStdString();
    EXPECT_TRUE(rig.window().isVisible());

    // The device goes away on the 40th write from here, before carrying it out.
    rig.simulator.faults().goneOn = [n = 0](const DSPFrame& request) mutable {
        return request.command == writeCommand && ++n == 40;
    };
    ASSERT_TRUE(rig.waitFor([&] { return rig.window().work().running().isEmpty(); }, 10));
    rig.turn();
    EXPECT_TRUE(rig.statusTexts().contains(
        QStringLiteral("Project \"Hall setup\": %1 of %2 settings written before the link closed")
            .arg(written() - 1)
            .arg(total)))
        << rig.statusTexts().join(" | ").toStdString();
    EXPECT_LT(written(), total);

    // What the send did on that device is nothing to say about another one connected since.
    DeviceSimulator other;
    ASSERT_TRUE(other.listenOnRandomLoopback());
    rig.model().link().connect(other.host());
    ASSERT_TRUE(rig.waitFor([&] { return rig.model().connected() && !rig.model().loading(); }, 60));
    rig.turn();
    EXPECT_FALSE(rig.statusTexts().join(QLatin1Char('|')).contains(QStringLiteral("before the link closed")))
        << rig.statusTexts().join(" | ").toStdString();
}

// A question open while its send ends keeps telling what happened to the send; an FIR upload
// the link cuts short says how many of its steps the device answered, in the status bar and in
// that question, and its send bar names the failure.
TEST(DeviceWork, AQuestionOutlivingItsSendAndAnFIRUploadCutByTheLinkSayHowTheSendEnded) {
    constexpr quint16 coefficientsCommand = 129;
    WindowRig rig;
    FIRDesignerView* designer = designerWithFilter(rig);
    ASSERT_NE(designer, nullptr);
    const qsizetype taps = designer->coefficients().size();
    ASSERT_GT(taps, 256);  // two chunks at least: the device goes at the second
    const int steps = 3 + int((taps + 255) / 256);
    const QString name = QStringLiteral("“") + designer->settings().name + QStringLiteral("”");
    rig.simulator.faults().delayMs = 20;
    FIRSendBar* bar = designer->sendBar();

    bar->startSend({4, 5});
    rig.dialogs.whileOpen = [&] { rig.waitFor([&] { return rig.window().work().running().isEmpty(); }, 30); };
    EXPECT_FALSE(rig.window().work().mayQuit());
    EXPECT_EQ(lastQuestion(rig),
              QStringLiteral("Sending the FIR %1 ended: 2 of 2 channels done. Quit anyway?").arg(name));
    ASSERT_TRUE(rig.waitFor([&] { return !bar->busy(); }));

    bar->startSend({4, 5});
    rig.dialogs.whileOpen = [&] {
        rig.simulator.faults().goneOn = [n = 0](const DSPFrame& request) mutable {
            return request.command == coefficientsCommand && ++n == 2;
        };
        rig.waitFor([&] { return rig.window().work().running().isEmpty(); }, 30);
    };
    EXPECT_FALSE(rig.window().work().mayQuit());
    const QString cut =
        QStringLiteral("FIR for OUT 1: 3 of %1 upload steps done before the link closed").arg(steps);
    EXPECT_EQ(lastQuestion(rig), cut + QStringLiteral(". Quit anyway?"));
    ASSERT_TRUE(rig.waitFor([&] { return !bar->busy(); }));
    rig.turn();
    EXPECT_TRUE(rig.statusTexts().contains(cut)) << rig.statusTexts().join(" | ").toStdString();
    EXPECT_TRUE(bar->status().value_or(QString()).startsWith(QStringLiteral(" Failed — OUT 1: ")))
        << bar->status().value_or(QString()).toStdString();
}

// The designer's Send, the test signal and a grid's reset, each held open while another device
// takes the link: the answer reaches no device, and the question says so. The designer is not
// rebuilt for the new device, so its bar alone would send there.
TEST(DeviceWork, QuestionsAboutOneDeviceReachNoOtherThatTookTheLink) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    OtherDevices others{rig};
    const auto heldWhileAnotherConnects = [&](const std::function<void()>& gesture, quint16 command) {
        const qsizetype before = others.received(command);
        const Held held = holdOpen(
            rig, gesture, [] { return true; }, true, [&] { others.connectAnother(); });
        EXPECT_EQ(held.consequence, answerChangesNothing) << held.question.toStdString();
        EXPECT_TRUE(others.noMore(command, before)) << held.question.toStdString();
    };

    FIRDesignerView* designer = designerWithFilter(rig);
    ASSERT_NE(designer, nullptr);
    constexpr quint16 coefficientsCommand = 129;
    heldWhileAnotherConnects([&] { designer->sendBar()->sendButton()->click(); }, coefficientsCommand);

    rig.showPage(Page::of(Page::Kind::sources));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    const auto* testSignal = std::find(std::begin(SourcesView::pickerOrder),
                                       std::end(SourcesView::pickerOrder), InputSource::testSignal);
    QPushButton* segment =
        sources->sourcePicker(0)->segment(int(testSignal - std::begin(SourcesView::pickerOrder)));
    ASSERT_NE(segment, nullptr);
    heldWhileAnotherConnects([&] { segment->click(); }, writeCommand);

    rig.showPage(Page::of(Page::Kind::routing));
    auto* routing = rig.page<RoutingView>();
    ASSERT_NE(routing, nullptr);
    heldWhileAnotherConnects([&] { routing->grids().first()->resetButton()->click(); }, writeCommand);
}

// The desktop's Quit question, open while the project send it tells of ends: its texts change
// (the count, then the send's end, and the consequence leaves), its buttons stay where the
// pointer found them, and a click there still answers Cancel.
TEST(DeviceWork, TheQuitQuestionKeepsItsButtonsInPlaceWhenTheSendEnds) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    QFile project(projectFile(rig));
    ASSERT_TRUE(project.open(QIODevice::ReadOnly));
    rig.simulator.faults().commandDelayMs[writeCommand] = 3;
    DesktopDialogs desktop;
    desktop.setParentWindow(&rig.window());
    DeviceWork work(rig.model(), desktop);
    ASSERT_FALSE(rig.model().loadProject(project.readAll()).has_value());
    work.followProjectSend(QStringLiteral("Hall setup"));
    ASSERT_FALSE(work.running().isEmpty());

    bool quit = true;
    const kestrel_test::QuestionPlaces places =
        kestrel_test::watchQuestion([&] { quit = work.mayQuit(); }, [] {},
                                    [&] { return work.running().isEmpty(); }, QMessageBox::RejectRole);
    EXPECT_TRUE(places.after.texts.join(' ').contains(QStringLiteral("ended")));
    EXPECT_EQ(places.after.texts.size(), 1) << "the consequence left";
    EXPECT_TRUE(places.steady());
    EXPECT_EQ(places.hit, QMessageBox::RejectRole);
    EXPECT_FALSE(quit);
}

// The result of a send names that device's channels: it stays while the same device comes back,
// and leaves once another device has connected.
TEST(DeviceWork, ASendResultLeavesWhenAnotherDeviceConnects) {
    WindowRig rig;
    FIRDesignerView* designer = designerWithFilter(rig);
    ASSERT_NE(designer, nullptr);
    FIRSendBar* bar = designer->sendBar();
    const auto resultShown = [bar] {
        for (ElidedLabel* label : bar->findChildren<ElidedLabel*>())
            if (label->isVisible() && label->text().startsWith(QStringLiteral("Sent to"))) return true;
        return false;
    };
    bar->startSend({4});
    ASSERT_TRUE(rig.waitFor([&] { return !bar->busy(); }, 30));
    rig.turn();
    EXPECT_TRUE(resultShown());

    rig.simulator.closeClients();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    rig.model().link().connect(rig.simulator.host());
    ASSERT_TRUE(rig.waitFor([&] { return rig.model().connected() && !rig.model().loading(); }, 30));
    rig.turn();
    EXPECT_TRUE(resultShown()) << "the same device came back";

    OtherDevices others{rig};
    others.connectAnother();
    rig.turn();
    EXPECT_FALSE(bar->status().has_value()) << bar->status().value_or(QString()).toStdString();
    EXPECT_FALSE(resultShown());
}
