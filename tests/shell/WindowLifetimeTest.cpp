#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "designer/DesignerTesting.h"
#include "designer/FIRDesignerView.h"
#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "pages/CrosspointInspector.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/ReadingDisplay.h"
#include "support/FindWidgets.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/CompactNumberField.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;

// The share of pixels that differ between two images of one size.
double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) differing += x.pixel(col, row) != y.pixel(col, row);
    return double(differing) / (qint64(x.width()) * x.height());
}

// The share of pixels that differ from the top left one: how much is drawn on the backdrop.
double drawnShare(const QImage& image) {
    const QImage x = image.convertToFormat(QImage::Format_RGB32);
    qint64 drawn = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) drawn += x.pixel(col, row) != x.pixel(0, 0);
    return double(drawn) / (qint64(x.width()) * x.height());
}

// Writes of one parameter the simulator received after the mark.
qsizetype writesTo(const WindowRig& rig, qsizetype mark, quint32 address) {
    qsizetype count = 0;
    for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
        count += frame.words.size() > 1 && frame.words[1] == address;
    return count;
}

// Types into a field without pressing Return, as a user who clicked into it, or with the
// focus elsewhere (then only the pending text tells that something was typed).
void typeWithoutReturn(QLineEdit* edit, const QString& text, bool focused = true) {
    if (focused) edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

}  // namespace

// What the user sees through a read-back: the reading display, then the page, with none of
// the reading display's pixels left behind.
TEST(WindowLifetime, ReadBackShowsTheReadingDisplayThenThePage) {
    WindowRig rig;
    rig.showPage(Page::of(Page::Kind::routing));
    ASSERT_NE(rig.page<RoutingView>(), nullptr);
    const QRect area = rig.onScreenRect(*rig.pageView());
    const QImage before = rig.onScreen().copy(area);

    rig.simulator.faults().commandDelayMs.insert(6, 2);  // parameter reads take a while
    const qsizetype mark = rig.mark();
    ASSERT_TRUE(rig.startReadBack());
    ASSERT_NE(rig.console().readingDisplay(), nullptr);
    // Only the progress bar and its two lines on the backdrop: nothing of the page shows.
    EXPECT_GT(drawnShare(before), 0.1);
    EXPECT_LT(drawnShare(rig.onScreen().copy(area)), 0.03);
    ASSERT_TRUE(rig.finishReadBack());
    rig.turn();
    EXPECT_GT(rig.receivedSince(mark, 6).size(), 300);
    ASSERT_NE(rig.page<RoutingView>(), nullptr);
    EXPECT_LT(differingShare(before, rig.onScreen().copy(area)), 0.001);
}

