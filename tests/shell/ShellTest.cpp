#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAccessible>
#include <QFile>
#include <QFileDialog>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolButton>
#include <QUrlQuery>

#include "designer/FIRDesignerView.h"
#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/FiltersDelayPanel.h"
#include "fir/Measurement.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/Levels.h"
#include "link/MeterStore.h"
#include "link/ParamMap.h"
#include "link/TrafficLog.h"
#include "mixer/ChannelStrip.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/MixerView.h"
#include "mixer/QuickButtons.h"
#include "pages/PresetsView.h"
#include "shell/AboutDialog.h"
#include "shell/ConsoleApplication.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/ProductSettings.h"
#include "shell/ReadingDisplay.h"
#include "shell/Sidebar.h"
#include "shell/StatusBar.h"
#include "support/CannedHidDescriptors.h"
#include "support/LinkRig.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/AppContext.h"
#include "ui/Dialogs.h"
#include "ui/Navigator.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/Palette.h"

using kestrel_test::spinUntil;
using kestrel_test::WindowRig;

namespace {

// The window, not shown and not connected, over a model whose link can reach a simulator.
WindowRig::Options unshown(const QString& demoPath = {}) {
    WindowRig::Options options;
    options.connect = false;
    options.show = false;
    options.demoPath = demoPath;
    return options;
}

void settle() {
    QTest::qWait(1);
    QCoreApplication::processEvents();
    // A rebuild in the last turn leaves its old widgets waiting for deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

TEST(Page, StartPageFromText) {
    EXPECT_EQ(Page::fromText(""), Page::of(Page::Kind::mixer));
    EXPECT_EQ(Page::fromText("mixer"), Page::of(Page::Kind::mixer));
    EXPECT_EQ(Page::fromText("0"), Page::channelPage(0));
    EXPECT_EQ(Page::fromText("11"), Page::channelPage(11));
    EXPECT_EQ(Page::fromText("+4"), Page::channelPage(4));
    EXPECT_EQ(Page::fromText("12"), Page::of(Page::Kind::mixer));
    EXPECT_EQ(Page::fromText("-1"), Page::of(Page::Kind::mixer));
    EXPECT_EQ(Page::fromText("fir"), Page::of(Page::Kind::firDesigner));
    EXPECT_EQ(Page::fromText("FIR"), Page::of(Page::Kind::mixer));
    EXPECT_EQ(Page::fromText(" fir"), Page::of(Page::Kind::mixer));
    EXPECT_EQ(Page::fromText("diagnostics"), Page::of(Page::Kind::diagnostics));
    qputenv("TSL_PAGE", "codes");
    EXPECT_EQ(Page::fromEnvironment(), Page::of(Page::Kind::codes));
    qunsetenv("TSL_PAGE");
    EXPECT_EQ(Page::fromEnvironment(), Page::of(Page::Kind::mixer));
}

TEST(MainWindow, PlacementIsCappedAndCentred) {
    EXPECT_EQ(MainWindow::placement(QRect(0, 0, 1512, 944)), QRect(56, 32, 1400, 880));
    const QRect small = MainWindow::placement(QRect(0, 25, 1280, 775));
    EXPECT_EQ(small.size(), QSize(1203, 728));
    EXPECT_NEAR(small.center().y(), 25 + 775 / 2.0, 1);
    EXPECT_EQ(ReadingDisplay::percentText(0.424), "42 %");
    EXPECT_EQ(ReadingDisplay::percentText(0.999), "99 %");
}

TEST(Shell, DevicePagesAreDisabledWithoutADeviceAndPagesChangeFromEverywhere) {
    WindowRig rig(unshown());
    ConsoleView& console = rig.console();
    EXPECT_FALSE(console.pageContent()->isEnabled());
    for (Page::Kind free : {Page::Kind::codes, Page::Kind::firDesigner, Page::Kind::diagnostics}) {
        console.showPage(Page::of(free));
        EXPECT_TRUE(console.pageContent()->isEnabled());
    }
    console.showPage(Page::of(Page::Kind::routing));
    EXPECT_FALSE(console.pageContent()->isEnabled());
    rig.model().enterDemo();
    EXPECT_TRUE(console.pageContent()->isEnabled());  // without a page change
    EXPECT_TRUE(console.sidebar()->isEnabled());

    // Pages change by the sidebar, the navigator and opening a channel.
    console.sidebar()->setCurrentItem(console.sidebar()->itemFor(Page::of(Page::Kind::presets)));
    EXPECT_EQ(console.page(), Page::of(Page::Kind::presets));
    rig.navigator.showPage(Page::of(Page::Kind::sources));
    EXPECT_EQ(console.page(), Page::of(Page::Kind::sources));
    EXPECT_EQ(console.sidebar()->currentItem(), console.sidebar()->itemFor(Page::of(Page::Kind::sources)));
    console.openChannel(5);
    QWidget* fifth = console.pageContent();
    console.openChannel(6);
    EXPECT_NE(console.pageContent(), fifth);  // a fresh editor for another channel
    EXPECT_EQ(console.page(), Page::channelPage(6));
}

TEST(Shell, SidebarShowsMuteBadgeOnlyForKnownMutedChannels) {
    WindowRig rig(unshown(QStringLiteral("/nonexistent/DemoDevice.json")));  // empty table
    rig.window().show();
    auto badges = [&] {
        QList<bool> shown;
        for (QLabel* label : rig.console().sidebar()->findChildren<QLabel*>())
            if (label->text() == "M") shown << label->isVisibleTo(rig.console().sidebar());
        return shown;
    };
    EXPECT_EQ(badges().count(true), 0);
    rig.model().enterDemo();
    rig.model().write(7, {0, 0x101});  // channel 6 muted
    settle();
    EXPECT_EQ(badges().count(true), 1);
    EXPECT_EQ(rig.console().sidebar()->findChildren<QLabel*>().count() > 12, true);
}

TEST(Shell, SidebarChannelRowsAreNamedForAssistiveTools) {
    WindowRig rig(unshown());
    rig.window().show();
    auto rowNames = [&] {
        QStringList names;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(rig.console().sidebar());
        for (int i = 0; list && i < list->childCount(); ++i)
            if (QAccessibleInterface* row = list->child(i)) names << row->text(QAccessible::Name);
        return names;
    };
    QStringList names = rowNames();
    EXPECT_TRUE(names.contains("Mixer")) << names.join('|').toStdString();
    // Before any device answered, no channel has a name: each row says whose it is.
    for (const char* channel : {"Input A, name not read", "Input D, name not read", "Output 1, name not read",
                                "Output 8, name not read"})
        EXPECT_TRUE(names.contains(channel)) << channel << ": " << names.join('|').toStdString();
    rig.model().enterDemo();
    rig.model().setChannelName(5, QStringLiteral("Sub L"));
    settle();
    names = rowNames();
    EXPECT_TRUE(names.contains("Sub L")) << names.join('|').toStdString();
    EXPECT_FALSE(names.contains("OUT 2"));
}

TEST(Shell, StatusBarFollowsDemoSearchingConnectedAndLost) {
    WindowRig rig(unshown());
    settle();
    EXPECT_TRUE(rig.statusTexts().contains("Looking for the DSP"));
    EXPECT_TRUE(rig.statusTexts().contains("Connect it with USB, or over the network."));
    ASSERT_NE(rig.console().statusBar()->connectionMenuButton(), nullptr);
    EXPECT_EQ(rig.console().statusBar()->connectionMenuButton()->text(), "Connection");

    rig.model().enterDemo();
    settle();
    EXPECT_TRUE(rig.statusTexts().contains("Demo device"));
    EXPECT_TRUE(rig.statusTexts().contains("Changes stay in the app and are not sent to any DSP."));
    EXPECT_EQ(rig.console().statusBar()->connectionMenuButton(), nullptr);
    EXPECT_EQ(rig.window().demoAction()->text(), "Exit Demo Device");
    rig.model().exitDemo();
    settle();

    rig.simulator.device().name = QStringLiteral("Hall left");
    ASSERT_TRUE(rig.connect());
    settle();
    const QStringList texts = rig.statusTexts();
    EXPECT_TRUE(texts.contains("Hall left")) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.filter(QRegularExpression("^fw \\d+\\.\\d+\\.\\d+$")).size() == 1)
        << texts.join('|').toStdString();
    QToolButton* menu = rig.console().statusBar()->connectionMenuButton();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->text(), "Network " + rig.simulator.host());
    QStringList items;
    for (QAction* action : menu->menu()->actions()) items << action->text();
    EXPECT_EQ(items, QStringList({"Connect over network…", "Use USB instead"}));
    EXPECT_FALSE(rig.window().demoAction()->isEnabled());
    EXPECT_EQ(rig.window().demoAction()->text(), "Demo Device");
    EXPECT_EQ(StatusBar::deviceLabel("", "DSP"), "DSP");

