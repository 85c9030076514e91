#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLineEdit>
#include <QSet>
#include <QTest>
#include <QUdpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "console/ContentView.h"
#include "console/NetworkPanel.h"
#include "console/SeenHostList.h"
#include "console/TrafficListModel.h"
#include "console/TrafficListView.h"
#include "console/TrafficPanel.h"
#include "link/TrafficLog.h"
#include "support/AccessibleRoles.h"
#include "support/CannedHidDescriptors.h"
#include "support/CapturedMessages.h"
#include "support/ConsoleRig.h"
#include "support/Loopback.h"
#include "support/Spin.h"
#include "ui/accessibility/Lifetime.h"

using kestrel_test::CapturedMessages;
using kestrel_test::ConsoleRig;
using kestrel_test::spinUntil;

namespace {

// Reads every element below `element` as a screen reader's full read does.
void walk(QAccessibleInterface* element, const std::function<void(QAccessibleInterface*)>& visit) {
    ASSERT_NE(element, nullptr);
    ASSERT_TRUE(element->isValid());
    (void)element->text(QAccessible::Description);
    (void)element->rect();
    visit(element);
    const int count = element->childCount();
    for (int i = 0; i < count; ++i) {
        QAccessibleInterface* child = element->child(i);
        ASSERT_NE(child, nullptr) << element->text(QAccessible::Name).toStdString() << " child " << i;
        EXPECT_EQ(element->indexOfChild(child), i);
        walk(child, visit);
    }
}

QString senderOf(const QUdpSocket& socket) {
    return socket.localAddress().toString() + u':' + QString::number(socket.localPort());
}

// The console on its Network tab, listening on loopback, with senders heard.
struct ConsoleWithSenders : ConsoleRig {
    ContentView view{context};
    std::vector<std::unique_ptr<QUdpSocket>> peers;

    ConsoleWithSenders() {
        view.resize(1100, 700);
        view.setTab(ContentView::networkTab);
        view.show();
        udp.listen(kestrel_test::freeUdpPort());
    }
    NetworkPanel& network() const { return *view.findChild<NetworkPanel*>(); }
    SeenHostList& senders() const { return *network().seenHostList(); }
    QString addSender() {
        peers.push_back(std::make_unique<QUdpSocket>());
        QUdpSocket& peer = *peers.back();
        EXPECT_TRUE(peer.bind(kestrel_test::randomLoopbackAddress(), 0));
        peer.writeDatagram(QByteArray::fromHex("01"), QHostAddress::LocalHost, *udp.listeningPort());
        const QString sender = senderOf(peer);
        EXPECT_TRUE(spinUntil([&] { return senders().senders().contains(sender); }));
        return sender;
    }
};

// The console on its Traffic tab, where frames are logged as the link logs them.
struct ConsoleWithTraffic : ConsoleRig {
    ContentView view{context};

    ConsoleWithTraffic() {
        view.resize(1100, 700);
        view.show();
    }
    void logFrames(int count) {
        for (int i = 0; i < count; ++i)
            log.log("DSP", TrafficEntry::Direction::sent,
                    QByteArray::fromHex("A5A11A5A") + QByteArray::number(i));
        view.trafficPanel()->rows()->sync();
    }
};

}  // namespace

