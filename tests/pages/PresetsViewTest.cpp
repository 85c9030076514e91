#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "link/LiveModel.h"
#include "pages/PageTesting.h"
#include "pages/PresetsView.h"
#include "support/RealQuestion.h"
#include "support/ScriptedDialogs.h"
#include "support/WidgetTesting.h"
#include "ui/DeviceMoments.h"
#include "ui/Dialogs.h"
#include "ui/controls/Theme.h"

using namespace pagetest;

namespace {

constexpr quint16 storeCommand = 9;
constexpr quint16 recallCommand = 10;
constexpr quint16 listCommand = 8;
constexpr quint16 deleteCommand = 18;

void prepareBank(DeviceSimulator& sim) {
    SimPresetBank& bank = sim.device().presets;
    bank.occupied |= 1u << 5;
    bank.names[5] = QStringLiteral("Vocals");
    bank.current = 5;
}

template <typename Device>
struct PresetsPage {
    Device device;
    kestrel_test::ScriptedDialogs dialogs;
    std::unique_ptr<PresetsView> view;

    template <typename... Args>
    explicit PresetsPage(Args&&... args) : device(std::forward<Args>(args)...) {
        view = std::make_unique<PresetsView>(*device.model, dialogs);
        view->resize(680, 560);
        view->show();
        turn();
    }
    DSPModel& model() { return *device.model; }
    void clickRow(int slot) {
        QListWidget* list = view->slotList();
        const QRect rect = list->visualItemRect(list->item(slot));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        turn();
    }
    bool waitForMessage() {
        return livemodel::waitUntil([this] { return view->message().has_value(); });
    }
};

using LivePage = PresetsPage<livemodel::Live>;
using OfflinePage = PresetsPage<livemodel::Offline>;

}  // namespace

TEST(PresetsViewTest, SlotsOfferWhatTheirKindAllows) {
    LivePage page(prepareBank);
    PresetsView& view = *page.view;
    EXPECT_FALSE(view.selected());
    EXPECT_TRUE(view.selectHint()->isVisible());
    EXPECT_TRUE(view.refreshButton()->isVisible());
    EXPECT_FALSE(view.demoOverlay()->isVisible());

    EXPECT_TRUE(view.row(5).current->isVisible());
    EXPECT_TRUE(view.row(0).boot->isVisible());
    EXPECT_FALSE(view.row(0).current->isVisible());
    EXPECT_TRUE(view.row(0).lock->isVisible() && view.row(1).lock->isVisible());
    EXPECT_FALSE(view.row(2).lock->isVisible());
    EXPECT_EQ(view.row(0).caption->text(), QStringLiteral("Auto (live settings)"));
    EXPECT_EQ(view.row(1).caption->text(), QStringLiteral("Default"));
    EXPECT_EQ(view.row(5).caption->text(), QStringLiteral("Vocals"));
    EXPECT_EQ(view.row(7).caption->text(), QStringLiteral("Empty"));
    EXPECT_EQ(view.row(7).caption->palette().color(QPalette::WindowText), Theme::secondaryText());
    EXPECT_EQ(view.row(5).caption->palette().color(QPalette::WindowText), Theme::primaryText());

    page.clickRow(0);
    EXPECT_EQ(view.headline()->text(), QStringLiteral("Slot 0: Auto (live settings)"));
    EXPECT_FALSE(view.nameField()->isVisible());
    EXPECT_FALSE(view.storeButton()->isVisible());
    EXPECT_TRUE(view.recallButton()->isVisible());
    EXPECT_FALSE(view.deleteButton()->isVisible());

    page.clickRow(5);
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("Vocals"));
    EXPECT_EQ(view.storeButton()->text(), QStringLiteral("Overwrite with current settings…"));
    EXPECT_TRUE(view.recallButton()->isVisible() && view.deleteButton()->isVisible());

    page.clickRow(7);
    EXPECT_EQ(view.nameField()->text(), QString());
    EXPECT_EQ(view.storeButton()->text(), QStringLiteral("Save current settings here"));
    EXPECT_FALSE(view.recallButton()->isVisible() || view.deleteButton()->isVisible());
    EXPECT_FALSE(view.storeButton()->isEnabled());
    QTest::keyClicks(view.nameField(), QStringLiteral("   "));
    EXPECT_FALSE(view.storeButton()->isEnabled());
    view.nameField()->clear();
    view.nameField()->insert(QStringLiteral("abcdefghijklmnopqrstuvwxy"));  // a paste of 25
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("abcdefghijklmnopqrst"));
    EXPECT_TRUE(view.storeButton()->isEnabled());

    // Shown again, the page reads the list: a preset another client stored meanwhile shows.
    page.view->hide();
    page.device.sim.device().presets.occupied |= 1u << 7;
    page.device.sim.device().presets.names[7] = QStringLiteral("Theirs");
    const qsizetype mark = page.device.sim.received().size();
    page.view->show();
    ASSERT_TRUE(
        livemodel::waitUntil([&] { return view.row(7).caption->text() == QStringLiteral("Theirs"); }));
    EXPECT_EQ(page.device.sentAfter(mark, listCommand).size(), 1);
    EXPECT_EQ(view.storeButton()->text(), QStringLiteral("Overwrite with current settings…"));
}