    // A lost link shows the link's error word for word.
    rig.simulator.closeClients();
    ASSERT_TRUE(spinUntil([&] { return rig.model().link().status().isError(); }));
    settle();
    const QStringList lost = rig.statusTexts();
    EXPECT_TRUE(lost.contains("Not connected")) << lost.join('|').toStdString();
    EXPECT_TRUE(lost.contains(rig.model().link().status().text())) << lost.join('|').toStdString();
    EXPECT_NE(rig.console().statusBar()->connectionMenuButton(), nullptr);
}

TEST(Shell, AnUnreachableHostLeavesTheWayToUSBAndTheDemoOpen) {
    WindowRig rig(unshown());
    const QString host = rig.simulator.host();
    rig.simulator.stop();  // refused: the link waits and retries
    rig.model().link().connect(host);
    ASSERT_TRUE(spinUntil([&] { return rig.model().link().status().isError(); }));
    settle();
    QToolButton* button = rig.console().statusBar()->connectionMenuButton();
    ASSERT_NE(button, nullptr);
    auto items = [&] {
        Q_EMIT button->menu()->aboutToShow();
        QStringList texts;
        for (QAction* action : button->menu()->actions()) texts << action->text();
        return texts;
    };
    EXPECT_EQ(items(), QStringList({"Connect over network…", "Use USB instead", "Try the demo device"}));
    button->menu()->actions()[2]->trigger();
    EXPECT_TRUE(rig.model().demo());
    rig.model().exitDemo();
    settle();

    button = rig.console().statusBar()->connectionMenuButton();
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(items().value(1), "Use USB instead");
    button->menu()->actions()[1]->trigger();
    rig.turn();  // the item's work runs once its handler has returned
    EXPECT_FALSE(rig.model().link().hasNetworkLink());
    EXPECT_FALSE(rig.settings.flag("useNetwork"));
    // No "waiting for the DSP at …" left behind for a link the user closed.
    EXPECT_TRUE(rig.model().link().status().isSearching());
    settle();
    button = rig.console().statusBar()->connectionMenuButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(items(), QStringList({"Connect over network…"}));
}