TEST(ConsoleAccessibility, SeenHostRowsOfferTheirUseForTCPButton) {
    ConsoleWithSenders console;
    QStringList senders{console.addSender(), console.addSender(), console.addSender()};
    senders.sort();

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&console.senders());
    ASSERT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* row = list->child(i);
        EXPECT_EQ(row->role(), QAccessible::ListItem);
        EXPECT_EQ(row->text(QAccessible::Name), senders[i]);
        EXPECT_EQ(row->parent(), list);
        ASSERT_EQ(row->childCount(), 1);
        QAccessibleInterface* button = row->child(0);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), "Use for TCP " + senders[i]);
        EXPECT_EQ(button->parent(), row);
        // Where the button is painted, so pointing at it finds it.
        const QRect painted = console.senders().useForTCPRect(senders[i]);
        EXPECT_EQ(button->rect(),
                  QRect(console.senders().viewport()->mapToGlobal(painted.topLeft()), painted.size()));
        EXPECT_EQ(list->childAt(button->rect().center().x(), button->rect().center().y()), row);
        EXPECT_EQ(row->childAt(button->rect().center().x(), button->rect().center().y()), button);
    }

    // Pressing does what a click does: the address goes to the TCP host, the
    // port field keeps its text.
    console.network().tcpPortField()->setText("8234");
    QAccessibleInterface* button = list->child(1)->child(0);
    QAccessibleActionInterface* actions = button->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(console.network().tcpHostField()->text(), senders[1].section(':', 0, 0));
    EXPECT_EQ(console.network().tcpPortField()->text(), "8234");

    // A new sender takes its place in the order; the rows already offered
    // stay the same elements, so a reader keeps its place.
    QAccessibleInterface* firstRow = list->child(0);
    const QString added = console.addSender();
    senders << added;
    senders.sort();
    ASSERT_EQ(list->childCount(), 4);
    EXPECT_EQ(list->child(int(senders.indexOf(firstRow->text(QAccessible::Name)))), firstRow);
    EXPECT_EQ(list->child(int(senders.indexOf(added)))->child(0)->text(QAccessible::Name),
              "Use for TCP " + added);

    // From the keyboard, the current row's button has the focus.
    QApplication::setActiveWindow(&console.view);
    console.senders().setFocus(Qt::TabFocusReason);
    QTest::keyClick(&console.senders(), Qt::Key_Down);
    QAccessibleInterface* focused = list->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->role(), QAccessible::Button);
    EXPECT_TRUE(focused->state().focused);
    EXPECT_EQ(focused->text(QAccessible::Name),
              "Use for TCP " + console.senders().currentIndex().data().toString());
}

TEST(ConsoleAccessibility, EveryControlOfBothTabsIsNamedOnceInPlainText) {
    ConsoleWithSenders console;
    console.backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor(), "Zeta Audio", "Kestrel");
    console.backend.plug(0x046D, 0xC31C, kestrel_test::keyboardDescriptor(), "Logi", "Keyboard");
    console.hid.setShowAll(true);
    console.addSender();
    console.addSender();
    console.log.log("NOTE", TrafficEntry::Direction::info, {}, "<b>not markup</b>");
    console.view.trafficPanel()->rows()->sync();

    QStringList names;
    for (const int tab : {ContentView::usbTab, ContentView::networkTab}) {
        console.view.setTab(tab);
        QCoreApplication::processEvents();
        walk(QAccessible::queryAccessibleInterface(console.view.tabs()->currentWidget()),
             [&](QAccessibleInterface* element) {
                 if (!kestrel_test::isInteractive(*element) || element->state().invisible) return;
                 const QString name = element->text(QAccessible::Name);
                 EXPECT_FALSE(name.isEmpty()) << "role " << element->role();
                 names << name;
             });
    }
    walk(QAccessible::queryAccessibleInterface(&console.view), [&](QAccessibleInterface* element) {
        // Texts of the console are plain; text that came in (a note, a
        // sender, a device name) is spoken as written, never as markup.
        for (const QAccessible::Text text : {QAccessible::Name, QAccessible::Description}) {
            const QString said = element->text(text);
            if (said.contains("not markup")) {
                EXPECT_TRUE(said.contains("<b>not markup</b>")) << said.toStdString();
            } else {
                EXPECT_FALSE(said.contains(u'<')) << said.toStdString();
            }
        }
    });
    const QSet<QString> distinct(names.begin(), names.end());
    EXPECT_EQ(distinct.size(), names.size()) << names.join(" | ").toStdString();
    EXPECT_TRUE(names.contains("Open Kestrel")) << names.join(" | ").toStdString();
    EXPECT_TRUE(names.contains("Open Keyboard"));
    EXPECT_TRUE(names.contains("Send UDP"));
    EXPECT_TRUE(names.contains("TCP port"));
}

