#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <bit>
#include <cmath>

#include "editor/ChannelView.h"
#include "link/DSPModel.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

using namespace kestrel_test;

namespace {

const Encoder::Scale kFrequency{20, 20000, true, 1};
const Encoder::Scale kGain{-15, 15, false, 0.1};

struct Knob {
    Encoder encoder;
    QSignalSpy edits{&encoder, &Encoder::valueEdited};
    double now = 100;
    // Like a view over the model: every reported value comes back stored in single precision.
    explicit Knob(Encoder::Scale scale, std::optional<double> defaultValue = std::nullopt,
                  bool bipolar = false)
        : encoder(scale, bipolar, defaultValue, Palette::inputBlue(), 34) {
        encoder.setClock([this] { return now; });
        QObject::connect(&encoder, &Encoder::valueEdited, &encoder,
                         [this](double v) { encoder.setValue(double(float(v))); });
    }
    double last() const { return edits.last().at(0).toDouble(); }
    void enter() {
        QEnterEvent event(QPointF(17, 17), QPointF(17, 17), QPointF(17, 17));
        QApplication::sendEvent(&encoder, &event);
    }
    bool wheel(QPoint angle, QPoint pixels = {}, Qt::ScrollPhase phase = Qt::NoScrollPhase,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(QPointF(17, 17), QPointF(17, 17), pixels, angle, Qt::NoButton, modifiers, phase,
                          false);
        QApplication::sendEvent(&encoder, &event);
        return event.isAccepted();
    }
};

}  // namespace

TEST(EncoderTest, ScaleMapsPositionsToRoundedClampedValues) {
    EXPECT_EQ(kFrequency.valueForNorm(0.5), 632);
    EXPECT_NEAR(kFrequency.norm(1000), std::log(50) / std::log(1000), 1e-12);
    EXPECT_EQ(kFrequency.valueForNorm(-0.3), 20);
    EXPECT_EQ(kFrequency.valueForNorm(1.4), 20000);
    EXPECT_NEAR(kGain.valueForNorm(0.5), 0, 1e-12);
    EXPECT_EQ(kGain.norm(20), 1);
    // Rounding past the range is clamped back into it.
    const Encoder::Scale coarse{0, 24, false, 5};
    EXPECT_EQ(coarse.valueForNorm(0.99), 24);
}

TEST(EncoderTest, DragSpansTheRangeIn160PixelsOrFiveTimesThatWhenFine) {
    const Encoder::Scale unit{0, 1, false, 0.001};
    for (Qt::KeyboardModifier fine : {Qt::NoModifier, Qt::AltModifier, Qt::ShiftModifier}) {
        Knob k(unit);
        k.encoder.setValue(0.25);
        const double distance = fine == Qt::NoModifier ? 80 : 400;
        drag(k.encoder, QPointF(17, 17), QPointF(17, 17 - distance), fine);
        ASSERT_EQ(k.edits.size(), 1);
        EXPECT_NEAR(k.last(), 0.75, 1e-12) << fine;
    }
}

TEST(EncoderTest, AClickThatDoesNotMoveReportsNothing) {
    // Off the step and out of range: a report would round 0.707 to 0.71 and 22000 to 20000.
    Knob q({0.25, 128, true, 0.01});
    q.encoder.setValue(0.707);
    QTest::mouseClick(&q.encoder, Qt::LeftButton, {}, QPoint(17, 17));
    Knob frequency(kFrequency);
    frequency.encoder.setValue(22000);
    drag(frequency.encoder, QPointF(17, 17), QPointF(25, 17));  // sideways only
    EXPECT_TRUE(q.edits.isEmpty());
    EXPECT_TRUE(frequency.edits.isEmpty());
    EXPECT_EQ(q.encoder.value(), 0.707);
}

TEST(EncoderTest, DoubleClickRestoresTheDefaultOnlyWhenThereIsOne) {
    Knob withDefault(kGain, 0.05);
    withDefault.encoder.setValue(7.3);
    doubleClick(withDefault.encoder, QPointF(17, 17));
    EXPECT_EQ(withDefault.last(), 0.05);  // reported as given, not rounded

    EXPECT_EQ(withDefault.edits.size(), 1) << "neither click of it reports";

    Knob without(kGain);
    without.encoder.setValue(7.3);
    doubleClick(without.encoder, QPointF(17, 17));
    EXPECT_TRUE(without.edits.isEmpty());
}