TEST(Shell, ReadingDisplayCoversPagesButDiagnostics) {
    WindowRig rig(unshown());
    rig.simulator.faults().commandDelayMs.insert(6, 5);  // parameter reads take a while
    rig.model().link().connect(rig.simulator.host());
    ASSERT_TRUE(spinUntil([&] { return rig.model().loading().has_value(); }, 30));
    ConsoleView& console = rig.console();
    ASSERT_NE(console.readingDisplay(), nullptr);
    EXPECT_TRUE(console.readingDisplay()->shownPercent().endsWith(" %"));
    EXPECT_FALSE(rig.window().saveAction()->isEnabled());
    EXPECT_FALSE(rig.window().openAction()->isEnabled());
    console.showPage(Page::of(Page::Kind::diagnostics));
    EXPECT_EQ(console.readingDisplay(), nullptr);
    console.showPage(Page::of(Page::Kind::routing));
    EXPECT_NE(console.readingDisplay(), nullptr);
    ASSERT_TRUE(spinUntil([&] { return !rig.model().loading().has_value(); }, 60));
    EXPECT_EQ(console.readingDisplay(), nullptr);
    EXPECT_TRUE(console.pageContent()->isEnabled());
    EXPECT_TRUE(rig.window().saveAction()->isEnabled());
}

// Names from the device, files, the network and the user are data. Every label of every
// page shows them as written: a label left to guess renders "<h1>" as a heading and reads
// the file an "<img src=…>" names, which for /dev/zero never ends.
TEST(Shell, EveryPageBuildsItsViewAndShowsMarkupInNamesAsWritten) {
    WindowRig rig(unshown());
    const QString image = QStringLiteral("<img src=/dev/zero>");
    SimDevice& device = rig.simulator.device();
    device.name = image;
    device.group = QStringLiteral("<u>Hall</u>");
    device.presets.names.insert(5, QStringLiteral("<h1>BIG</h1>"));
    device.presets.occupied |= 1u << 5;
    for (quint32 ch = 0; ch < 12; ++ch) {
        device.params[378 + ch] = DSPFrame::packString(QStringLiteral("<b>x</b>"), 2);
        device.params[403 + ch] = DSPFrame::packString(image, 6);
    }
    Measurement measurement{QStringLiteral("<h1>M</h1>"), {}};
    for (int i = 0; i < 12; ++i) measurement.points.push_back({20.0 * (i + 1), 0, {}, {}});
    rig.settings.setValue(FIRDesignerView::measurementKey, QJsonDocument(measurement.toJson()).toJson());
    rig.backend.plug(0x1234, 0x5678, kestrel_test::vendor64Descriptor(), QStringLiteral("<b>maker</b>"),
                     image);
    ASSERT_TRUE(rig.connect());
    ASSERT_TRUE(spinUntil([&] { return rig.model().presets().size() == 3; }));
    rig.window().show();

    QStringList shown;
    const auto look = [&](const Page& page, const char* name) {
        rig.console().showPage(page);
        settle();
        if (auto* presets = qobject_cast<PresetsView*>(rig.console().pageContent())) presets->select(5);
        settle();
        for (QLabel* label : rig.window().findChildren<QLabel*>()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << name << ": " << label->text().toStdString();
            if (label->isVisibleTo(&rig.window())) shown << label->text();
        }
    };
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    // The page switch builds each device page's own view.
    const std::pair<Page::Kind, const char*> pages[] = {
        {Page::Kind::mixer, nullptr},         {Page::Kind::routing, "RoutingView"},
        {Page::Kind::sources, "SourcesView"}, {Page::Kind::presets, "PresetsView"},
        {Page::Kind::device, "DeviceView"},   {Page::Kind::codes, "ControlCodesView"},
        {Page::Kind::firDesigner, nullptr},   {Page::Kind::diagnostics, nullptr}};
    for (const auto& [kind, view] : pages) {
        look(Page::of(kind), "page");
        if (view) EXPECT_TRUE(rig.console().pageContent()->inherits(view)) << view;
    }
    look(Page::channelPage(0), "input channel");
    look(Page::channelPage(4), "output channel");
    for (const QString& text : {image, QStringLiteral("Slot 5: <h1>BIG</h1>"), QStringLiteral("<b>x</b>")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();
    EXPECT_FALSE(shown.filter(QStringLiteral("<h1>M</h1>")).isEmpty()) << "the measurement's name";
}

// Alerts carry file names and device texts: the real message box shows them as written.
TEST(Dialogs, AlertsShowTheirTextsAsWritten) {
    DesktopDialogs dialogs;
    const QString message = QStringLiteral("Couldn't open \"<img src=/dev/zero>.tsldsp\"");
    const QString detail = QStringLiteral("<h1>BIG</h1> <img src=/dev/zero>");
    QStringList shown;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible()) box = found;
        ASSERT_NE(box, nullptr);
        for (QLabel* label : box->findChildren<QLabel*>())
            shown << (label->textFormat() == Qt::PlainText
                          ? label->text()
                          : QTextDocumentFragment::fromHtml(label->text()).toPlainText());
        box->done(0);
    });
    dialogs.alert(message, detail);
    EXPECT_TRUE(shown.contains(message)) << shown.join('|').toStdString();
    EXPECT_TRUE(shown.contains(detail)) << shown.join('|').toStdString();
}

