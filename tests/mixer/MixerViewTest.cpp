#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QToolTip>
#include <bit>

#include "mixer/ChannelStrip.h"
#include "mixer/MixerView.h"
#include "shell/MainWindow.h"
#include "support/DemoModel.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/Navigator.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Fader.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/LiveMeters.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

using namespace kestrel_test;

namespace {

// Lets the coalesced refreshes of this turn run.
void settle() {
    QCoreApplication::processEvents();
}

// The text the tool tip shows when the pointer rests on the widget, as the user reads it.
QString shownToolTip(QWidget& widget) {
    const QPoint at = widget.rect().center();
    QHelpEvent rest(QEvent::ToolTip, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &rest);
    const QString tip = QToolTip::text();
    QToolTip::hideText();
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

}  // namespace

TEST(MixerLayoutTest, StripsShareTheWidthBetweenTheirBoundsAboveTheFloors) {
    const auto at = [](double w, double h) { return MixerView::layoutFor(QSizeF(w, h), 5, 18, 12); };
    EXPECT_NEAR(at(1200, 800).stripWidth, (1200 - 24 - 50 - 18) / 12.0, 1e-9);
    EXPECT_EQ(at(1200, 800).stripHeight, 754);
    EXPECT_NEAR(at(1200, 800).content.width(), 1200, 1e-9);

    EXPECT_EQ(at(931, 800).stripWidth, 70);
    EXPECT_GT(at(931, 800).content.width(), 931);  // scrolls sideways
    EXPECT_EQ(at(1490, 800).stripWidth, 116);
    EXPECT_LT(at(1490, 800).content.width(), 1490);  // room left at the right

    EXPECT_EQ(at(1200, 515).stripHeight, 470);
    EXPECT_GT(at(1200, 515).content.height(), 515);
    EXPECT_EQ(at(1200, 516).stripHeight, 470);
    EXPECT_EQ(at(1200, 516).content.height(), 516);
}

class MixerTest : public ::testing::Test {
protected:
    DemoModel dsp;
    Navigator navigator;
    MixerView mixer{*dsp, &navigator};

    void SetUp() override {
        mixer.resize(1200, 800);
        mixer.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mixer));
        settle();
    }
    quint32 flags(int ch) const { return dsp->words(quint32(1 + ch), 2)[1]; }
    float gain(int ch) const { return std::bit_cast<float>(dsp->words(quint32(1 + ch), 2)[0]); }
    void typeGain(int ch, const QString& text) {
        QLineEdit* edit = mixer.strip(ch)->gainField()->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        settle();
    }
};