TEST(PresetsViewTest, StoringAndRecallingReportTheOutcome) {
    LivePage page(prepareBank);
    PresetsView& view = *page.view;
    page.clickRow(7);
    view.nameField()->setText(QStringLiteral("Drums  kit"));
    view.storeButton()->click();  // an empty slot stores without asking
    EXPECT_TRUE(page.dialogs.asked.isEmpty());
    ASSERT_TRUE(page.waitForMessage());
    EXPECT_EQ(*view.message(), QStringLiteral("Done."));
    EXPECT_EQ(page.device.sim.device().presets.names.value(7).trimmed(), QStringLiteral("Drums  kit"));
    turn();
    EXPECT_EQ(view.row(7).caption->text(), QStringLiteral("Drums  kit"));
    EXPECT_EQ(view.messageLabel()->text(), QStringLiteral("Done."));

    const qsizetype mark = page.device.sim.received().size();
    page.clickRow(5);
    view.storeButton()->click();  // occupied: asks, and the queue answers cancel
    turn();                       // once the button's handler has returned
    ASSERT_EQ(page.dialogs.asked.size(), 1);
    EXPECT_EQ(page.dialogs.asked[0].title, QStringLiteral("Overwrite \"Vocals\"?"));
    EXPECT_EQ(
        page.dialogs.asked[0].text,
        QStringLiteral("The preset stored in this slot will be replaced by the DSP's current settings."));
    EXPECT_EQ(page.dialogs.asked[0].defaultButton, Dialogs::DefaultButton::cancel);  // Return keeps it
    turn();
    EXPECT_TRUE(page.device.sentAfter(mark, storeCommand).isEmpty());
    EXPECT_EQ(*view.message(), QStringLiteral("Done."));  // untouched by a cancelled dialog

    page.dialogs.confirmAnswers.enqueue(true);
    view.recallButton()->click();
    turn();
    EXPECT_EQ(page.dialogs.asked.last().title, QStringLiteral("Recall \"Vocals\"?"));
    EXPECT_EQ(page.dialogs.asked.last().defaultButton, Dialogs::DefaultButton::accept);
    EXPECT_FALSE(view.message());  // cleared while the operation runs
    ASSERT_TRUE(livemodel::waitUntil([&] { return page.model().presetBusy(); }));
    turn();
    EXPECT_TRUE(view.workingIndicator()->isVisible());
    EXPECT_FALSE(view.detailPane()->isEnabled());
    ASSERT_TRUE(page.waitForMessage());
    EXPECT_EQ(*view.message(), QStringLiteral("Done."));
    EXPECT_EQ(page.device.sentAfter(mark, recallCommand).size(), 1);
    EXPECT_EQ(page.device.sentAfter(mark, recallCommand)[0].words, DSPFrame::Words{5});
    turn();
    EXPECT_TRUE(view.detailPane()->isEnabled());
}