// Every pixel of the column x from top to bottom (window coordinates) in one colour.
bool columnIs(const QImage& image, int x, int top, int bottom, QRgb colour) {
    for (int y = top; y < bottom; ++y)
        if (image.pixel(x, y) != colour) return false;
    return true;
}

// Whether the gap between mixer strips 1 and 2, where no widget paints, shows
// the detail background on screen, down to the end of the mixer's viewport.
bool mixerGapShowsTheBackdrop(WindowRig& rig) {
    auto* mixer = qobject_cast<MixerView*>(rig.console().pageContent());
    if (!mixer) return false;
    QWidget* strip = mixer->strip(1);
    const QPoint top = strip->mapTo(&rig.window(), QPoint(strip->width() + 2, 0));
    const int bottom = mixer->viewport()->mapTo(&rig.window(), mixer->viewport()->rect().bottomLeft()).y();
    return columnIs(rig.onScreen(), top.x(), top.y(), std::min(bottom, top.y() + strip->height()),
                    Palette::makeGrey(0.095).rgb());
}

TEST(Shell, MixerGapsShowTheDetailBackgroundAfterAPageSwitch) {
    WindowRig rig(unshown());
    rig.model().enterDemo();
    rig.window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window()));
    settle();
    EXPECT_TRUE(mixerGapShowsTheBackdrop(rig)) << "fresh start";
    for (Page::Kind kind : {Page::Kind::routing, Page::Kind::device, Page::Kind::sources}) {
        rig.console().showPage(Page::of(kind));
        settle();
        rig.console().showPage(Page::of(Page::Kind::mixer));
        settle();
        EXPECT_TRUE(mixerGapShowsTheBackdrop(rig)) << int(kind);
    }
}

// Watches the page's top edge and the status bar's height at every event, so a
// state that lasts only until a later turn is seen too.
class PagePlacementWatch : public QObject {
public:
    PagePlacementWatch(ConsoleView& console) : m_console(console) { qApp->installEventFilter(this); }
    QSet<int> statusHeights;
    QSet<int> pageTops;

protected:
    bool eventFilter(QObject*, QEvent*) override {
        statusHeights.insert(m_console.statusBar()->height());
        if (QWidget* page = m_console.pageContent())
            if (page->isVisible()) pageTops.insert(page->mapTo(&m_console, QPoint()).y());
        return false;
    }

private:
    ConsoleView& m_console;
};

TEST(Shell, StatusBarRebuildsWithoutMovingThePage) {
    WindowRig rig(unshown());
    rig.window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window()));
    settle();
    const int height = rig.console().statusBar()->height();
    const int top = rig.console().pageContent()->mapTo(&rig.console(), QPoint()).y();
    {
        PagePlacementWatch watch(rig.console());
        rig.model().enterDemo();
        settle();
        rig.model().exitDemo();
        settle();
        rig.model().exitDemo();
        settle();
        ASSERT_TRUE(rig.connect());  // through the reading display
        settle();
        EXPECT_EQ(watch.statusHeights, QSet<int>{height});
        EXPECT_EQ(watch.pageTops, QSet<int>{top});
    }
    // (The saved host may be restored once more a second after start: a second read-back.)
    ASSERT_TRUE(spinUntil([&] { return !rig.model().loading(); }, 30));
    settle();
    EXPECT_TRUE(mixerGapShowsTheBackdrop(rig)) << "after the read-back";
}

TEST(Shell, EveryCompactFieldShowsTheWidestValueOfItsRangeWhole) {
    WindowRig rig(unshown());
    rig.model().enterDemo();
    rig.window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window()));
    int checked = 0;
    auto checkPage = [&](const std::string& where) {
        settle();
        for (CompactNumberField* field : rig.console().pageContent()->findChildren<CompactNumberField*>()) {
            if (!field->isVisible()) continue;
            const QStringList widest = field->widestTexts();
            EXPECT_FALSE(widest.isEmpty()) << where << ": " << field->toolTip().toStdString();
            for (const QString& text : widest) {
                EXPECT_TRUE(kestrel_test::showsWhole(*field->lineEdit(), text))
                    << where << ": " << field->toolTip().toStdString() << " " << text.toStdString();
                ++checked;
            }
        }
    };
    checkPage("mixer");
    for (int ch : {0, 11}) {
        rig.console().openChannel(ch);
        auto* editor = qobject_cast<ChannelView*>(rig.console().pageContent());
        ASSERT_NE(editor, nullptr);
        for (const QString& tab : {ChannelTab::eq, ChannelTab::dynamics}) {
            editor->setTab(tab);
            checkPage(tab.toStdString() + " " + std::to_string(ch));
        }
        editor->setTab(ChannelTab::eq);
        for (const char* unit : {"ft", "m", "ms"}) {
            rig.settings.setValue("delayUnit", QString::fromLatin1(unit));
            checkPage(unit);
        }
    }
    for (Page::Kind kind : {Page::Kind::sources, Page::Kind::routing, Page::Kind::firDesigner}) {
        rig.console().showPage(Page::of(kind));
        checkPage("page " + std::to_string(int(kind)));
    }
    EXPECT_GT(checked, 100);
}