// Every page that waits in a modal dialog, with a whole read-back happening while the dialog
// is open: the page that asked is the one that gets the answer, and the answer takes effect.
TEST(WindowLifetime, DialogsOutlastAReadBackOnEveryPage) {
    WindowRig rig;
    const auto throughReadBack = [&](const Page& page, const std::function<void()>& act) {
        rig.showPage(page);
        QWidget* view = rig.pageView();
        const int readBacks = rig.readBacksDuringDialogs();
        rig.readBackInNextDialog();
        act();
        rig.turn();
        EXPECT_EQ(rig.readBacksDuringDialogs(), readBacks + 1);
        EXPECT_EQ(rig.pageView(), view);
    };

    // Designer: a measurement chosen, then coefficients exported, then sent to a channel.
    const QString measurement = rig.dir.filePath(QStringLiteral("Left top.txt"));
    QFile file(measurement);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(designertest::measurementText(480, 480, 6));
    file.close();
    rig.dialogs.fileAnswers.enqueue(measurement);
    FIRDesignerView* designer = nullptr;
    throughReadBack(Page::of(Page::Kind::firDesigner), [&] {
        designer = rig.page<FIRDesignerView>();
        ASSERT_NE(designer, nullptr);
        click(kestrel_test::buttonNamed(*designer, QStringLiteral("Load…")));
    });
    ASSERT_TRUE(designer->measurement().has_value());
    EXPECT_EQ(designer->measurement()->name, QStringLiteral("Left top"));
    ASSERT_TRUE(rig.waitFor([&] { return !designer->coefficients().isEmpty(); }));

    const QString exported = rig.dir.filePath(QStringLiteral("export.txt"));
    rig.dialogs.fileAnswers.enqueue(exported);
    throughReadBack(Page::of(Page::Kind::firDesigner),
                    [&] { click(kestrel_test::buttonNamed(*designer, QStringLiteral("Export…"))); });
    QFile written(exported);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()),
              FIRDesignerView::coefficientFileText(designer->settings().name, designer->settings().taps,
                                                   designer->coefficients()));
    // A cancelled export writes nothing.
    throughReadBack(Page::of(Page::Kind::firDesigner),
                    [&] { click(kestrel_test::buttonNamed(*designer, QStringLiteral("Export…"))); });
    QStringList files = QDir(rig.dir.path()).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, QStringList({"Left top.txt", "export.txt", "settings.ini"}));

    designer->sendBar()->setTargets({5});
    rig.dialogs.confirmAnswers.enqueue(true);
    qsizetype mark = rig.mark();
    throughReadBack(Page::of(Page::Kind::firDesigner), [&] { click(designer->sendBar()->sendButton()); });
    ASSERT_TRUE(rig.waitFor([&] { return !designer->sendBar()->busy() && designer->sendBar()->status(); }));
    EXPECT_EQ(*designer->sendBar()->status(), QStringLiteral("Sent to ") + rig.model().channelName(5) + ".");
    EXPECT_FALSE(rig.receivedSince(mark, 129).isEmpty());  // coefficients reached the device

    // Channel editor, FIR tab: clearing the stored filter.
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    FIRBox* box = nullptr;
    rig.dialogs.confirmAnswers.enqueue(true);
    throughReadBack(Page::channelPage(5), [&] {
        box = rig.pageView()->findChild<FIRBox*>();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(rig.waitFor([&] { return box->clearButton()->isEnabled(); }));
        click(box->clearButton());
    });
    ASSERT_TRUE(rig.waitFor([&] { return box->clearMessage().has_value(); }));
    EXPECT_EQ(*box->clearMessage(), QStringLiteral("Cleared."));

    // Routing: a grid reset to one-to-one.
    mark = rig.mark();
    rig.dialogs.confirmAnswers.enqueue(true);
    throughReadBack(Page::of(Page::Kind::routing),
                    [&] { click(rig.page<RoutingView>()->grids()[0]->resetButton()); });
    const ParamMap::Grid& grid = ParamMap::grids()[0];
    ASSERT_TRUE(rig.waitFor([&] { return writesTo(rig, mark, grid.crosspoint(1, 1)) > 0; }));
    EXPECT_TRUE(rig.model().crosspoint(grid.crosspoint(1, 1)).on);
    EXPECT_FALSE(rig.model().crosspoint(grid.crosspoint(1, 0)).on);

    // Sources: the test signal routed to input A only after the confirmation.
    rig.dialogs.confirmAnswers.enqueue(true);
    throughReadBack(Page::of(Page::Kind::sources), [&] {
        const auto* at = std::find(std::begin(SourcesView::pickerOrder), std::end(SourcesView::pickerOrder),
                                   InputSource::testSignal);
        click(rig.page<SourcesView>()->sourcePicker(0)->segment(
            int(at - std::begin(SourcesView::pickerOrder))));
    });
    EXPECT_EQ(rig.model().inputSource(0).rawValue(), InputSource::testSignal);

    // Presets: a recall, which reads everything back once more when it is done, reports its
    // result and keeps the selection.
    rig.dialogs.confirmAnswers.enqueue(true);
    PresetsView* presets = nullptr;
    throughReadBack(Page::of(Page::Kind::presets), [&] {
        presets = rig.page<PresetsView>();
        QListWidget* list = presets->slotList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        ASSERT_EQ(presets->selected(), 1);
        click(presets->recallButton());
    });
    ASSERT_TRUE(rig.waitFor([&] { return presets->message().has_value(); }, 30));
    EXPECT_EQ(*presets->message(), QStringLiteral("Done."));
    EXPECT_EQ(presets->selected(), 1);
    EXPECT_EQ(presets->messageLabel()->text(), QStringLiteral("Done."));
}

// The first fault a user met: the designer waiting in its open panel while a device comes up,
// connects and is read, and the user switching pages from inside the wait. The designer takes
// the chosen file, and goes only when the panel has closed.
TEST(WindowLifetime, APageLeftWhileItsDialogIsOpenTakesTheAnswerFirst) {
    WindowRig::Options options;
    options.startPage = QStringLiteral("fir");
    options.connect = false;
    WindowRig rig(options);
    const QPointer<FIRDesignerView> designer = rig.page<FIRDesignerView>();
    ASSERT_FALSE(designer.isNull());
    const QString measurement = rig.dir.filePath(QStringLiteral("Sub.txt"));
    QFile file(measurement);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(designertest::measurementText(200));
    file.close();
    rig.dialogs.fileAnswers.enqueue(measurement);
    rig.dialogs.whileOpen = [&] {
        EXPECT_TRUE(rig.connect());
        rig.navigator.showPage(Page::of(Page::Kind::routing));
        rig.turn();
        EXPECT_FALSE(designer.isNull());
    };
    click(kestrel_test::buttonNamed(*designer, QStringLiteral("Load…")));
    ASSERT_FALSE(designer.isNull());
    ASSERT_TRUE(designer->measurement().has_value());
    EXPECT_EQ(designer->measurement()->name, QStringLiteral("Sub"));
    rig.turn();
    EXPECT_TRUE(designer.isNull());
    EXPECT_NE(rig.page<RoutingView>(), nullptr);
}

