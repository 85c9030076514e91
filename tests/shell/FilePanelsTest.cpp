// The file panels and what goes through them: the real panels never read a file to choose
// its icon or type, exports get their extension, and the FIR tab's chooser offers only
// what the coefficient reader reads.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "console/TrafficPanel.h"
#include "designer/DesignerTesting.h"
#include "designer/FIRDesignerView.h"
#include "editor/ChannelView.h"
#include "editor/FIRBox.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/ProjectCommands.h"
#include "support/CapturedMessages.h"
#include "support/FindWidgets.h"
#include "support/Spin.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/Dialogs.h"

using kestrel_test::WindowRig;

namespace {

// Ends the whole run with a message, rather than letting it hang, when the test body has
// not finished in time: a panel that reads the wrong file blocks its thread for good.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_finished; })) {
                  std::fprintf(stderr, "A file panel stopped the event loop for %d s.\n", seconds);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// The names of the files inside a watched folder that anything opened or read.
QStringList openedInside(int watch) {
    QStringList names;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t size = read(watch, buffer, sizeof buffer);
        if (size <= 0) break;
        for (const char* at = buffer; at < buffer + size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0) names << QString::fromLocal8Bit(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    names.removeDuplicates();
    return names;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

bool labelShows(QWidget& parent, const QString& text) {
    const QList<QLabel*> labels = parent.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
                       [&](QLabel* label) { return label->isVisible() && label->text() == text; });
}

}  // namespace

// As root, a path typed under /proc made the panel read /proc/kmsg to guess its type, and the
// window froze. Here a file whose name tells nothing and a FIFO sit in a watched folder; the
// user browses there and types their paths in the open and the save panel. Nothing may open
// them, and the event loop keeps turning.
TEST(FilePanels, NoPanelOpensAFileToChooseItsIconOrType) {
    QTemporaryDir dir;
    writeFile(dir.filePath("data"), "%PDF-1.4\n");  // no extension: only its bytes would tell
    writeFile(dir.filePath("show.tsldsp"), "{}");
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_OPEN | IN_ACCESS), 0);

    WindowRig::Options options;
    options.connect = false;
    WindowRig rig(options);
    DesktopDialogs dialogs;
    dialogs.setParentWindow(&rig.window());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(5);

    QStringList typesSeen;
    const auto browseAndType = [&] {
        QTimer::singleShot(0, [&] {
            auto* panel = rig.window().findChild<QFileDialog*>();
            if (!panel) {
                ADD_FAILURE() << "no panel open";
                return;
            }
            auto* model = panel->findChild<QFileSystemModel*>();
            auto* field = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (model && field) {
                panel->setDirectory(dir.path());
                for (const char* name : {"data", "pipe"}) {
                    field->setFocus();
                    field->clear();
                    QTest::keyClicks(field, dir.filePath(name));
                }
                const auto typeOf = [&](const char* name) {
                    return model->type(model->index(dir.filePath(name)));
                };
                const int before = ticks;
                EXPECT_TRUE(kestrel_test::spinUntil(
                    [&] {
                        return !typeOf("data").isEmpty() && !typeOf("pipe").isEmpty() && ticks > before + 3;
                    },
                    20));
                typesSeen << typeOf("data") << typeOf("pipe");
                panel->setViewMode(QFileDialog::Detail);
                kestrel_test::saveScreenshot(*panel, QStringLiteral("file_panel_types"));
            } else {
                ADD_FAILURE() << "the panel is not Qt's own";
            }
            panel->reject();
        });
    };
    QStringList warnings;
    {
        const Watchdog watchdog(60);
        const kestrel_test::CapturedMessages messages;
        browseAndType();
        EXPECT_EQ(dialogs.chooseOpenFile(QStringLiteral("Open Project"), ProjectCommands::nameFilters()),
                  QString());
        browseAndType();
        EXPECT_EQ(dialogs.chooseSaveFile(QStringLiteral("Save Project"), dir.filePath("x.tsldsp"),
                                         ProjectCommands::nameFilters(), QStringLiteral("tsldsp")),
                  QString());
        warnings = messages.messages();
    }
    EXPECT_EQ(typesSeen.size(), 4);
    // The panels print nothing of their own (the offscreen platform's notes aside).
    warnings.removeIf(
        [](const QString& m) { return m.startsWith(QStringLiteral("This plugin does not support")); });
    EXPECT_EQ(warnings, QStringList());
    EXPECT_EQ(openedInside(watch), QStringList());
    close(watch);
}