// Whether every visible control inside `box` lies whole inside it.
bool nothingCut(QWidget& box) {
    for (QWidget* child : box.findChildren<QWidget*>()) {
        if (!child->isVisible()) continue;
        const QRect inBox(child->mapTo(&box, QPoint(0, 0)), child->size());
        if (!box.rect().contains(inBox)) return false;
    }
    return true;
}

TEST(Shell, FiltersAndBandsFitTheWindowAtRealWidths) {
    WindowRig rig(unshown());
    rig.model().enterDemo();
    rig.settings.setValue("delayUnit", QStringLiteral("ft"));  // the widest delay field
    rig.window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window()));
    for (int ch : {0, 4}) {
        rig.console().openChannel(ch);
        for (int width : {1100, 1250, 1600, 1100}) {
            rig.window().resize(width, 880);
            settle();
            SCOPED_TRACE("channel " + std::to_string(ch) + " at " + std::to_string(width));
            // The filter row stacks its toggles only where the side-by-side row does not fit.
            auto* filters = rig.console().pageContent()->findChild<FiltersDelayPanel*>();
            ASSERT_NE(filters, nullptr);
            EXPECT_EQ(filters->compact(), width == 1100);
            EXPECT_TRUE(nothingCut(*filters));
            // The band columns fit these widths whole: no scroll bar, no field cut.
            auto* bands = rig.console().pageContent()->findChild<BandColumns*>();
            ASSERT_NE(bands, nullptr);
            EXPECT_FALSE(bands->scrollArea()->horizontalScrollBar()->isVisible());
            EXPECT_TRUE(nothingCut(*bands->scrollArea()->viewport()));
        }
    }
}

TEST(ProjectCommands, ProposedNamesAndSave) {
    WindowRig rig(unshown());
    ProjectCommands& commands = rig.window().commands();
    EXPECT_EQ(commands.baseName(), "KestrelD");
    const QString name = ProjectCommands::proposedFileName("KestrelD", QDate(2026, 12, 6));
    EXPECT_TRUE(name.startsWith("KestrelD ")) << name.toStdString();
    EXPECT_TRUE(name.endsWith(".tsldsp"));
    EXPECT_TRUE(name.contains("2026"));
    EXPECT_FALSE(ProjectCommands::proposedFileName("A/B", QDate(2026, 1, 2)).contains('/'));

    // Nothing read and no demo device: the empty table saves, without a question, as a valid
    // project that holds no setting.
    const QString empty = rig.dir.filePath("empty.tsldsp");
    rig.dialogs.fileAnswers.enqueue(empty);
    commands.saveProject();
    ASSERT_EQ(rig.dialogs.asked.size(), 1);
    EXPECT_EQ(rig.dialogs.asked[0].kind, "save");
    EXPECT_EQ(rig.dialogs.asked[0].text, ProjectCommands::proposedFileName("KestrelD", QDate::currentDate()));
    QFile emptyFile(empty);
    ASSERT_TRUE(emptyFile.open(QIODevice::ReadOnly));
    const auto emptyProject = DSPModel::decodeProject(emptyFile.readAll());
    ASSERT_TRUE(emptyProject.has_value());
    EXPECT_EQ(emptyProject->model, "KestrelD");
    EXPECT_TRUE(emptyProject->params.isEmpty());

    rig.model().enterDemo();
    EXPECT_EQ(commands.baseName(), "Demo");
    const QString path = rig.dir.filePath("show.tsldsp");
    rig.dialogs.fileAnswers.enqueue(path);
    commands.saveProject();
    ASSERT_EQ(rig.dialogs.asked.size(), 2);
    EXPECT_EQ(rig.dialogs.asked[1].kind, "save");
    EXPECT_TRUE(rig.dialogs.asked[1].text.startsWith("Demo "));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto project = DSPModel::decodeProject(saved.readAll());
    ASSERT_TRUE(project.has_value());
    EXPECT_EQ(project->model, "Demo");
    EXPECT_EQ(project->params, rig.model().params());

    // A name typed without an extension gets the project's, or the open panel would hide the file.
    rig.dialogs.fileAnswers.enqueue(rig.dir.filePath("noext"));
    commands.saveProject();
    EXPECT_TRUE(QFile::exists(rig.dir.filePath("noext.tsldsp")));
    EXPECT_FALSE(QFile::exists(rig.dir.filePath("noext")));
}

TEST(Shell, HelpMenuAndOneAboutWindow) {
    WindowRig rig(unshown());
    rig.window().show();
    QMenu* help = nullptr;
    for (QAction* action : rig.window().menuBar()->actions())
        if (action->text() == "&Help") help = action->menu();
    ASSERT_NE(help, nullptr);
    QStringList items;
    QAction* about = nullptr;
    for (QAction* action : help->actions()) {
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->text() == "About Tessaline DSP Control") about = action;
    }
    // This build has no support telephone number: no bare "Support: " line, no double divider.
    ASSERT_TRUE(ProductSettings::supportPhone().isEmpty());
    EXPECT_EQ(items,
              QStringList({"Tessaline Website", "Email Support…", "-", "About Tessaline DSP Control"}));

    ASSERT_NE(about, nullptr);
    about->trigger();
    about->trigger();
    const QList<AboutDialog*> open = rig.window().findChildren<AboutDialog*>();
    ASSERT_EQ(open.size(), 1);
    EXPECT_TRUE(open[0]->isVisible());
    open[0]->close();
    settle();
    about->trigger();  // a closed one is gone, and asking again opens a fresh one
    ASSERT_EQ(rig.window().findChildren<AboutDialog*>().size(), 1);
    EXPECT_TRUE(rig.window().findChildren<AboutDialog*>()[0]->isVisible());
}