TEST(EncoderTest, WheelWaitsAfterEnteringIgnoresInertiaAndAccumulates) {
    Knob k({0, 1, false, 0.1});
    k.encoder.setValue(0.2);
    k.enter();
    k.now += 0.2;
    EXPECT_FALSE(k.wheel(QPoint(0, 120)));  // the page scrolls on
    EXPECT_TRUE(k.edits.isEmpty());

    k.now += 0.3;
    EXPECT_TRUE(k.wheel({}, QPoint(0, 30)));  // precise: 30 / 300
    EXPECT_NEAR(k.last(), 0.3, 1e-12);
    EXPECT_FALSE(k.wheel({}, QPoint(0, 300), Qt::ScrollMomentum));
    EXPECT_EQ(k.edits.size(), 1);

    // Steps smaller than the quantum add up instead of being lost.
    for (int i = 0; i < 5; ++i) k.wheel({}, QPoint(0, 6), Qt::NoScrollPhase, Qt::ShiftModifier);
    EXPECT_NEAR(k.last(), 0.3, 1e-12);  // 0.3 + 5 x 0.004 = 0.32
    for (int i = 0; i < 5; ++i) k.wheel({}, QPoint(0, 6), Qt::NoScrollPhase, Qt::AltModifier);
    EXPECT_NEAR(k.last(), 0.3, 1e-12);  // 0.34
    for (int i = 0; i < 5; ++i) k.wheel({}, QPoint(0, 6), Qt::NoScrollPhase);
    EXPECT_NEAR(k.last(), 0.4, 1e-12);  // 0.44
}

TEST(EncoderTest, TheWheelStartsFromTheValueShownAfterEveryOtherChange) {
    Knob k(kGain, 0.0);
    k.encoder.setValue(-12);
    k.enter();
    k.now += 1;
    const double notch = 30.0 / 60;  // dB per notch: a sixtieth of the travel
    k.wheel(QPoint(0, 120));
    EXPECT_NEAR(k.last(), -12 + notch, 1e-4);

    doubleClick(k.encoder, QPointF(17, 17));  // back to 0 dB
    k.wheel(QPoint(0, 120));
    EXPECT_NEAR(k.last(), notch, 1e-4);

    drag(k.encoder, QPointF(17, 17), QPointF(17, 17 + 80));  // half the travel down
    const double dragged = k.last();
    k.wheel(QPoint(0, 120));
    EXPECT_NEAR(k.last(), dragged + notch, 1e-4);

    k.encoder.setValue(9);  // typed, or changed by another view or the device
    k.wheel(QPoint(0, -120));
    EXPECT_NEAR(k.last(), 9 - notch, 1e-4);
}

TEST(EncoderTest, KeysMoveAHundredthButAtLeastOneStepAndNothingPastTheEnds) {
    Knob fine({0, 100, false, 0.1});
    fine.encoder.setValue(50);
    QTest::keyClick(&fine.encoder, Qt::Key_Up);
    EXPECT_NEAR(fine.last(), 51, 1e-9);

    Knob coarse({0, 24, false, 5});
    coarse.encoder.setValue(10);
    QTest::keyClick(&coarse.encoder, Qt::Key_Up);
    EXPECT_EQ(coarse.last(), 15);
    // At either end a key leaves the value as it is, so there is nothing to write.
    for (auto [end, away] : {std::pair{0.0, Qt::Key_Down}, std::pair{24.0, Qt::Key_Up}}) {
        coarse.encoder.setValue(end);
        const qsizetype before = coarse.edits.size();
        QTest::keyClick(&coarse.encoder, away);
        EXPECT_EQ(coarse.edits.size(), before) << end;
    }
    QTest::keyClick(&coarse.encoder, Qt::Key_Left);
    EXPECT_EQ(coarse.last(), 20);
}

TEST(EncoderTest, KnobFieldSizesItsFieldAndClampsTypedValues) {
    EXPECT_EQ(KnobField::fieldWidth(80, true), 52);
    EXPECT_EQ(KnobField::fieldWidth(60, false), 52);
    EXPECT_EQ(KnobField::fieldWidth(60, true), 40);

    KnobField field(QStringLiteral("Gain"), {-60, 15, false, 0.1}, false, 0.0, QStringLiteral("%.1f"),
                    QStringLiteral("dB"), Palette::outputAmber(), 80);
    QSignalSpy commits(&field, &KnobField::committed);
    QLineEdit* edit = field.field()->lineEdit();
    for (const char* typed : {"99", "0,07", "-1e3"}) {
        edit->setText(QString::fromLatin1(typed));
        QTest::keyClick(edit, Qt::Key_Return);
    }
    ASSERT_EQ(commits.size(), 3);
    EXPECT_EQ(commits[0].at(0).toDouble(), 15);
    EXPECT_EQ(commits[1].at(0).toDouble(), 0.07);  // typed values are not rounded to the step
    EXPECT_EQ(commits[2].at(0).toDouble(), -60);
}