// Text typed into a field and left without Return is committed when the tab, the page or
// the selected crosspoint changes, though none of those clicks takes the keyboard focus.
// The start tab from the environment is applied once, not on every channel page.
TEST(WindowLifetime, TypedValuesCommitWhenTheirTabPageOrCrosspointChanges) {
    qputenv(ChannelTab::environmentVariable, "FIR");
    WindowRig::Options options;
    options.startPage = QStringLiteral("2");
    WindowRig rig(options);
    ChannelView* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(channel->tab(), ChannelTab::fir);
    click(channel->tabPicker()->segment(0));
    ASSERT_NE(channel->bandColumns(), nullptr);

    const quint32 band = ParamMap::eqBandParam(2, 3);
    qsizetype mark = rig.mark();
    typeWithoutReturn(channel->bandColumns()->column(3)->freqField()->lineEdit(), QStringLiteral("1234"));
    click(channel->tabPicker()->segment(2));
    EXPECT_EQ(rig.model().band(2, 3).freq, 1234);
    EXPECT_TRUE(rig.waitFor([&] { return writesTo(rig, mark, band) > 0; }));

    click(channel->tabPicker()->segment(0));
    mark = rig.mark();
    typeWithoutReturn(channel->bandColumns()->column(3)->freqField()->lineEdit(), QStringLiteral("2345"),
                      false);
    rig.navigator.showPage(Page::channelPage(3));
    rig.turn();
    EXPECT_EQ(rig.model().band(2, 3).freq, 2345);
    EXPECT_TRUE(rig.waitFor([&] { return writesTo(rig, mark, band) > 0; }));
    ASSERT_NE(rig.page<ChannelView>(), nullptr);
    EXPECT_EQ(rig.page<ChannelView>()->tab(), ChannelTab::eq);  // the user's tab, not the start tab
    qunsetenv(ChannelTab::environmentVariable);

    rig.showPage(Page::of(Page::Kind::routing));
    RoutingView* routing = rig.page<RoutingView>();
    ASSERT_NE(routing, nullptr);
    CrosspointCell* first = routing->grids()[1]->cells()[0];
    CrosspointCell* second = routing->grids()[1]->cells()[1];
    click(first);
    ASSERT_EQ(routing->inspector()->selected(), first->id());
    typeWithoutReturn(routing->inspector()->levelField()->lineEdit(), QStringLiteral("-6"), false);
    click(second);
    EXPECT_EQ(routing->inspector()->selected(), second->id());
    EXPECT_FLOAT_EQ(rig.model().crosspoint(first->id()).level, -6.0f);
    EXPECT_NE(rig.model().crosspoint(second->id()).level, -6.0f);
}

// A project opened and sent (with a read-back while its panel is open) renames the channels
// on the device page; a name the user is typing stays, and no stale name is offered to save.
TEST(WindowLifetime, DeviceNamesFollowAnOpenedProjectButNotANameBeingTyped) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    rig.showPage(Page::of(Page::Kind::device));
    DeviceView* device = rig.page<DeviceView>();
    ASSERT_NE(device, nullptr);
    const QString path = rig.dir.filePath(QStringLiteral("Show.tsldsp"));
    rig.model().setChannelName(0, QStringLiteral("Kick"));
    rig.dialogs.fileAnswers.enqueue(path);
    rig.window().saveAction()->trigger();
    rig.turn();  // the save panel opens once the menu's handler has returned
    ASSERT_TRUE(QFile::exists(path));
    rig.model().setChannelName(0, QStringLiteral("Vox"));
    rig.turn();
    EXPECT_EQ(device->channelRow(0).field->text(), QStringLiteral("Vox"));

    typeWithoutReturn(device->channelRow(1).field, QStringLiteral("Typed"));
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.readBackInNextDialog();
    rig.window().openAction()->trigger();
    rig.turn();
    EXPECT_EQ(rig.readBacksDuringDialogs(), 1);
    EXPECT_EQ(rig.page<DeviceView>(), device);
    EXPECT_EQ(rig.model().channelName(0), QStringLiteral("Kick"));
    EXPECT_EQ(device->channelRow(0).field->text(), QStringLiteral("Kick"));
    EXPECT_FALSE(device->channelRow(0).save->isEnabled());
    EXPECT_EQ(device->channelRow(1).field->text(), QStringLiteral("Typed"));
    EXPECT_TRUE(device->channelRow(1).save->isEnabled());
}