// The panel adds the extension to a typed name unless it ends in one the panel offers, and
// asks about replacing the file that will be written, not the one typed.
TEST(DesktopDialogs, TheSavePanelAddsTheDefaultSuffixToANameWithout) {
    QTemporaryDir dir;
    DesktopDialogs dialogs;
    QString asked;
    auto typeAndSave = [&asked](const QString& name) {
        QTimer::singleShot(0, [name, &asked] {
            auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(panel, nullptr);
            auto* field = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(field, nullptr);
            field->setText(name);
            // A question about replacing a file opens inside the panel's own loop.
            QTimer::singleShot(0, [&asked] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    asked = box->text();
                    box->button(QMessageBox::Yes)->click();
                }
            });
            QTest::keyClick(field, Qt::Key_Return);
        });
    };
    const QStringList filters = {"Project (*.tsldsp)", "JSON (*.json)"};
    typeAndSave("noext");
    EXPECT_EQ(dialogs.chooseSaveFile("Save", dir.filePath("x.tsldsp"), filters, "tsldsp"),
              dir.filePath("noext.tsldsp"));
    typeAndSave("show.json");
    EXPECT_EQ(dialogs.chooseSaveFile("Save", dir.filePath("x.tsldsp"), filters, "tsldsp"),
              dir.filePath("show.json"));
    EXPECT_TRUE(asked.isEmpty());

    QFile existing(dir.filePath("Friday show 7.12.tsldsp"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    typeAndSave("Friday show 7.12");
    EXPECT_EQ(dialogs.chooseSaveFile("Save", dir.filePath("x.tsldsp"), filters, "tsldsp"),
              dir.filePath("Friday show 7.12.tsldsp"));
    EXPECT_TRUE(asked.contains(QStringLiteral("Friday show 7.12.tsldsp"))) << asked.toStdString();
}

TEST(DesktopDialogs, ReturnPressesTheDefaultButton) {
    DesktopDialogs dialogs;
    auto pressReturnInTheAlert = [] {
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, Qt::Key_Return);
        });
    };
    pressReturnInTheAlert();
    EXPECT_TRUE(dialogs.confirm("Recall \"Vocals\"?", "", "Recall slot 5", "Cancel"));
    pressReturnInTheAlert();
    EXPECT_FALSE(
        dialogs.confirm("Delete \"Vocals\"?", "", "Delete slot 5", "Cancel", Dialogs::DefaultButton::cancel));
}

// A question about work going on behind it follows the work while it is open.
TEST(DesktopDialogs, AMovingMessageFollowsItsSourceWhileTheAlertIsOpen) {
    DesktopDialogs dialogs;
    QObject count;
    count.setObjectName("108 of 388");
    QString before, after;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        before = box->text();
        count.setObjectName("145 of 388");
        after = box->text();
        box->reject();
    });
    EXPECT_FALSE(
        dialogs.confirm(Dialogs::LiveText(&count, &QObject::objectNameChanged,
                                          [&] { return count.objectName() + " written. Quit anyway?"; }),
                        "", "Quit", "Cancel"));
    EXPECT_EQ(before, "108 of 388 written. Quit anyway?");
    EXPECT_EQ(after, "145 of 388 written. Quit anyway?");
}

