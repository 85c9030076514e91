// Nothing moves under the pointer and the keys stay in sight, in the connected window at its
// smallest: the send button keeps its place as its label grows, the focus after an upload by
// keys lies inside its pane, and names with line breaks are drawn on one line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "console/ContentView.h"
#include "designer/DesignerGraph.h"
#include "designer/FIRDesignerView.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "editor/FIRResponseGraph.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "pages/RoutingView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/Sidebar.h"
#include "shell/StatusBar.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/DeviceWork.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/LiveMeters.h"
#include "ui/controls/PlainText.h"

using kestrel_test::WindowRig;

namespace {

FIRSendBar& sendBarOf(WindowRig& rig) {
    rig.resizeContent(MainWindow::kMinimumContent);
    rig.showPage(Page::of(Page::Kind::firDesigner));
    auto* view = rig.page<FIRDesignerView>();
    if (!view) throw std::runtime_error("no designer");
    return *view->sendBar();
}

}  // namespace

// The label grows from one channel to twelve and to "Sending…": the button keeps its row and
// its place, and the bar its height.
TEST(SteadyLayout, TheSendButtonKeepsItsPlaceAsItsLabelGrows) {
    WindowRig rig;
    FIRSendBar& bar = sendBarOf(rig);
    bar.setTargets({4});
    rig.turn();
    const QRect first = bar.sendButton()->geometry();
    const int height = bar.height();
    for (const QList<int>& targets : {QList<int>{4, 5}, QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}) {
        bar.setTargets(targets);
        rig.turn();
        SCOPED_TRACE(bar.sendButton()->text().toStdString());
        EXPECT_EQ(bar.sendButton()->geometry(), first);
        EXPECT_EQ(bar.height(), height);
        EXPECT_GE(bar.sendButton()->width(), bar.sendButton()->sizeHint().width()) << "the label is cut";
    }
}

// The FIR's name typed in the designer grows to its longest: the send button and the row stay
// where they are, the name grows into the room its line has and is shown whole there.
TEST(SteadyLayout, TheSendRowKeepsItsPlaceAsALongNameIsTyped) {
    WindowRig rig;
    FIRSendBar& bar = sendBarOf(rig);
    auto* view = rig.page<FIRDesignerView>();
    QLineEdit* field = nullptr;
    for (QLineEdit* edit : view->findChildren<QLineEdit*>())
        if (edit->placeholderText() == QStringLiteral("FIR name")) field = edit;
    ASSERT_NE(field, nullptr);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("A"));
    rig.turn();
    const auto place = [&](QWidget* widget) { return QRect(widget->mapTo(&bar, QPoint()), widget->size()); };
    auto* name = bar.sendButton()->parentWidget()->findChild<QLabel*>();
    ASSERT_NE(name, nullptr);
    const QRect button = place(bar.sendButton());
    const QRect nameBox = place(name);
    const int height = bar.height();
    const QString longName = QStringLiteral("MAIN HALL WIDE LEFT CLUSTER LOW SECTION");
    for (const QString& piece : longName.split(QLatin1Char(' '))) {
        QTest::keyClicks(field, QLatin1Char(' ') + piece);
        rig.turn();
        SCOPED_TRACE(field->text().toStdString());
        EXPECT_EQ(place(bar.sendButton()), button);
        EXPECT_EQ(place(name).right(), nameBox.right());
        EXPECT_EQ(place(name).top(), nameBox.top());
        EXPECT_EQ(bar.height(), height);
    }
    kestrel_test::saveScreenshot(bar, QStringLiteral("steady_send_row_long_name"));
    auto* cut = qobject_cast<ElidedLabel*>(name);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->accessibleName(), field->text()) << "the name is spoken whole";
    EXPECT_EQ(cut->shownText(), field->text());
}

// A send's progress and result appear under the bar: the designer's graphs keep their places
// while it runs, and the bars their size then and after it (when the FIR tab shows the filter
// it read back above its bar).
TEST(SteadyLayout, TheSendBarsStatusMovesNothing) {
    WindowRig rig;
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    const auto sendAndWatch = [&](FIRSendBar& bar, QList<QWidget*> watched) {
        const auto places = [&](bool where) {
            QList<QRect> rects;
            for (QWidget* widget : watched)
                rects << QRect(where ? widget->mapTo(&rig.window(), QPoint()) : QPoint(), widget->size());
            return rects;
        };
        rig.turn();
        const QList<QRect> before = places(true);
        const QList<QRect> sizes = places(false);
        ASSERT_FALSE(bar.status());
        bar.setTargets({4, 5, 6, 7, 8, 9, 10, 11});
        bar.startSend(bar.targets());
        ASSERT_TRUE(rig.waitFor([&] { return bar.status().has_value(); }));
        rig.turn();
        EXPECT_EQ(places(true), before) << "while sending";
        ASSERT_TRUE(rig.waitFor([&] { return !bar.busy(); }));
        rig.turn();
        EXPECT_EQ(places(false), sizes) << "after the send";
    };
    FIRSendBar& designerBar = sendBarOf(rig);
    auto* view = rig.page<FIRDesignerView>();
    sendAndWatch(designerBar, QList<QWidget*>{view->designGraph(), view->resultGraph(), &designerBar});

    rig.showPage(Page::channelPage(4));
    auto* box = rig.window().findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    sendAndWatch(*box->sendBar(), QList<QWidget*>{box->sendBar()});
}