// Both exports write plain text: a name typed without an extension gets ".txt", as a project
// gets ".tsldsp", so the file is found again by the panels that filter on it.
TEST(FilePanels, ExportsAddTxtToANameTypedWithoutOne) {
    WindowRig rig(WindowRig::Options{.prepare = kestrel_test::holdDemoSettings});
    const QString measurement = rig.dir.filePath(QStringLiteral("Left top.txt"));
    writeFile(measurement, designertest::measurementText(480, 480, 6));
    rig.showPage(Page::of(Page::Kind::firDesigner));
    FIRDesignerView* designer = rig.page<FIRDesignerView>();
    ASSERT_NE(designer, nullptr);
    rig.dialogs.fileAnswers.enqueue(measurement);
    click(kestrel_test::buttonNamed(*designer, QStringLiteral("Load…")));
    ASSERT_TRUE(rig.waitFor([&] { return !designer->coefficients().isEmpty(); }));

    rig.dialogs.fileAnswers.enqueue(rig.dir.filePath(QStringLiteral("noext")));
    click(kestrel_test::buttonNamed(*designer, QStringLiteral("Export…")));
    EXPECT_FALSE(QFile::exists(rig.dir.filePath(QStringLiteral("noext"))));
    QFile exported(rig.dir.filePath(QStringLiteral("noext.txt")));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(exported.readAll()),
              FIRDesignerView::coefficientFileText(designer->settings().name, designer->settings().taps,
                                                   designer->coefficients()));
    EXPECT_EQ(designer->status(), QStringLiteral("Exported noext.txt."));

    rig.showPage(Page::of(Page::Kind::diagnostics));
    auto* traffic = rig.pageView()->findChild<TrafficPanel*>();
    ASSERT_NE(traffic, nullptr);
    traffic->markerField()->setText(QStringLiteral("before the export"));
    traffic->addNote();
    rig.dialogs.fileAnswers.enqueue(rig.dir.filePath(QStringLiteral("mycap")));
    click(kestrel_test::buttonNamed(*traffic, QStringLiteral("Export…")));
    EXPECT_FALSE(QFile::exists(rig.dir.filePath(QStringLiteral("mycap"))));
    QFile capture(rig.dir.filePath(QStringLiteral("mycap.txt")));
    ASSERT_TRUE(capture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(capture.readAll()).contains(QStringLiteral("# before the export")));
    // A dot in the name is no extension the panel offers; one that is offered stays alone.
    for (const char* typed : {"capture.v2", "dsp-capture.TXT"}) {
        rig.dialogs.fileAnswers.enqueue(rig.dir.filePath(QString::fromLatin1(typed)));
        click(kestrel_test::buttonNamed(*traffic, QStringLiteral("Export…")));
    }
    EXPECT_TRUE(QFile::exists(rig.dir.filePath(QStringLiteral("capture.v2.txt"))));
    EXPECT_FALSE(QFile::exists(rig.dir.filePath(QStringLiteral("capture.v2"))));
    EXPECT_TRUE(QFile::exists(rig.dir.filePath(QStringLiteral("dsp-capture.TXT"))));

    // So does a project: a dotted name gets ".tsldsp", a JSON name stays JSON.
    for (const char* typed : {"Friday show 7.12", "show.json"}) {
        rig.dialogs.fileAnswers.enqueue(rig.dir.filePath(QString::fromLatin1(typed)));
        rig.window().commands().saveProject();
    }
    EXPECT_TRUE(QFile::exists(rig.dir.filePath(QStringLiteral("Friday show 7.12.tsldsp"))));
    EXPECT_TRUE(QFile::exists(rig.dir.filePath(QStringLiteral("show.json"))));
}