// An answer lost during the read-back leaves its setting unknown: its controls are shown
// disabled, and Save asks first, saying how many are missing, then leaves them out.
TEST(ProjectCommands, SettingsTheReadBackMissedAreDisabledAndLeftOutOfASavedProject) {
    WindowRig rig(unshown());
    kestrel_test::holdDemoSettings(rig.simulator);
    const quint32 gain = 5;  // OUT 1
    const quint32 band = ParamMap::eqBandParam(4, 1);
    rig.simulator.setHandler(6, [&](SimDevice& device, const DSPFrame& request) -> QList<SimReply> {
        const quint32 number = request.words.value(1);
        if (number == gain || number == band) return {};
        return {SimReply{6, DSPFrame::Words{0, number} +
                                (number == ParamMap::meters ? device.meters : device.params.value(number))}};
    });
    ASSERT_TRUE(rig.connect());
    ASSERT_TRUE(spinUntil([&] { return !rig.model().loading() && rig.model().unreadCount() == 2; }, 30));
    rig.window().show();
    settle();  // the reading display gives way to the page
    ConsoleView& console = rig.console();
    console.showPage(Page::of(Page::Kind::mixer));
    settle();
    auto* mixer = qobject_cast<MixerView*>(console.pageContent());
    if (!mixer) mixer = console.pageContent()->findChild<MixerView*>();
    ASSERT_NE(mixer, nullptr);
    ChannelStrip* unknown = mixer->strip(4);
    EXPECT_FALSE(unknown->fader()->isEnabled());
    EXPECT_FALSE(unknown->muteButton()->isEnabled());
    EXPECT_FALSE(unknown->findChild<QuickButtons*>()->button(QStringLiteral("Ø"))->isEnabled());
    EXPECT_TRUE(unknown->findChild<QuickButtons*>()->button(QStringLiteral("D"))->isEnabled());
    EXPECT_TRUE(mixer->strip(5)->fader()->isEnabled());
    EXPECT_TRUE(mixer->strip(5)->muteButton()->isEnabled());
    QMenu menu;
    addStripQuickMenuItems(menu, rig.model(), 4);
    for (QAction* item : menu.actions()) EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();

    console.openChannel(4);
    settle();
    auto* editor = qobject_cast<ChannelView*>(console.pageContent());
    if (!editor) editor = console.pageContent()->findChild<ChannelView*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->gainKnob()->encoder()->isEnabled());
    EXPECT_FALSE(editor->bandColumns()->column(1)->qKnob()->isEnabled());
    EXPECT_TRUE(editor->bandColumns()->column(0)->qKnob()->isEnabled());

    // Save asks first, with Cancel on Return; cancelled, no panel opens and nothing is written.
    const qsizetype all = ParamMap::allParameters().size();
    const QString path = rig.dir.filePath("partial.tsldsp");
    rig.dialogs.fileAnswers.enqueue(path);
    rig.window().commands().saveProject();
    ASSERT_EQ(rig.dialogs.asked.size(), 1);
    EXPECT_EQ(rig.dialogs.asked[0].kind, "confirm");
    EXPECT_EQ(
        rig.dialogs.asked[0].title,
        QStringLiteral("2 of %1 settings were not read from the DSP. The project will hold the other %2; "
                       "opening it later leaves those 2 as the device has them.")
            .arg(all)
            .arg(all - 2));
    EXPECT_EQ(rig.dialogs.asked[0].defaultButton, Dialogs::DefaultButton::cancel);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(
        ProjectCommands::incompleteText(1),
        QStringLiteral("1 of %1 settings was not read from the DSP. The project will hold the other %2; "
                       "opening it later leaves that one as the device has it.")
            .arg(all)
            .arg(all - 1));

    // Saved anyway, the project holds every setting that was read and neither missing one.
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.window().commands().saveProject();
    ASSERT_EQ(rig.dialogs.asked.size(), 3);
    EXPECT_EQ(rig.dialogs.asked[2].kind, "save");
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto project = DSPModel::decodeProject(saved.readAll());
    ASSERT_TRUE(project.has_value());
    EXPECT_EQ(project->params, rig.model().params());
    EXPECT_FALSE(project->params.contains(gain));
    EXPECT_FALSE(project->params.contains(band));
    EXPECT_TRUE(project->params.contains(gain + 1));

    // Once the device reports the gain, it can be edited.
    rig.simulator.sendToAll(6, {0, gain, levels::bits(-3.0f), 0x100});
    ASSERT_TRUE(spinUntil([&] { return rig.model().holds(gain); }));
    settle();
    EXPECT_TRUE(editor->gainKnob()->encoder()->isEnabled());
}

// A device can report words no project may hold (a level that is no number, more words than
// the setting has). Save says so and leaves them out, so the file it writes opens again.
TEST(ProjectCommands, ReportedValuesNoProjectMayHoldAreLeftOutAndTheProjectOpensAgain) {
    const quint32 notANumber = 7;  // OUT 3 gain
    const quint32 tooLong = 186;   // OUT 1 compressor switch, one word
    WindowRig::Options options;
    options.prepare = [&](DeviceSimulator& simulator) {
        kestrel_test::holdDemoSettings(simulator);
        simulator.device().params[notANumber] = {0xFFFFFFFF, 256};
        simulator.device().params[tooLong] = {0, 0};
    };
    WindowRig rig(options);
    ASSERT_EQ(rig.model().unreadCount(), 0);

    const QString path = rig.dir.filePath("reported.tsldsp");
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.dialogs.fileAnswers.enqueue(path);
    rig.window().commands().saveProject();
    ASSERT_EQ(rig.dialogs.asked.size(), 2);
    EXPECT_EQ(rig.dialogs.asked[0].kind, "confirm");
    const qsizetype all = ParamMap::allParameters().size();
    EXPECT_EQ(rig.dialogs.asked[0].title,
              QStringLiteral("2 settings hold values the DSP reported but that aren't valid; they are left "
                             "out. The project will hold the other %1; opening it later leaves those 2 as "
                             "the device has them.")
                  .arg(all - 2));
    EXPECT_EQ(rig.dialogs.asked[0].defaultButton, Dialogs::DefaultButton::cancel);
    EXPECT_EQ(ProjectCommands::incompleteText(1, 1),
              QStringLiteral("1 of %1 settings was not read from the DSP. 1 setting holds a value the DSP "
                             "reported but that isn't valid; it is left out. The project will hold the "
                             "other %2; opening it later leaves those 2 as the device has them.")
                  .arg(all)
                  .arg(all - 2));

    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto project = DSPModel::decodeProject(saved.readAll());
    ASSERT_TRUE(project.has_value());
    EXPECT_FALSE(project->params.contains(notANumber));
    EXPECT_FALSE(project->params.contains(tooLong));
    EXPECT_EQ(project->params.size(), all - 2);

    // Opened again on the same device, every setting in it goes out and nothing is refused.
    const qsizetype mark = rig.mark();
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.window().commands().openProject();
    ASSERT_EQ(rig.dialogs.asked.last().kind, "confirm");
    EXPECT_EQ(rig.dialogs.asked.last().title, "Send \"reported\" to the DSP?");
    qsizetype loadable = 0;
    for (auto it = project->params.constBegin(); it != project->params.constEnd(); ++it)
        loadable += DSPModel::projectLoads(it.key());
    ASSERT_TRUE(rig.waitFor([&] { return rig.receivedSince(mark, 5).size() >= loadable; }));
    for (const DSPFrame& write : rig.receivedSince(mark, 5)) {
        EXPECT_NE(write.words.value(1), notANumber);
        EXPECT_NE(write.words.value(1), tooLong);
    }
    EXPECT_EQ(rig.model().words(notANumber, 2), DSPModel::Words({0xFFFFFFFFu, 256u}));
}