// An upload by keys from a channel's FIR tab at the window's smallest: the stored filter's
// graph that then appears above the bar does not push the focused send button out of the pane.
TEST(SteadyLayout, TheFocusAfterAnUploadByKeysLiesInsideThePane) {
    WindowRig rig;
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    rig.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::filter));
    rig.resizeContent(MainWindow::kMinimumContent);
    rig.showPage(Page::channelPage(4));
    auto* box = rig.window().findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    FIRSendBar& bar = *box->sendBar();
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    bar.setTargets({4, 5});
    rig.turn();
    ASSERT_TRUE(bar.sendButton()->isEnabled());
    ASSERT_FALSE(box->storedGraph()->isVisible());
    rig.dialogs.confirmAnswers.enqueue(true);
    bar.sendButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar.sendButton(), Qt::Key_Space);
    ASSERT_TRUE(rig.waitFor([&] { return bar.status() && !bar.busy() && box->storedGraph()->isVisible(); }));
    rig.turn();
    ASSERT_EQ(QApplication::focusWidget(), bar.sendButton());
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("steady_fir_tab_after_upload"));
    EXPECT_EQ(kestrel_test::cutBy(bar.sendButton()), nullptr)
        << "the send button ends at " << rig.onScreenRect(*bar.sendButton()).bottom() << " in a window "
        << rig.window().height() << " high";
}

// Names with line breaks and other control characters, from the device, are drawn on one line
// with each control character as a visible mark.
TEST(SteadyLayout, NamesWithLineBreaksAreDrawnOnOneLine) {
    EXPECT_EQ(plaintext::oneLine(QStringLiteral("Sub\nL\tR\r\n")), QStringLiteral("Sub↵L⇥R↵↵"));
    EXPECT_EQ(plaintext::oneLine(QString(QChar(0x7F)) + QChar(0x2028) + QChar(0x1B) + QChar(0x85)),
              QStringLiteral("\uFFFD↵\uFFFD↵"));
    EXPECT_EQ(plaintext::oneLine(QStringLiteral("Main L")), QStringLiteral("Main L"));

    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& simulator) {
        simulator.device().params[378] = DSPFrame::packString(QStringLiteral("Ab\ncd"), 2);
    };
    WindowRig rig(options);
    rig.resizeContent(MainWindow::kMinimumContent);
    ASSERT_EQ(rig.model().channelName(0), QStringLiteral("Ab\ncd"));
    QStringList drawn;
    for (QLabel* label : rig.console().sidebar()->findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("Ab"))) drawn << label->text();
    EXPECT_EQ(drawn, QStringList{QStringLiteral("Ab↵cd")});
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("steady_name_with_line_break"));
}

// A name with a line break and a control character, from the device or a project file, is
// drawn on one line with marks on the presets page, the FIR tab, the device page's field and in
// a question quoting it.
TEST(SteadyLayout, NamesAreDrawnOnOneLineOnThePagesAndInQuestions) {
    const QString raw = QStringLiteral("Ab\nc") + QChar(0x07);
    const QString shown = QStringLiteral("Ab↵c\uFFFD");
    WindowRig::Options options;
    options.prepare = [&](DeviceSimulator& simulator) {
        simulator.device().presets.occupied |= 0b100;
        simulator.device().presets.names[2] = raw;
        simulator.device().params[378] = DSPFrame::packString(raw, 2);
        simulator.device().params[403 + 4] = DSPFrame::packString(raw, 6);
    };
    WindowRig rig(options);
    rig.resizeContent(MainWindow::kMinimumContent);
    const auto drawn = [&](QWidget& page) {
        QStringList texts;
        for (QLabel* label : page.findChildren<QLabel*>())
            if (label->isVisible() && label->text().contains(QStringLiteral("Ab"))) texts << label->text();
        return texts;
    };
    rig.showPage(Page::of(Page::Kind::presets));
    ASSERT_TRUE(rig.waitFor([&] { return !drawn(rig.window()).isEmpty(); }));
    for (const QString& text : drawn(rig.window())) EXPECT_TRUE(text.contains(shown)) << text.toStdString();

    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    rig.showPage(Page::channelPage(4));
    auto* box = rig.window().findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(rig.waitFor([&] { return box->storedName()->text().startsWith(QStringLiteral("Ab")); }));
    EXPECT_EQ(box->storedName()->text(), shown);
    Measurement measurement;
    measurement.name = raw;  // a file's name
    EXPECT_TRUE(FIRDesignerView::measurementSummary(measurement).startsWith(shown + QStringLiteral(" — ")));

    // The device page's name field shows the marks too.
    rig.showPage(Page::of(Page::Kind::device));
    rig.turn();
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("steady_device_names"));
    QStringList fields;
    for (QLineEdit* field : rig.window().findChildren<QLineEdit*>())
        if (field->text().startsWith(QStringLiteral("Ab"))) fields << field->text();
    EXPECT_EQ(fields, QStringList{shown});

    DeviceWork::Ticket send = rig.window().work().begin(QStringLiteral("The project \"%1\"").arg(raw),
                                                        QStringLiteral("settings written"), 12);
    EXPECT_FALSE(rig.window().work().mayQuit());
    ASSERT_FALSE(rig.dialogs.asked.isEmpty());
    EXPECT_TRUE(rig.dialogs.asked.last().title.contains(shown))
        << rig.dialogs.asked.last().title.toStdString();
}