TEST(EncoderTest, TheValueArcRunsClockwiseFromTheStartOrTheTop) {
    // Whether the tint shows on the ring at an angle, clockwise from +x with y down.
    auto tintedAt = [](Encoder& knob, double degrees) {
        const double a = degrees * M_PI / 180;
        const QPoint p(qRound(17 + 15.5 * std::cos(a)), qRound(17 + 15.5 * std::sin(a)));
        return countNear(rendered(knob), QRect(p - QPoint(1, 1), QSize(3, 3)), Palette::inputBlue(), 40) > 0;
    };
    Knob plain(kGain);
    plain.encoder.setValue(0);  // half way: from the lower left through the left to the top
    for (double on : {150.0, 180.0, 225.0, 260.0}) EXPECT_TRUE(tintedAt(plain.encoder, on)) << on;
    for (double off : {290.0, 0.0, 30.0}) EXPECT_FALSE(tintedAt(plain.encoder, off)) << off;

    Knob bipolar(kGain, std::nullopt, true);
    bipolar.encoder.setValue(7.5);  // from the top to three quarters of the travel
    for (double on : {280.0, 300.0, 330.0}) EXPECT_TRUE(tintedAt(bipolar.encoder, on)) << on;
    for (double off : {150.0, 225.0, 0.0, 30.0}) EXPECT_FALSE(tintedAt(bipolar.encoder, off)) << off;
    bipolar.encoder.setValue(0);  // at the middle: no arc
    for (double off = 135; off <= 405; off += 22.5) EXPECT_FALSE(tintedAt(bipolar.encoder, off)) << off;
    saveScreenshot(plain.encoder, QStringLiteral("knob"));
}

// The gain knob of a channel page, turned by the wheel in the window connected to a device:
// a notch is a sixtieth of the travel (75 dB) whatever the desktop's lines per notch, a
// high-resolution wheel's part of a notch that part of it, a touchpad's pixels a 300th each,
// and the fine modifier a fifth of each. The wheel's position adds up unrounded; the device
// gets each value rounded to 0.1 dB.
TEST(EncoderInWindow, WheelNotchesPartsOfNotchesAndPixelsTurnTheGainKnobBySixtiethsOfItsTravel) {
    QApplication::setWheelScrollLines(3);  // the usual desktop setting, which must not count
    WindowRig::Options options;
    options.startPage = QStringLiteral("2");
    WindowRig rig(options);
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    Encoder* knob = channel->gainKnob()->encoder();
    double now = 100;
    knob->setClock([&now] { return now; });
    QTest::mouseMove(knob, knob->rect().center());
    now += 1;  // the pointer has rested on the knob

    const auto deviceGain = [&] {
        return std::bit_cast<float>(rig.simulator.device().params.value(3).value(0));
    };
    const auto turnsTo = [&](double dB, QPoint angle, QPoint pixels = {}, Qt::KeyboardModifiers mods = {}) {
        wheelOver(*knob, angle, pixels, mods);
        const float shown = std::bit_cast<float>(rig.model().words(3, 1)[0]);
        return rig.waitFor([&] { return std::abs(deviceGain() - dB) <= 0.051; }, 5) &&
               std::abs(shown - dB) <= 0.051;
    };
    EXPECT_TRUE(turnsTo(1.25, QPoint(0, 120))) << deviceGain();  // 1.2 or 1.3 dB
    EXPECT_TRUE(turnsTo(1.25 + 1.25 / 3, QPoint(0, 40))) << deviceGain();
    EXPECT_TRUE(turnsTo(2.5, QPoint(0, 80))) << deviceGain();
    EXPECT_TRUE(turnsTo(10, {}, QPoint(0, 30))) << deviceGain();
    EXPECT_TRUE(turnsTo(11.5, {}, QPoint(0, 30), Qt::ShiftModifier)) << deviceGain();
    EXPECT_TRUE(turnsTo(11, QPoint(0, -240), {}, Qt::AltModifier)) << deviceGain();
    EXPECT_TRUE(turnsTo(8.5, QPoint(0, -240))) << deviceGain();
}