TEST(ConsoleAccessibility, TrafficListAnswersAtItsLimitWhileOldRowsAreDropped) {
    ConsoleWithTraffic rig;
    ContentView& view = rig.view;
    auto logFrames = [&](int count) { rig.logFrames(count); };
    logFrames(int(TrafficLog::limit));
    QCoreApplication::processEvents();
    const CapturedMessages messages;

    // A full read of the page reaches every element without a gap.
    int elements = 0;
    walk(QAccessible::queryAccessibleInterface(&view), [&](QAccessibleInterface*) { ++elements; });
    EXPECT_GT(elements, 0);

    // The log drops its oldest entries as new ones come. A reader that learnt
    // the list's children reads them again at once, before the view lays out
    // anew, and again after: each is a row of an entry still in the log.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view.trafficPanel()->list());
    const int learnt = list->childCount();
    for (int turn = 0; turn < 5; ++turn) {
        logFrames(37);
        QSet<QString> lines;
        for (const TrafficEntry& entry : rig.log.entries()) lines.insert(TrafficLog::line(entry));
        int misread = 0;
        for (int i = 0; i < learnt; ++i) {
            QAccessibleInterface* row = list->child(i);
            if (!row || !lines.contains(row->text(QAccessible::Name))) ++misread;
        }
        EXPECT_EQ(misread, 0) << "turn " << turn << " of " << learnt << " children";
        QCoreApplication::processEvents();
        walk(list, [](QAccessibleInterface*) {});
    }
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().mid(0, 5).join("\n").toStdString();

    // What it offers are the rows on screen, the newest at the bottom, each
    // named by its entry's line.
    ASSERT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), "Traffic");
    const int shown = list->childCount();
    EXPECT_EQ(shown, learnt);
    ASSERT_GT(shown, 5);
    ASSERT_LT(shown, 200);
    EXPECT_EQ(list->child(0)->role(), QAccessible::ListItem);
    EXPECT_EQ(list->child(shown - 1)->text(QAccessible::Name), TrafficLog::line(rig.log.entries().last()));

    // The current row is the focused element wherever it stands.
    QApplication::setActiveWindow(&view);
    TrafficListView& rows = *view.trafficPanel()->list();
    rows.setFocus();
    rows.setCurrentIndex(rows.model()->index(10, 0));
    QAccessibleInterface* current = list->focusChild();
    ASSERT_NE(current, nullptr);
    EXPECT_TRUE(current->state().focused);
    EXPECT_EQ(current->text(QAccessible::Name), TrafficLog::line(rig.log.entries().at(10)));
    // A row whose entry is dropped is gone as an element too.
    const QAccessible::Id currentID = QAccessible::uniqueId(current);
    logFrames(20);
    EXPECT_EQ(QAccessible::accessibleInterface(currentID), nullptr);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().mid(0, 5).join("\n").toStdString();
}

// The console taken down as a page left is (its elements dropped while it waits for deletion)
// while the log goes on dropping and clearing entries: the list's element no longer follows
// them, and a new one reads the list afresh.
TEST(ConsoleAccessibility, TrafficListElementDroppedBeforeItsListFollowsNothing) {
    ConsoleWithTraffic rig;
    ContentView& view = rig.view;
    auto logFrames = [&](int count) { rig.logFrames(count); };
    logFrames(40);
    QCoreApplication::processEvents();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view.trafficPanel()->list());
    ASSERT_GT(list->childCount(), 0);
    const QAccessible::Id row = QAccessible::uniqueId(list->child(0));

    retireFromAccessibility(view);
    EXPECT_EQ(QAccessible::accessibleInterface(row), nullptr);
    logFrames(int(TrafficLog::limit));
    rig.log.clear();
    logFrames(3);

    list = QAccessible::queryAccessibleInterface(view.trafficPanel()->list());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isValid());
}

// Tab onto the traffic list lands on the newest row, in sight, and stays on that row while rows
// arrive and the oldest are dropped at the log's limit: its element, the one assistive tools
// were told of, stays the focused one.
TEST(ConsoleAccessibility, TheTrafficListKeepsItsFocusedRowWhileRowsArrive) {
    ConsoleRig rig;
    ContentView view(rig.context);
    view.resize(1100, 700);
    view.show();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    TrafficListView& rows = *view.trafficPanel()->list();
    auto logFrames = [&](int count) {
        for (int i = 0; i < count; ++i)
            rig.log.log("DSP", TrafficEntry::Direction::sent,
                        QByteArray::fromHex("A5A11A5A") + QByteArray::number(i));
        rows.rows().sync();
        QCoreApplication::processEvents();
    };
    logFrames(int(TrafficLog::limit));
    rows.setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(rows.currentIndex().isValid());
    EXPECT_EQ(rows.currentIndex().row(), rows.model()->rowCount() - 1);
    EXPECT_TRUE(rows.viewport()->rect().contains(rows.visualRect(rows.currentIndex())));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&rows);
    QAccessibleInterface* focused = list->focusChild();
    ASSERT_NE(focused, nullptr);
    const QString line = focused->text(QAccessible::Name);
    for (int row = 0; row < 30; ++row) logFrames(1);
    EXPECT_EQ(list->focusChild(), focused);
    EXPECT_EQ(list->focusChild()->text(QAccessible::Name), line);
}