// A send's progress in the status bar comes and goes without moving the connection menu.
TEST(SteadyLayout, TheConnectionMenuStaysPutWhileASendRuns) {
    WindowRig rig;
    rig.resizeContent(MainWindow::kMinimumContent);
    StatusBar& bar = *rig.console().statusBar();
    const auto place = [&] {
        QToolButton* menu = bar.connectionMenuButton();
        return menu ? QRect(menu->mapTo(&rig.window(), QPoint()), menu->size()) : QRect();
    };
    const QRect before = place();
    ASSERT_TRUE(before.isValid());
    {
        // A project's file name may hold a line break: the line stays one line.
        DeviceWork::Ticket send = rig.window().work().begin(QStringLiteral("The project \"Hall\nsetup\""),
                                                            QStringLiteral("settings written"), 12);
        rig.turn();
        ASSERT_TRUE(rig.statusTexts().join(QLatin1Char('|')).contains(QStringLiteral("Hall↵setup")));
        EXPECT_EQ(place(), before);
        send.setDone(5);
        rig.turn();
        EXPECT_EQ(place(), before);
        kestrel_test::saveScreenshot(bar, QStringLiteral("steady_status_bar_sending"));
    }
    rig.turn();
    EXPECT_EQ(place(), before);
}

// The sidebar keeps its width on every page at the window's smallest, its meters whole.
TEST(SteadyLayout, TheSidebarKeepsItsWidthAndItsMetersOnEveryPage) {
    WindowRig rig;
    rig.resizeContent(MainWindow::kMinimumContent);
    Sidebar& sidebar = *rig.console().sidebar();
    const int width = sidebar.width();
    EXPECT_GE(width, 210);
    for (Page::Kind kind : {Page::Kind::routing, Page::Kind::sources, Page::Kind::presets, Page::Kind::device,
                            Page::Kind::codes, Page::Kind::firDesigner, Page::Kind::diagnostics}) {
        rig.showPage(Page::of(kind));
        SCOPED_TRACE(int(kind));
        EXPECT_EQ(sidebar.width(), width);
        QWidget* rows = sidebar.viewport();
        for (LiveHorizontalMeter* meter : sidebar.findChildren<LiveHorizontalMeter*>()) {
            const int right = meter->mapTo(rows, QPoint(meter->width(), 0)).x();
            EXPECT_LE(right, rows->width()) << "a meter is cut at the sidebar's edge";
        }
        // Nothing on the page is cut at its sides either.
        if (QWidget* page = rig.window().findChild<ContentView*>()) {
            kestrel_test::saveScreenshot(rig.window(), QStringLiteral("steady_diagnostics_at_minimum"));
            EXPECT_EQ(kestrel_test::cutOffAtTheSides(*page), "");
        }
    }
}

// The device closing the link disables the page and rebuilds the status bar: the keys go to
// the connection menu, the next step, and come back to the page's control with the device.
TEST(SteadyLayout, ALinkTheDeviceClosesLeavesTheKeysOnTheConnectionMenu) {
    WindowRig rig;
    rig.showPage(Page::of(Page::Kind::routing));
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    auto* view = rig.page<RoutingView>();
    ASSERT_NE(view, nullptr);
    QWidget* reset = view->grids()[1]->resetButton();
    reset->setFocus(Qt::TabFocusReason);
    rig.simulator.closeClients();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    rig.turn();
    rig.turn();
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr) << "no control holds the keys";
    EXPECT_EQ(focused, rig.console().statusBar()->connectionMenuButton());
}