TEST(PresetsViewTest, WithoutADeviceOperationsFailAndTheDemoDisablesTheDetails) {
    OfflinePage page;
    PresetsView& view = *page.view;
    page.clickRow(1);
    page.dialogs.confirmAnswers.enqueue(true);
    view.recallButton()->click();
    ASSERT_TRUE(page.waitForMessage());
    EXPECT_EQ(*view.message(), PresetsView::failedText);
    EXPECT_EQ(view.row(9).caption->text(), QStringLiteral("Empty"));  // no device: nothing stored

    page.model().enterDemo();
    turn();
    EXPECT_EQ(view.row(9).caption->text(), QStringLiteral("Empty"));
    EXPECT_TRUE(view.demoOverlay()->isVisible());
    EXPECT_EQ(view.demoOverlay()->text(),
              QStringLiteral("Presets live in the DSP — connect one to use them."));
    EXPECT_FALSE(view.detailPane()->isEnabled());
    EXPECT_FALSE(view.refreshButton()->isEnabled());
    page.clickRow(4);
    EXPECT_EQ(view.selected(), 4);
}

// Until the device answers the list, no slot is known to be empty: storing reads the list
// first, and asks as for a stored preset when it still has no answer.
TEST(PresetsViewTest, AnUnansweredListStoresNothingOverAStoredPreset) {
    const auto stageInSlot3 = [](DeviceSimulator& sim) {
        sim.device().presets.occupied |= 1u << 3;
        sim.device().presets.names[3] = QStringLiteral("Stage");
        sim.faults().silentCommands.insert(listCommand);
    };
    LivePage page(stageInSlot3, false);
    PresetsView& view = *page.view;
    turn();
    EXPECT_EQ(view.row(3).caption->text(), QStringLiteral("Unknown"));
    EXPECT_TRUE(view.unknownListNote()->isVisible());
    page.clickRow(3);
    EXPECT_EQ(view.headline()->text(), QStringLiteral("Slot 3: Unknown"));
    EXPECT_FALSE(view.recallButton()->isVisible() || view.deleteButton()->isVisible());
    QTest::keyClicks(view.nameField(), QStringLiteral("Mine"));
    kestrel_test::saveScreenshot(view, QStringLiteral("pages_presets_unknown"));

    const qsizetype mark = page.device.sim.received().size();
    view.storeButton()->click();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !page.dialogs.asked.isEmpty(); }));
    EXPECT_EQ(page.dialogs.asked[0].title, QStringLiteral("Overwrite slot 3?"));
    EXPECT_EQ(page.dialogs.asked[0].defaultButton, Dialogs::DefaultButton::cancel);
    EXPECT_FALSE(page.device.sentAfter(mark, listCommand).isEmpty());  // read before it asked

    page.device.sim.faults().silentCommands.remove(listCommand);
    view.storeButton()->click();
    ASSERT_TRUE(livemodel::waitUntil([&] { return page.dialogs.asked.size() == 2; }));
    EXPECT_EQ(page.dialogs.asked[1].title, QStringLiteral("Overwrite \"Stage\"?"));
    turn();
    EXPECT_EQ(view.row(3).caption->text(), QStringLiteral("Stage"));
    EXPECT_FALSE(view.unknownListNote()->isVisible());
    EXPECT_TRUE(page.device.sentAfter(mark, storeCommand).isEmpty());
}

