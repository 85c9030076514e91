// High-pass, low-pass and delay: clamped writes, the shared display unit and the two arrangements.
#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QPushButton>

#include "EditorRig.h"
#include "editor/EditorKit.h"
#include "editor/FiltersDelayPanel.h"
#include "support/WidgetTesting.h"

using namespace editorrig;
using Words = DSPModel::Words;

namespace {

class FiltersDelayPanelTest : public ::testing::Test {
protected:
    Rig rig;
    Words delay(int ch) { return rig.model.words(330 + ch, 2); }
    float delayMs(int ch) { return single(delay(ch)[0]); }
};

}  // namespace

TEST_F(FiltersDelayPanelTest, DelayIsShownAndTypedInTheChosenUnit) {
    FiltersDelayPanel panel(rig.model, rig.settings, 0);
    rig.model.write(330, {bits(10), 0}, std::nullopt, false);
    rig.settings.setValue(FiltersDelayPanel::unitKey, QStringLiteral("ft"));
    panel.refresh();
    EXPECT_EQ(panel.delayField()->lineEdit()->text(), QStringLiteral("11.250"));
    enter(panel.delayField(), QStringLiteral("11.25"));
    EXPECT_EQ(delayMs(0), 10.0f);
    panel.unitPicker()->segment(2)->click();
    EXPECT_EQ(rig.settings.text(FiltersDelayPanel::unitKey), QStringLiteral("m"));
    EXPECT_EQ(panel.delayField()->lineEdit()->text(), QStringLiteral("3.430"));
}

// The delay field is 52 wide in every unit, and the widest value of each shows whole in it.
TEST_F(FiltersDelayPanelTest, TheDelayFieldIs52WideAndShowsItsWidestValueWhole) {
    FiltersDelayPanel panel(rig.model, rig.settings, 4);
    panel.show();
    for (const QString& unit : {QStringLiteral("ms"), QStringLiteral("ft"), QStringLiteral("m")}) {
        rig.settings.setValue(FiltersDelayPanel::unitKey, unit);
        panel.refresh();
        settle();
        QLineEdit* field = panel.delayField()->lineEdit();
        EXPECT_NEAR(field->width(), 52, 1) << unit.toStdString();
        rig.model.write(334, {bits(2000), 0}, std::nullopt, false);
        panel.refresh();
        settle();
        // Scrolled to its end, a text too wide would start left of the field's edge.
        EXPECT_EQ(field->cursorPosition(), field->text().size());
        EXPECT_EQ(field->cursorPositionAt(QPoint(4, field->height() / 2)), 0) << field->text().toStdString();
        kestrel_test::saveScreenshot(panel, QStringLiteral("delay_field_") + unit);
    }
}

TEST_F(FiltersDelayPanelTest, DelayIsStoredInHundredthsFromZeroTo2000AndOffKeepsItsTime) {
    FiltersDelayPanel panel(rig.model, rig.settings, 5);
    const QList<std::pair<QString, float>> cases{
        {QStringLiteral("1.234"), std::round(1.234f / 0.01f) * 0.01f},
        {QStringLiteral("-3"), 0.0f},
        {QStringLiteral("12.5"), 12.5f},
        {QStringLiteral("2500"), 2000.0f}};
    for (const auto& [typed, stored] : cases) {
        enter(panel.delayField(), typed);
        EXPECT_EQ(delayMs(5), stored) << typed.toStdString();
    }
    panel.refresh();
    EXPECT_EQ(panel.delayField()->lineEdit()->text(), QStringLiteral("2000.00"));

    rig.model.write(335, {bits(12.5f), 0}, std::nullopt, false);
    panel.refresh();
    ASSERT_TRUE(panel.delayToggle()->isChecked());
    panel.delayToggle()->click();
    EXPECT_EQ(delay(5), (Words{bits(12.5f), 1}));
}

TEST_F(FiltersDelayPanelTest, FiltersAreClampedKeepTheirWordsWhenOffAndRewriteUnknownSlopes) {
    FiltersDelayPanel panel(rig.model, rig.settings, 2);
    enter(panel.highPass().field, QStringLiteral("5"));
    EXPECT_EQ(rig.model.words(156, 2)[0], 20u);
    enter(panel.highPass().field, QStringLiteral("30000"));
    EXPECT_EQ(rig.model.words(156, 2)[0], 22000u);

    rig.model.write(168, {8000, quint32(FilterSlope::lr24)}, std::nullopt, false);
    panel.refresh();
    EXPECT_FALSE(panel.lowPass().dim->isEnabled());
    panel.lowPass().toggle->click();
    EXPECT_EQ(rig.model.words(168, 2), (Words{8000, quint32(FilterSlope::lr24) | 0x100}));
    panel.refresh();
    EXPECT_TRUE(panel.lowPass().dim->isEnabled());
    EXPECT_DOUBLE_EQ(panel.lowPass().dim->opacity(), 0.6);

    // An unknown slope shows, and is written back, as BW12.
    rig.model.write(156, {80, 0x33}, std::nullopt, false);
    panel.refresh();
    EXPECT_EQ(panel.highPass().slope->currentText(), QStringLiteral("BW12"));
    enter(panel.highPass().field, QStringLiteral("90"));
    EXPECT_EQ(rig.model.words(156, 2), (Words{90, quint32(FilterSlope::bw12)}));
    panel.highPass().slope->setCurrentIndex(FilterSlope::lr48);  // as a pick in its list does
    EXPECT_EQ(rig.model.words(156, 2), (Words{90, quint32(FilterSlope::lr48)}));
}

TEST_F(FiltersDelayPanelTest, TheUnitIsSharedByEveryChannelsPanel) {
    FiltersDelayPanel first(rig.model, rig.settings, 0);
    FiltersDelayPanel second(rig.model, rig.settings, 7);
    rig.model.write(337, {bits(10), 0}, std::nullopt, false);
    second.refresh();
    first.unitPicker()->segment(1)->click();
    EXPECT_EQ(second.unit(), QStringLiteral("ft"));
    EXPECT_EQ(second.delayField()->lineEdit()->text(), QStringLiteral("11.250"));
    EXPECT_TRUE(second.unitPicker()->segment(1)->isChecked());
    // Kept for the next run.
    Settings reopened(rig.dir.filePath(QStringLiteral("settings.ini")));
    EXPECT_EQ(reopened.text(FiltersDelayPanel::unitKey), QStringLiteral("ft"));
}

TEST_F(FiltersDelayPanelTest, ANarrowPanelStacksTogglesAboveControls) {
    FiltersDelayPanel panel(rig.model, rig.settings, 0);
    panel.resize(1400, 80);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    EXPECT_FALSE(panel.compact());
    panel.resize(500, 140);
    settle();
    EXPECT_TRUE(panel.compact());
    const QList<QFrame*> lines = panel.findChildren<QFrame*>();
    ASSERT_FALSE(lines.isEmpty());
    int separators = 0;
    for (QFrame* line : lines) {
        if (line->frameShape() != QFrame::VLine) continue;
        ++separators;
        EXPECT_EQ(line->height(), 52);
    }
    EXPECT_EQ(separators, 2);
}
