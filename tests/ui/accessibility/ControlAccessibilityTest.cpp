// What a screen reader or another assistive tool finds of the fader and the knob:
// one element each, with a role, a value in its range, and steps that report values.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QSignalSpy>

#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/Palette.h"

namespace {

struct Element {
    QAccessibleInterface* iface;
    QAccessibleValueInterface* value;
    QAccessibleActionInterface* actions;

    explicit Element(QWidget* widget)
        : iface(QAccessible::queryAccessibleInterface(widget)),
          value(iface ? iface->valueInterface() : nullptr),
          actions(iface ? iface->actionInterface() : nullptr) {}
    bool complete() const { return iface && value && actions; }
    void increase() const { actions->doAction(QAccessibleActionInterface::increaseAction()); }
    void decrease() const { actions->doAction(QAccessibleActionInterface::decreaseAction()); }
};

double last(const QSignalSpy& spy) {
    return spy.last().at(0).toDouble();
}

}  // namespace

TEST(ControlAccessibility, TheFaderIsOneSliderThatStepsHalfADecibel) {
    Fader fader(28, 22, {10, 0, -10});
    QSignalSpy edits(&fader, &Fader::gainEdited);
    fader.setDB(-6.04);
    const Element a(&fader);
    ASSERT_TRUE(a.complete());
    EXPECT_EQ(a.iface->role(), QAccessible::Slider);
    EXPECT_EQ(a.iface->childCount(), 0);
    EXPECT_EQ(a.iface->text(QAccessible::Name), QStringLiteral("Gain"));
    EXPECT_EQ(a.iface->text(QAccessible::Value), QStringLiteral("-6.0 dB"));
    EXPECT_EQ(a.value->currentValue().toDouble(), -6.04);
    EXPECT_EQ(a.value->minimumValue().toDouble(), -60);
    EXPECT_EQ(a.value->maximumValue().toDouble(), 15);
    EXPECT_TRUE(a.actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
    EXPECT_TRUE(a.actions->actionNames().contains(QAccessibleActionInterface::decreaseAction()));

    // Steps are the keys' half dB, reported through the fader's own signal; the owner
    // sets the gain back.
    fader.setDB(3.25);
    a.increase();
    ASSERT_EQ(edits.size(), 1);
    EXPECT_EQ(last(edits), 3.75);
    a.decrease();
    EXPECT_EQ(last(edits), 2.75);
    EXPECT_EQ(fader.db(), 3.25);  // nothing changes until the owner says so

    // At the top the increase has nothing to report; the decrease still steps down.
    fader.setDB(15);
    const qsizetype steps = edits.size();
    a.increase();
    EXPECT_EQ(edits.size(), steps);
    a.decrease();
    EXPECT_EQ(last(edits), 14.5);

    a.value->setCurrentValue(-6.04);
    EXPECT_DOUBLE_EQ(last(edits), -6.0);
    fader.setDB(-6.0);
    a.value->setCurrentValue(40);
    EXPECT_EQ(last(edits), 15);
    fader.setDB(15);
    const qsizetype before = edits.size();
    a.value->setCurrentValue(40);  // where it already is: no change
    EXPECT_EQ(edits.size(), before);
    a.value->setCurrentValue(QStringLiteral("loud"));
    EXPECT_EQ(edits.size(), before);
}

TEST(ControlAccessibility, TheKnobIsOneDialNamedByItsCaption) {
    KnobField field(QStringLiteral("Freq"), {20, 20000, true, 1}, false, 1000.0, QStringLiteral("%.0f"),
                    QStringLiteral("Hz"), Palette::inputBlue(), 80);
    QSignalSpy commits(&field, &KnobField::committed);
    field.setValue(1000);
    const Element a(field.encoder());
    ASSERT_TRUE(a.complete());
    EXPECT_EQ(a.iface->role(), QAccessible::Dial);
    EXPECT_EQ(a.iface->childCount(), 0);
    EXPECT_EQ(a.iface->text(QAccessible::Name), QStringLiteral("Freq"));
    EXPECT_EQ(a.iface->text(QAccessible::Value), QStringLiteral("1000"));
    EXPECT_EQ(a.value->currentValue().toDouble(), 1000);
    EXPECT_EQ(a.value->minimumValue().toDouble(), 20);
    EXPECT_EQ(a.value->maximumValue().toDouble(), 20000);
    EXPECT_EQ(a.value->minimumStepSize().toDouble(), 1);

    // A hundredth of the logarithmic travel either way, rounded to the step.
    a.increase();
    ASSERT_EQ(commits.size(), 1);
    EXPECT_EQ(last(commits), 1072);
    a.decrease();
    EXPECT_EQ(last(commits), 933);
    a.value->setCurrentValue(1234.6);
    EXPECT_EQ(last(commits), 1235);
    a.value->setCurrentValue(5);
    EXPECT_EQ(last(commits), 20);
}