// A refresh, store or delete whose list answer is lost leaves the list unknown, not the one
// from before: a preset another client stores meanwhile is never overwritten without a question.
TEST(PresetsViewTest, AListLostAfterAnOperationLeavesEverySlotUnknown) {
    LivePage page(prepareBank);
    PresetsView& view = *page.view;
    DeviceSimulator& sim = page.device.sim;
    const auto captionsAre = [&](const QString& five, const QString& nine) {
        return livemodel::waitUntil(
            [&] { return view.row(5).caption->text() == five && view.row(9).caption->text() == nine; }, 3000);
    };
    page.clickRow(8);
    view.nameField()->setText(QStringLiteral("Mine"));  // stored at once into the empty slot
    page.dialogs.confirmAnswers.enqueue(true);          // for the delete
    for (QPushButton* button : {view.refreshButton(), view.storeButton(), view.deleteButton()}) {
        sim.faults().silentCommands.remove(listCommand);
        view.hide();
        view.show();
        ASSERT_TRUE(captionsAre(QStringLiteral("Vocals"), QStringLiteral("Empty")));
        sim.faults().silentCommands.insert(listCommand);
        button->click();
        EXPECT_TRUE(captionsAre(QStringLiteral("Unknown"), QStringLiteral("Unknown")))
            << button->text().toStdString();
        EXPECT_FALSE(page.model().currentPreset());
    }
    EXPECT_EQ(sim.receivedWithCommand(storeCommand).size(), 1);
    EXPECT_EQ(sim.receivedWithCommand(deleteCommand).size(), 1);

    sim.device().presets.occupied |= 1u << 4;
    sim.device().presets.names[4] = QStringLiteral("Theirs");
    page.clickRow(4);
    view.nameField()->setText(QStringLiteral("Mine"));
    page.dialogs.asked.clear();
    view.storeButton()->click();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !page.dialogs.asked.isEmpty(); }, 5000));
    EXPECT_EQ(page.dialogs.asked[0].title, QStringLiteral("Overwrite slot 4?"));
    turn();
    EXPECT_EQ(sim.receivedWithCommand(storeCommand).size(), 1);
    EXPECT_EQ(sim.device().presets.names.value(4), QStringLiteral("Theirs"));
}

TEST(PresetsViewTest, EveryControlIsWholeWithADeviceAndOnTheDemo) {
    Theme::apply(*qApp);
    {
        LivePage page(prepareBank);
        page.clickRow(5);
        EXPECT_EQ(kestrel_test::cutOffAtTheSides(*page.view), "");
        kestrel_test::saveScreenshot(*page.view, QStringLiteral("pages_presets"));
    }
    OfflinePage demo;
    demo.model().enterDemo();
    turn();
    EXPECT_EQ(kestrel_test::cutOffAtTheSides(*demo.view), "");
    kestrel_test::saveScreenshot(*demo.view, QStringLiteral("pages_presets_demo"));
}

// The desktop's Recall question, open while the link closes: its text turns to saying the answer
// changes nothing, its buttons stay where the pointer found them, and a click at the recall
// button's place presses it, which then recalls nothing.
TEST(PresetsViewTest, TheRecallQuestionKeepsItsButtonsInPlaceWhenTheDeviceLeaves) {
    livemodel::Live device(prepareBank);
    DesktopDialogs desktop;
    PresetsView view(*device.model, desktop);
    view.resize(680, 560);
    view.show();
    turn();
    QListWidget* list = view.slotList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(5)).center());
    turn();
    const qsizetype mark = device.sim.received().size();

    const kestrel_test::QuestionPlaces places =
        kestrel_test::watchQuestion([&] { view.recallButton()->click(); }, [&] { device.sim.closeClients(); },
                                    [&] { return !device.model->connected(); }, QMessageBox::AcceptRole);
    EXPECT_FALSE(places.before.texts.contains(answerChangesNothingText));
    EXPECT_TRUE(places.after.texts.contains(answerChangesNothingText));
    EXPECT_TRUE(places.steady());
    EXPECT_EQ(places.hit, QMessageBox::AcceptRole);
    turn();
    EXPECT_TRUE(device.sentAfter(mark, recallCommand).isEmpty());
}