// A filter name with a "/" makes no folder of the proposed export name; an export that writes
// nothing says why in an alert, and the line under the button tells no more of the last one.
TEST(FilePanels, ExportNamesHoldNoSlashAndAnExportThatWritesNothingSaysWhy) {
    WindowRig rig;
    rig.showPage(Page::of(Page::Kind::firDesigner));
    FIRDesignerView* designer = rig.page<FIRDesignerView>();
    ASSERT_NE(designer, nullptr);
    rig.dialogs.clipboard = QString::fromLatin1(designertest::measurementText(480, 480, 6));
    designer->pasteMeasurement();
    ASSERT_TRUE(rig.waitFor([&] { return !designer->coefficients().isEmpty(); }));
    designer->setName(QStringLiteral("L/R main"));
    rig.turn();

    rig.dialogs.fileAnswers.enqueue(rig.dir.filePath(QStringLiteral("first.txt")));
    click(kestrel_test::buttonNamed(*designer, QStringLiteral("Export…")));
    EXPECT_EQ(rig.dialogs.asked.last().text, QStringLiteral("L-R main 512 taps.txt"));
    EXPECT_EQ(designer->status(), QStringLiteral("Exported first.txt."));

    const QString missing = rig.dir.filePath(QStringLiteral("missing/second.txt"));
    rig.dialogs.fileAnswers.enqueue(missing);
    click(kestrel_test::buttonNamed(*designer, QStringLiteral("Export…")));
    ASSERT_EQ(rig.dialogs.asked.last().kind, QStringLiteral("alert"));
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("The coefficients couldn't be exported."));
    EXPECT_EQ(rig.dialogs.asked.last().text, QStringLiteral("Couldn't save \"second.txt\": the folder \"") +
                                                 rig.dir.filePath(QStringLiteral("missing")) +
                                                 QStringLiteral("\" does not exist."));
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(designer->status().has_value());
}

// The FIR tab offers the files its reader reads and no others; an AIFF impulse, chosen
// anyway, is binary data and says so instead of becoming a filter of one stray digit.
TEST(FilePanels, TheFIRTabOffersOnlyWhatItReadsAndRefusesBinaryData) {
    WindowRig rig;
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    rig.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::file));
    rig.showPage(Page::channelPage(4));
    ASSERT_NE(rig.pageView(), nullptr);
    FIRBox* box = rig.pageView()->findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);

    rig.dialogs.fileAnswers.enqueue(QStringLiteral(KESTREL_TEST_DATA_DIR "/cli/data/imp.aif"));
    click(box->chooseFileButton());
    ASSERT_FALSE(rig.dialogs.asked.isEmpty());
    EXPECT_EQ(rig.dialogs.asked.last().kind, QStringLiteral("open"));
    QStringList patterns;
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^)]*)\\)"));
    for (const QString& filter : rig.dialogs.asked.last().nameFilters)
        patterns << inParentheses.match(filter).captured(1).split(QLatin1Char(' '));
    patterns.removeDuplicates();
    patterns.sort();
    EXPECT_EQ(patterns, QStringList({"*", "*.csv", "*.txt", "*.wav"}));
    EXPECT_FALSE(box->pendingFilter());
    EXPECT_TRUE(labelShows(*box, QStringLiteral("Couldn't read FIR coefficients from that file.")));

    rig.dialogs.fileAnswers.enqueue(QStringLiteral(KESTREL_TEST_DATA_DIR "/cli/data/pass256.csv"));
    click(box->chooseFileButton());
    ASSERT_TRUE(box->pendingFilter());
    EXPECT_EQ(box->pendingFilter()->name, QStringLiteral("pass256"));
    EXPECT_FALSE(labelShows(*box, QStringLiteral("Couldn't read FIR coefficients from that file.")));
}
