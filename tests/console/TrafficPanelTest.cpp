#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "console/TrafficListModel.h"
#include "console/TrafficListView.h"
#include "console/TrafficPanel.h"
#include "link/TrafficLog.h"
#include "support/FindWidgets.h"
#include "support/ScriptedDialogs.h"
#include "support/WidgetTesting.h"

using Direction = TrafficEntry::Direction;
using kestrel_test::buttonNamed;
using kestrel_test::ScriptedDialogs;

namespace {

void settle() {
    QCoreApplication::processEvents();
}

QList<QUuid> ids(const QList<TrafficEntry>& entries) {
    QList<QUuid> result;
    for (const TrafficEntry& entry : entries) result << entry.id;
    return result;
}

QList<QUuid> rowIDs(const TrafficListModel& model) {
    QList<QUuid> result;
    for (int row = 0; row < model.rowCount(); ++row) result << model.entry(row).id;
    return result;
}

class TrafficPanelTest : public ::testing::Test {
protected:
    TrafficLog log;
    ScriptedDialogs dialogs;
    TrafficPanel panel{log, dialogs};

    void SetUp() override {
        panel.resize(700, 400);
        panel.show();
    }
    void logFrames(int count, const QString& transport = "DSP") {
        for (int i = 0; i < count; ++i)
            log.log(transport, Direction::sent, QByteArray::fromHex("A5A11A5A") + QByteArray::number(i));
    }
};

}  // namespace

TEST_F(TrafficPanelTest, RowsMirrorTheLogWithOneUpdatePerTurn) {
    TrafficListModel& rows = *panel.rows();
    QSignalSpy inserted(&rows, &QAbstractItemModel::rowsInserted);
    logFrames(40);
    EXPECT_EQ(rows.rowCount(), 0);  // not before the turn ends
    settle();
    EXPECT_EQ(inserted.count(), 1);

    // Any mix of appends, drops at the limit and clears between two updates.
    QRandomGenerator random(7);
    for (int turn = 0; turn < 300; ++turn) {
        const int action = random.bounded(12);
        if (action == 0) panel.clear();
        const int count = action == 1 ? 6000 : random.bounded(30);
        for (int i = 0; i < count; ++i) log.log("DSP", Direction::received, QByteArray(1, char(i)));
        if (action == 2) panel.clear();
        rows.sync();
        ASSERT_EQ(rowIDs(rows), ids(log.entries())) << "turn " << turn;
    }
}

TEST_F(TrafficPanelTest, ListFollowsNewRowsOnlyFromTheBottom) {
    TrafficListView& list = *panel.list();
    const auto update = [&] {
        panel.rows()->sync();
        settle();
    };
    const auto lastRowShown = [&] {
        const QRect shown = list.visualRect(panel.rows()->index(panel.rows()->rowCount() - 1));
        return shown.isValid() && shown.top() >= 0 && shown.bottom() <= list.viewport()->height();
    };
    logFrames(4900);
    log.log("DSP", Direction::received, QByteArray(600, '\x5A'), "a long frame with a note");
    update();
    EXPECT_TRUE(lastRowShown());
    // The long frame wraps onto several lines, its note below them.
    EXPECT_GT(list.visualRect(panel.rows()->index(4900)).height(),
              4 * list.visualRect(panel.rows()->index(4899)).height());

    // Scrolled back, the rows being read stay put: while entries arrive, and
    // once the full log drops its oldest entries above them.
    list.verticalScrollBar()->setValue(3000);
    const QUuid read = panel.rows()->entry(list.indexAt(QPoint(4, 4)).row()).id;
    const auto readRowTop = [&] {
        const QModelIndex top = list.indexAt(QPoint(4, 4));
        return top.isValid() && panel.rows()->entry(top.row()).id == read && list.visualRect(top).top() == 0;
    };
    for (const int more : {50, 90, 70}) {
        logFrames(more);
        update();
        EXPECT_TRUE(readRowTop()) << log.entries().size();
        EXPECT_FALSE(lastRowShown());
    }
    ASSERT_EQ(log.entries().size(), TrafficLog::limit);

    // Back at the bottom, the list follows again.
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    logFrames(5);
    update();
    EXPECT_TRUE(lastRowShown());

    // A panel opened on a full log starts at its newest entry.
    TrafficPanel reopened{log, dialogs};
    reopened.resize(700, 400);
    reopened.show();
    settle();
    const QRect newest = reopened.list()->visualRect(reopened.rows()->index(reopened.rows()->rowCount() - 1));
    EXPECT_TRUE(newest.isValid() && newest.bottom() <= reopened.list()->viewport()->height());
}

