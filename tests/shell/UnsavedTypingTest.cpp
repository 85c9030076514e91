// What the user typed and has not saved comes back with its page and tab in the connected window,
// although every switch builds them afresh; a read-back meanwhile replaces only the fields the
// user left alone.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "console/ContentView.h"
#include "console/NetworkPanel.h"
#include "console/TrafficPanel.h"
#include "console/USBPanel.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "link/DSPFrame.h"
#include "pages/ControlCodesView.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "support/WindowRig.h"
#include "ui/controls/NumberField.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint32 firstChannelName = 378;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void retype(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
}

const Page device = Page::of(Page::Kind::device);
const Page mixer = Page::of(Page::Kind::mixer);

}  // namespace

TEST(UnsavedTypingTest, DeviceNamesComeBackAfterAPageSwitchAndAReadBack) {
    WindowRig rig;
    rig.showPage(device);
    auto* view = rig.page<DeviceView>();
    ASSERT_NE(view, nullptr);
    retype(view->nameField(), QStringLiteral("Hall 2"));
    retype(view->groupField(), QStringLiteral("Balcony"));
    retype(view->channelRow(5).field, QStringLiteral("Kicks"));

    rig.showPage(mixer);
    rig.simulator.device().params[firstChannelName + 5] = DSPFrame::packString(QStringLiteral("Bass"), 2);
    rig.simulator.device().params[firstChannelName + 6] = DSPFrame::packString(QStringLiteral("Toms"), 2);
    ASSERT_TRUE(rig.startReadBack());
    ASSERT_TRUE(rig.finishReadBack());
    rig.showPage(device);
    view = rig.page<DeviceView>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Hall 2"));
    EXPECT_EQ(view->groupField()->text(), QStringLiteral("Balcony"));
    EXPECT_EQ(view->channelRow(5).field->text(), QStringLiteral("Kicks"));
    EXPECT_EQ(view->channelRow(6).field->text(), QStringLiteral("Toms"));  // left alone: reloaded
    EXPECT_TRUE(view->saveNameButton()->isEnabled() && view->saveGroupButton()->isEnabled());
    EXPECT_TRUE(view->channelRow(5).save->isEnabled());
}

TEST(UnsavedTypingTest, ThePresetSlotNameAndTheFIRNameComeBack) {
    WindowRig rig;
    const Page presets = Page::of(Page::Kind::presets);
    rig.showPage(presets);
    QListWidget* list = rig.page<PresetsView>()->slotList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(7)).center());
    retype(rig.page<PresetsView>()->nameField(), QStringLiteral("Drums"));

    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    const auto showTab = [&](int tab) {
        editor->tabPicker()->segment(tab)->click();
        rig.turn();
    };
    const auto firName = [&] { return editor->findChild<FIRBox*>()->nameEdit(); };
    showTab(1);
    retype(firName(), QStringLiteral("Sub cut"));
    showTab(0);
    showTab(1);
    EXPECT_EQ(firName()->text(), QStringLiteral("Sub cut"));

    rig.showPage(presets);
    auto* view = rig.page<PresetsView>();
    EXPECT_TRUE(view->slotList()->item(7)->isSelected());
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Drums"));
    view->storeButton()->click();  // an empty slot: stored at once
    ASSERT_TRUE(rig.waitFor([&] { return view->message().has_value(); }));
    EXPECT_EQ(rig.simulator.device().presets.names.value(7).trimmed(), QStringLiteral("Drums"));

    rig.showPage(Page::channelPage(4));
    editor = rig.page<ChannelView>();
    EXPECT_EQ(firName()->text(), QStringLiteral("Sub cut"));
}

TEST(UnsavedTypingTest, TheSimpleFilterComesBackAfterATabAndAPageSwitch) {
    WindowRig rig;
    rig.showPage(Page::channelPage(2));
    auto* editor = rig.page<ChannelView>();
    const auto showTab = [&](int tab) {
        editor->tabPicker()->segment(tab)->click();
        rig.turn();
    };
    const auto box = [&] { return editor->findChild<FIRBox*>(); };
    showTab(1);
    box()->sourcePicker()->segment(int(FIRBox::Source::filter))->click();
    box()->tapsPicker()->segment(1)->click();
    retype(box()->stopbandField()->lineEdit(), QStringLiteral("60"));
    retype(box()->lowField()->lineEdit(), QStringLiteral("120"));  // left by the switch alone
    showTab(0);
    showTab(1);
    EXPECT_EQ(box()->lowField()->lineEdit()->text(), QStringLiteral("120"));
    EXPECT_EQ(box()->spec().lowHz, 120);

    rig.showPage(mixer);
    rig.showPage(Page::channelPage(2));
    editor = rig.page<ChannelView>();
    const FIRDesign::Spec kept = box()->spec();
    EXPECT_EQ(kept.lowHz, 120);
    EXPECT_EQ(kept.taps, 512);
    EXPECT_EQ(kept.attenuationDB, 60);
    EXPECT_EQ(box()->sendInput().coefficients.size(), 512);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Horn.txt"));
    ASSERT_TRUE(writeFile(path, "0.5\n0.25\n0.125\n"));
    rig.dialogs.fileAnswers.enqueue(path);
    box()->sourcePicker()->segment(int(FIRBox::Source::file))->click();
    box()->chooseFileButton()->click();
    showTab(0);
    showTab(1);
    EXPECT_EQ(box()->sendInput().coefficients.mid(0, 3), (QList<float>{0.5f, 0.25f, 0.125f}));
}

TEST(UnsavedTypingTest, TheConsoleFieldsAndTheComposedCodeComeBack) {
    WindowRig rig;
    const Page diagnostics = Page::of(Page::Kind::diagnostics);
    rig.showPage(diagnostics);
    // The USB tab's, the traffic note, then the Network tab's.
    const auto fields = [&] {
        auto* console = rig.page<ContentView>();
        return QList<QLineEdit*>{console->usbPanel()->hexField(), console->usbPanel()->reportIDField(),
                                 console->trafficPanel()->markerField(),
                                 console->networkPanel()->udpHexField(),
                                 console->networkPanel()->tcpHostField()};
    };
    const QStringList typed{"AA 55 01", "3", "CH1 gain -3 dB", "01 02", "127.0.0.8"};
    for (int i = 0; i < typed.size(); ++i) {
        if (i == 3) rig.page<ContentView>()->tabs()->tabBar()->setCurrentIndex(ContentView::networkTab);
        retype(fields()[i], typed[i]);
    }

    const Page codes = Page::of(Page::Kind::codes);
    rig.showPage(codes);
    auto* composer = rig.page<ControlCodesView>();
    composer->kindPicker()->segment(1)->click();  // Set
    QComboBox* control = composer->controlPicker();
    control->setFocus();
    while (control->currentIndex() < control->findData(int(CentralControl::Control::gain)))
        QTest::keyClick(control, Qt::Key_Down);
    retype(composer->gainField()->lineEdit(), QStringLiteral("-12.5"));
    QTest::keyClick(composer->gainField()->lineEdit(), Qt::Key_Return);
    const QString code = composer->codeText();

    rig.showPage(mixer);
    rig.showPage(diagnostics);
    EXPECT_EQ(rig.page<ContentView>()->tab(), ContentView::networkTab);
    QStringList back;
    for (QLineEdit* field : fields()) back.append(field->text());
    EXPECT_EQ(back, typed);

    rig.showPage(codes);
    EXPECT_EQ(rig.page<ControlCodesView>()->request().gainDB, -12.5);
    EXPECT_EQ(rig.page<ControlCodesView>()->codeText(), code);
}