TEST(ProjectCommands, OpenStartsTheDemoAndRefusesCorruptFiles) {
    WindowRig rig(unshown(QStringLiteral("/nonexistent/DemoDevice.json")));
    ProjectCommands& commands = rig.window().commands();
    const QString corrupt = rig.dir.filePath("broken.tsldsp");
    QFile file(corrupt);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ not json");
    file.close();
    // A FIFO would block the open, so it is refused unread; a NaN gain is refused whole.
    const QString fifo = rig.dir.filePath("pipe.tsldsp");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const auto writeProject = [&](const QString& name, const QByteArray& params) {
        const QString path = rig.dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"format":"x","version":1,"model":"X","created":"2026-01-01T00:00:00Z","params":)" +
                params + "}");
        return path;
    };
    const QString nan = writeProject("nan.tsldsp", R"({"1":[0,256],"5":[2143289344,256]})");
    const struct {
        QString path;
        const char* says;
    } refused[] = {{corrupt, "not valid JSON"},
                   {fifo, "\"pipe.tsldsp\" is not a regular file."},
                   {nan, "Parameter 5 holds a level that is not a number"}};
    for (const auto& r : refused) {
        rig.dialogs.fileAnswers.enqueue(r.path);
        commands.openProject();
        ASSERT_EQ(rig.dialogs.asked.last().kind, "alert");
        EXPECT_TRUE(rig.dialogs.asked.last().text.contains(QLatin1String(r.says)))
            << rig.dialogs.asked.last().text.toStdString();
        EXPECT_FALSE(rig.model().demo());  // nothing changed
        EXPECT_TRUE(rig.model().params().isEmpty());
    }

    const QString good = rig.dir.filePath("Hall setup.tsldsp");
    QFile project(good);
    ASSERT_TRUE(project.open(QIODevice::WriteOnly));
    project.write(R"({"format":"Tessaline DSP Control project","version":1,"model":"X",
                      "created":"2026-01-01T00:00:00Z","params":{"5":[1084227584,256]}})");
    project.close();
    rig.dialogs.fileAnswers.enqueue(good);
    commands.openProject();
    EXPECT_TRUE(rig.model().demo());
    EXPECT_EQ(rig.model().words(5, 2), DSPModel::Words({1084227584u, 256u}));
}

TEST(ProjectCommands, OpenWhileConnectedAsksFirst) {
    WindowRig rig(unshown());
    ASSERT_TRUE(rig.connect());
    const QString good = rig.dir.filePath("Hall setup.tsldsp");
    QFile project(good);
    ASSERT_TRUE(project.open(QIODevice::WriteOnly));
    project.write(R"({"format":"x","version":1,"model":"X","created":"2026-01-01T00:00:00Z",
                      "params":{"5":[1084227584,256],"403":[1684234849,0,0,0,0,0]}})");
    project.close();
    const auto before = rig.model().params();
    rig.dialogs.fileAnswers.enqueue(good);
    rig.dialogs.confirmAnswers.enqueue(false);
    rig.window().commands().openProject();
    ASSERT_EQ(rig.dialogs.asked.last().kind, "confirm");
    EXPECT_EQ(rig.dialogs.asked.last().title, "Send \"Hall setup\" to the DSP?");
    EXPECT_EQ(rig.model().params(), before);

    rig.simulator.clearReceived();
    rig.dialogs.fileAnswers.enqueue(good);
    rig.dialogs.confirmAnswers.enqueue(true);
    rig.window().commands().openProject();
    EXPECT_EQ(rig.model().words(5, 2), DSPModel::Words({1084227584u, 256u}));
    EXPECT_EQ(rig.model().params().value(403), before.value(403))
        << "FIR names describe filters the file lacks";
    EXPECT_TRUE(spinUntil([&] { return !rig.simulator.receivedWithCommand(5).isEmpty(); }));
}

TEST(ProjectCommands, SupportMailCarriesVersionAndSystem) {
    const QUrl url = ProjectCommands::supportMailURL("help@example.org", "dev", "Debian GNU/Linux 12");
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_EQ(url.path(), "help@example.org");
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Tessaline DSP Control support");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
              QString::fromUtf8("\n\n—\nTessaline DSP Control dev\nDebian GNU/Linux 12"));
}

TEST(ConsoleApplication, OfflineStartShowsTheDemoDevice) {
    qputenv("TSL_OFFLINE", "1");
    ConsoleApplication application;
    const AppContext& context = application.context();
    EXPECT_TRUE(context.model && context.link && context.meters && context.hid && context.udp &&
                context.tcp && context.log && context.settings && context.navigator && context.dialogs);
    EXPECT_TRUE(context.model->demo());
    EXPECT_EQ(application.window().windowTitle(), "Tessaline DSP Control");
    EXPECT_TRUE(application.window().console()->pageContent()->isEnabled());
    // Leaving the demo shows the link's offline state, and the network cannot be asked for.
    context.model->exitDemo();
    settle();
    QToolButton* menu = application.window().console()->statusBar()->connectionMenuButton();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->menu()->actions().value(0)->isEnabled());
    qunsetenv("TSL_OFFLINE");
}