TEST_F(MixerTest, StripsTakeTheirComputedSizeAndNothingScrolls) {
    for (int ch : {0, 5, 11}) {
        EXPECT_NEAR(mixer.strip(ch)->width(), 92.33, 1) << ch;
        EXPECT_EQ(mixer.strip(ch)->height(), 754);
    }
    EXPECT_EQ(mixer.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(mixer.verticalScrollBar()->maximum(), 0);
    // The outputs start after the inputs, their gaps and the divider.
    EXPECT_NEAR(mixer.strip(4)->x(), 12 + 4 * 92.33 + 3 * 5 + 18, 1);

    mixer.resize(900, 500);
    settle();
    EXPECT_EQ(mixer.strip(0)->width(), 70);
    EXPECT_EQ(mixer.strip(0)->height(), 470);
    EXPECT_GT(mixer.horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(mixer.verticalScrollBar()->maximum(), 0);

    // Low but wide: the vertical bar takes its room from the strips' width, so nothing
    // scrolls sideways.
    mixer.resize(1200, 500);
    settle();
    EXPECT_GT(mixer.strip(0)->width(), 70);
    EXPECT_FALSE(mixer.horizontalScrollBar()->isVisible());
    EXPECT_TRUE(mixer.verticalScrollBar()->isVisible());
    EXPECT_LE(mixer.strip(11)->geometry().right() + 12, mixer.viewport()->width());
}

TEST_F(MixerTest, TypedGainsAreClampedAndTheFaderWritesTheGain) {
    typeGain(5, QStringLiteral("40"));
    EXPECT_EQ(gain(5), 15.0f);
    typeGain(5, QStringLiteral("-80"));
    EXPECT_EQ(gain(5), -60.0f);
    typeGain(5, QStringLiteral("inf"));  // an infinity is the end of the range, as everywhere
    EXPECT_EQ(gain(5), 15.0f);
    typeGain(5, QStringLiteral("-inf"));
    EXPECT_EQ(gain(5), -60.0f);
    typeGain(5, QStringLiteral("-3,44"));
    EXPECT_NEAR(gain(5), -3.4f, 1e-6);
    EXPECT_EQ(mixer.strip(5)->gainField()->lineEdit()->text(), QStringLiteral("-3.4"));
    EXPECT_EQ(mixer.strip(5)->fader()->db(), double(gain(5)));

    Fader* fader = mixer.strip(2)->fader();
    doubleClick(*fader, QPointF(fader->width() / 2.0, 100));
    settle();
    EXPECT_EQ(gain(2), 0.0f);
    drag(*fader, QPointF(fader->width() / 2.0, 300), QPointF(fader->width() / 2.0, 260));
    settle();
    EXPECT_GT(gain(2), 0.0f);
    EXPECT_EQ(fader->db(), double(gain(2)));
}

TEST_F(MixerTest, MuteButtonFlipsOnlyTheMuteBitAndShowsTheMutedLook) {
    ChannelStrip* strip = mixer.strip(6);
    const quint32 before = flags(6);
    ASSERT_EQ(before & 1, 0u);
    QTest::mouseClick(strip->muteButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(flags(6), before | 1);
    EXPECT_EQ(strip->muteButton()->toolTip(), QStringLiteral("Muted — click to unmute"));
    EXPECT_EQ(strip->muteButton()->look().fill, Palette::red());
    EXPECT_EQ(strip->fader()->tint(), Theme::systemGrey());
    EXPECT_EQ(strip->gainField()->lineEdit()->palette().color(QPalette::Text), Palette::red());
    EXPECT_EQ(strip->meter()->level(), -90);
    QTest::mouseClick(strip->muteButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(flags(6), before);
    EXPECT_EQ(strip->muteButton()->toolTip(), QStringLiteral("Mute"));
}

TEST_F(MixerTest, HeaderOpensTheEditorOnDoubleClickOnly) {
    QSignalSpy opened(&mixer, &MixerView::openChannel);
    StripHeader* header = mixer.strip(7)->header();
    QTest::mouseClick(header, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 0);
    QTest::mouseDClick(header, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].at(0).toInt(), 7);
    QTest::mouseClick(mixer.strip(3)->editButton(), Qt::LeftButton);
    EXPECT_EQ(opened.last().at(0).toInt(), 3);

    // Tool tips carry the channel name as written: plain text, which assistive tools read as
    // the description, shown as written even where it looks like markup.
    dsp->setChannelName(7, QStringLiteral("<b>x</b>"));
    settle();
    const QString in = mixer.strip(0)->header()->toolTip();
    EXPECT_TRUE(in.endsWith(QStringLiteral("Right-click for phase, mute and source."))) << in.toStdString();
    EXPECT_EQ(header->toolTip(),
              QStringLiteral("Double-click to edit <b>x</b>. Right-click for phase, mute."));
    EXPECT_EQ(shownToolTip(*header), header->toolTip());
    QToolButton* edit = mixer.strip(7)->editButton();
    EXPECT_EQ(edit->toolTip(), QStringLiteral("Edit <b>x</b>: EQ, filters, FIR, dynamics"));
    EXPECT_EQ(shownToolTip(*edit), edit->toolTip());
    EXPECT_EQ(shownToolTip(*mixer.strip(7)->muteButton()), QStringLiteral("Mute"));
}

// Where the width's floor makes the page scroll sideways, the scroll bar takes its room from
// the strips' height: a narrow window scrolls sideways only, and the strips' bottom edge and
// the margin under it show above the bar.
TEST(MixerInWindow, ANarrowWindowScrollsOnlySidewaysAndTheStripsEndAboveTheBar) {
    WindowRig rig;
    auto* mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    rig.window().resize(1000, 820);
    rig.turn();
    ASSERT_LT(mixer->width(), 932);
    EXPECT_TRUE(mixer->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(mixer->verticalScrollBar()->isVisible());

    const QRect strip = rig.onScreenRect(*mixer->strip(1));
    const int bar = rig.onScreenRect(*mixer->horizontalScrollBar()).top();
    EXPECT_LE(strip.bottom() + 12, bar) << "the strip ends under the bar";
    const QImage screen = rig.onScreen();
    const QRect margin(strip.left(), strip.bottom() + 1, strip.width(), bar - strip.bottom() - 1);
    EXPECT_FALSE(margin.isEmpty());
    EXPECT_EQ(countNear(screen, margin, Palette::makeGrey(0.095), 0), margin.width() * margin.height())
        << "the page's background between the strip and the bar";
    saveScreenshot(rig.window(), QStringLiteral("mixer-narrow"));
}

// Switched to a second device that never answers IN B's gain: IN B's strip is drawn
// disabled, and a click on its MUTE sends nothing, least of all the first device's -33 dB to
// a device at -3.5 dB.
TEST(MixerInWindow, AStripTheNextDeviceLeftUnreadSendsNothing) {
    WindowRig rig(WindowRig::Options{.prepare = [](DeviceSimulator& sim) {
        sim.device().params[2] = {std::bit_cast<quint32>(-33.0f), 0x100};
    }});
    DeviceSimulator other;
    ASSERT_TRUE(other.listenOnRandomLoopback());
    const DSPFrame::Words otherGain{std::bit_cast<quint32>(-3.5f), 0x100};
    other.device().params[2] = otherGain;
    other.faults().answerLost = [](const DSPFrame& request) {
        return request.command == 6 && request.words.value(1) == 2;
    };
    rig.model().link().connect(other.host());
    ASSERT_TRUE(rig.waitFor([&] {
        return rig.model().connected() && !rig.model().loading() && !other.receivedWithCommand(8).isEmpty();
    }));
    rig.turn();
    auto* mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    FlatButton* unread = mixer->strip(1)->muteButton();
    EXPECT_FALSE(unread->isEnabled());
    EXPECT_TRUE(mixer->strip(0)->muteButton()->isEnabled());

    const qsizetype mark = other.received().size();
    QTest::mouseClick(unread, Qt::LeftButton);
    QTest::mouseClick(mixer->strip(0)->muteButton(), Qt::LeftButton);
    const auto writes = [&] {
        QList<quint32> numbers;
        for (const DSPFrame& frame : other.received().mid(mark))
            if (frame.command == 5) numbers.append(frame.words.value(1));
        return numbers;
    };
    ASSERT_TRUE(rig.waitFor([&] { return writes().contains(1); }));
    EXPECT_EQ(writes(), QList<quint32>{1});
    EXPECT_EQ(other.device().params.value(2), otherGain);
}