TEST_F(TrafficPanelTest, NotesAreLoggedAsTyped) {
    QLineEdit& marker = *panel.markerField();
    EXPECT_EQ(marker.placeholderText(), "Note (e.g. \"CH1 gain -3 dB\")");
    QTest::mouseClick(buttonNamed(panel, "Add note"), Qt::LeftButton);
    EXPECT_TRUE(log.entries().isEmpty());

    QTest::keyClicks(&marker, "   ");
    QTest::mouseClick(buttonNamed(panel, "Add note"), Qt::LeftButton);
    QTest::keyClicks(&marker, "CH1 gain -3 dB");
    QTest::keyClick(&marker, Qt::Key_Return);
    ASSERT_EQ(log.entries().size(), 2);
    for (const TrafficEntry& entry : log.entries()) {
        EXPECT_EQ(entry.transport, "NOTE");
        EXPECT_EQ(entry.direction, Direction::info);
        EXPECT_TRUE(entry.bytes.isEmpty());
    }
    EXPECT_EQ(log.entries()[0].note, "   ");
    EXPECT_EQ(log.entries()[1].note, "CH1 gain -3 dB");
    EXPECT_TRUE(marker.text().isEmpty());
}

TEST_F(TrafficPanelTest, ExportWritesTheTextFormOrNothing) {
    QTemporaryDir dir;
    log.log("DSP", Direction::sent, QByteArray::fromHex("A5A11A5A"));
    log.log("NOTE", Direction::info, {}, "gain \u2192 -3 dB");

    QTest::mouseClick(buttonNamed(panel, "Export\u2026"), Qt::LeftButton);  // cancelled
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(dialogs.asked[0].kind, "save");
    EXPECT_EQ(dialogs.asked[0].text, "dsp-capture.txt");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    const QString path = dir.filePath("capture.txt");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(500, '#'));  // an older, longer capture is replaced whole
    old.close();
    dialogs.fileAnswers.enqueue(path);
    panel.exportCapture();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), log.exportText());

    // A place that cannot be written says so.
    dialogs.fileAnswers.enqueue(dir.filePath("missing/capture.txt"));
    panel.exportCapture();
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/capture.txt")));
    ASSERT_EQ(dialogs.asked.size(), 4);
    EXPECT_EQ(dialogs.asked[3].kind, "alert");
    EXPECT_EQ(dialogs.asked[3].title, "The capture couldn't be saved.");
    EXPECT_FALSE(dialogs.asked[3].text.isEmpty());
}

TEST_F(TrafficPanelTest, CopyTakesTheBytesOfTheSelectedRowsAndClearEverything) {
    log.log("DSP", Direction::sent, QByteArray::fromHex("A5A1"));
    log.log("USB", Direction::info, {}, "closed");
    log.log("TCP", Direction::received, QByteArray::fromHex("0A0BFF"));
    settle();
    TrafficListView& list = *panel.list();
    list.selectAll();
    list.setFocus();
    QTest::keySequence(&list, QKeySequence::Copy);
    EXPECT_EQ(dialogs.clipboard, "A5 A1\n0A 0B FF");

    // A double click lays the bytes over the row as selectable text; an info
    // line has none to select.
    const auto openRow = [&](int row) {
        const QRect rect = list.visualRect(panel.rows()->index(row));
        kestrel_test::doubleClick(*list.viewport(), rect.center() + QPoint(rect.width() / 4, 0));
        return list.viewport()->findChild<QPlainTextEdit*>();
    };
    EXPECT_EQ(openRow(1), nullptr);
    QPlainTextEdit* bytes = openRow(2);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->toPlainText(), "0A 0B FF");
    QTextCursor cursor = bytes->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    bytes->setTextCursor(cursor);
    QTest::keySequence(bytes, QKeySequence::Copy);
    EXPECT_EQ(dialogs.clipboard, "0B");

    QTest::mouseClick(buttonNamed(panel, "Clear"), Qt::LeftButton);
    EXPECT_TRUE(log.entries().isEmpty());
}

TEST(TrafficListView, TimeOfDayInTheUsersLocale) {
    const QDateTime time(QDate(2026, 12, 6), QTime(15, 4, 5, 678));
    EXPECT_EQ(TrafficListView::timeText(time, QLocale(QLocale::English, QLocale::UnitedStates)),
              "3:04:05 PM");
    EXPECT_EQ(TrafficListView::timeText(time, QLocale(QLocale::German, QLocale::Germany)), "15:04:05");
    EXPECT_EQ(TrafficListView::timeText(time, QLocale(QLocale::Finnish, QLocale::Finland)), "15.04.05");
}
