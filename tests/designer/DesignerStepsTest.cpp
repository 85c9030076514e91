// The designer's panels driven by clicks and typing: what they show and which setter each
// control reaches. Screenshots of the page at each step are written for review.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

#include "DesignerTesting.h"
#include "designer/DesignerSteps.h"
#include "support/WidgetTesting.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Theme.h"

using designertest::measurementText;
using designertest::Page;

namespace {

template <typename Step>
Step& step(FIRDesignerView& view) {
    Step* found = view.findChild<Step*>();
    EXPECT_NE(found, nullptr);
    return *found;
}

// Types into a field and presses Return, as the user does.
void type(CompactNumberField* field, const QString& text) {
    field->lineEdit()->setFocus();
    field->lineEdit()->selectAll();
    QTest::keyClicks(field->lineEdit(), text);
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    Page::settle();
}

// Clicks near the left end, where a check box has its box and label.
void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(std::min(8, button->width() / 2), button->height() / 2));
    Page::settle();
}

void choose(QComboBox* picker, const QString& entry) {
    const int index = picker->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    picker->setCurrentIndex(index);
    Q_EMIT picker->activated(index);
    Page::settle();
}

// The page as shown, and its left pane's whole content, so every panel is in a picture.
void screenshot(FIRDesignerView& view, const QString& name) {
    Page::settle();
    kestrel_test::saveScreenshot(view, name);
    QWidget* steps = view.findChild<QScrollArea*>(QStringLiteral("leftPane"))->widget();
    kestrel_test::saveScreenshot(*steps, name + QStringLiteral("-steps"));
}

}  // namespace

class DesignerSteps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Theme::apply(*qApp); }
    Page page;
};

TEST_F(DesignerSteps, DefaultPageShowsTheDefaults) {
    FIRDesignerView& view = page.open();
    screenshot(view, QStringLiteral("designer-1-default"));
    ImportStep& import = step<ImportStep>(view);
    EXPECT_EQ(import.summary->text(), QStringLiteral("No measurement loaded"));
    EXPECT_EQ(import.summary->palette().color(QPalette::WindowText), Theme::secondaryText());
    EXPECT_FALSE(import.clearButton->isEnabled());
    EXPECT_EQ(import.offsetValue->text(), QStringLiteral("+0 dB"));

    TargetStep& target = step<TargetStep>(view);
    EXPECT_FALSE(target.hpOn->isChecked());
    EXPECT_EQ(target.hpSlope->currentText(), QStringLiteral("BW12"));
    EXPECT_EQ(target.hpHz->lineEdit()->text(), QStringLiteral("20"));
    EXPECT_EQ(target.lpSlope->currentText(), QStringLiteral("BW12"));
    EXPECT_EQ(target.lpHz->lineEdit()->text(), QStringLiteral("22000"));
    ASSERT_EQ(target.bands.size(), 15);
    for (int i = 0; i < 15; ++i) {
        BandRow* row = target.bands[i];
        EXPECT_EQ(row->on->text(), QString::number(i + 1));
        EXPECT_FALSE(row->on->isChecked());
        EXPECT_DOUBLE_EQ(row->opacity(), 0.6);
        EXPECT_EQ(row->type->currentText(), QStringLiteral("PEQ"));
        EXPECT_EQ(row->q->lineEdit()->text(), QStringLiteral("4.32"));
        EXPECT_EQ(row->db->lineEdit()->text(), QStringLiteral("+0.0"));
    }

    CorrectionStep& correction = step<CorrectionStep>(view);
    EXPECT_FALSE(correction.warning->isVisible());
    EXPECT_FALSE(correction.phaseOn->isEnabled());
    GenerateStep& generate = step<GenerateStep>(view);
    EXPECT_EQ(generate.latency->text(), QStringLiteral("Latency 5.33 ms at 48 kHz · works above ≈ 281 Hz"));
    EXPECT_TRUE(generate.taps512->isChecked());
    EXPECT_FALSE(generate.taps256->isChecked());
    EXPECT_EQ(generate.name->text(), QStringLiteral("Default 1"));
    EXPECT_FALSE(generate.undoButton->isEnabled());
    EXPECT_FALSE(generate.status->isVisible());

    // Section titles: the first three bold, the fourth regular.
    QStringList bold;
    for (QLabel* label : view.findChildren<QLabel*>())
        if (!label->isHidden() && label->text().contains(QStringLiteral(" · ")) && label->font().bold())
            bold.append(label->text());
    EXPECT_EQ(bold, (QStringList{QStringLiteral("1 · Import measurement"),
                                 QStringLiteral("2 · Target (FIR-EQ)"), QStringLiteral("3 · Correction")}));
    auto* leftPane = view.findChild<QScrollArea*>(QStringLiteral("leftPane"));
    EXPECT_GE(leftPane->width(), 340);
    EXPECT_LE(leftPane->width(), 440);
}

TEST_F(DesignerSteps, TargetControlsReachTheirSetters) {
    FIRDesignerView& view = page.open();
    TargetStep& target = step<TargetStep>(view);

    click(target.bands[2]->on);
    EXPECT_TRUE(view.settings().bands[2].on);
    EXPECT_DOUBLE_EQ(target.bands[2]->opacity(), 1.0);
    choose(target.lpSlope, QStringLiteral("LR24"));
    EXPECT_EQ(view.settings().lpSlope, 13);
    choose(target.bands[2]->type, QStringLiteral("High shelf"));
    EXPECT_EQ(view.settings().bands[2].type, 2);
    type(target.bands[2]->q, QStringLiteral("2,5"));
    EXPECT_EQ(view.settings().bands[2].q, 2.5);
    type(target.bands[2]->db, QStringLiteral("-20"));
    EXPECT_EQ(view.settings().bands[2].db, -15);
    EXPECT_EQ(target.bands[2]->db->lineEdit()->text(), QStringLiteral("-15.0"));
    type(target.bands[2]->hz, QStringLiteral("99.6"));
    EXPECT_EQ(target.bands[2]->hz->lineEdit()->text(), QStringLiteral("100"));
    type(target.hpHz, QStringLiteral("5"));
    EXPECT_EQ(view.settings().hpHz, 20);
    click(target.hpOn);
    click(target.bypass);
    EXPECT_TRUE(view.settings().hpOn);
    EXPECT_TRUE(view.settings().eqBypass);
    EXPECT_EQ(view.history().size(), 9);

    // Text that is no number commits nothing.
    type(target.bands[0]->q, QStringLiteral("abc"));
    EXPECT_EQ(view.history().size(), 9);
    EXPECT_EQ(target.bands[0]->q->lineEdit()->text(), QStringLiteral("4.32"));
    screenshot(view, QStringLiteral("designer-2-target"));

    click(target.reset);
    EXPECT_FALSE(view.settings().hpOn);
    EXPECT_FALSE(target.bands[2]->on->isChecked());
    EXPECT_EQ(target.lpSlope->currentText(), QStringLiteral("LR24"));
    EXPECT_TRUE(target.bypass->isChecked());
}

// Scrolling the left pane past the offset slider or a menu once redesigned the filter that
// Send uploads, without an undo entry; so did the wheel over a menu just picked from.
TEST_F(DesignerSteps, TheWheelScrollsTheLeftPaneOverItsControlsFocusedOrNot) {
    FIRDesignerView& view = page.open();
    view.resize(1200, 480);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    Page::settle();
    QScrollBar* bar = view.findChild<QScrollArea*>(QStringLiteral("leftPane"))->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ImportStep& import = step<ImportStep>(view);
    TargetStep& target = step<TargetStep>(view);
    const FIRDesignerSettings before = view.settings();
    for (QWidget* control : {static_cast<QWidget*>(import.offset), static_cast<QWidget*>(target.hpSlope),
                             static_cast<QWidget*>(target.bands[0]->type)}) {
        const int scrolled = bar->value();
        kestrel_test::wheelNotch(*control, -1);
        Page::settle();
        EXPECT_GT(bar->value(), scrolled) << control->metaObject()->className();
        EXPECT_FALSE(control->hasFocus()) << "the wheel does not hand out the focus";
    }
    EXPECT_EQ(view.settings(), before);
    EXPECT_TRUE(view.history().isEmpty());

    // A menu the user has clicked into keeps the focus, and the wheel still scrolls the pane.
    target.lpSlope->setFocus(Qt::MouseFocusReason);
    const int scrolled = bar->value();
    kestrel_test::wheelNotch(*target.lpSlope, -1);
    Page::settle();
    EXPECT_GT(bar->value(), scrolled);
    EXPECT_EQ(view.settings(), before);
    EXPECT_TRUE(view.history().isEmpty());
}

TEST_F(DesignerSteps, CorrectionWarnsBelowTheWorkingLimit) {
    FIRDesignerView& view = page.open();
    CorrectionStep& correction = step<CorrectionStep>(view);
    const QString warning512 = QStringLiteral(
        "With 512 taps the FIR only works above about 281 Hz. Correction below that will be weak.");
    click(correction.magOn);
    EXPECT_TRUE(correction.warning->isVisible());
    EXPECT_EQ(correction.warningText->text(), warning512);
    type(correction.magMin, QStringLiteral("281"));
    EXPECT_EQ(view.settings().magMin, 281);
    EXPECT_TRUE(correction.warning->isVisible());  // 281 < 281.25
    GenerateStep& generate = step<GenerateStep>(view);
    const auto laidOut = [] {
        for (int turn = 0; turn < 3; ++turn) Page::settle();  // the steps, their panels, the pane
    };
    laidOut();
    const int warned = correction.height();
    const int generateAt = generate.mapTo(&view, QPoint()).y();
    type(correction.magMin, QStringLiteral("282"));
    EXPECT_FALSE(correction.warning->isVisible());
    // The warning's line is kept while it is gone: nothing below it moves.
    laidOut();
    EXPECT_EQ(correction.height(), warned);
    EXPECT_EQ(generate.mapTo(&view, QPoint()).y(), generateAt);

    click(generate.taps256);
    EXPECT_EQ(view.settings().taps, 256);
    EXPECT_TRUE(correction.warning->isVisible());
    EXPECT_EQ(generate.latency->text(), QStringLiteral("Latency 2.67 ms at 48 kHz · works above ≈ 562 Hz"));

    type(correction.maxBoost, QStringLiteral("30"));
    EXPECT_EQ(view.settings().maxBoostDB, 24);
    type(correction.phaseMax, QStringLiteral("30000"));
    EXPECT_EQ(view.settings().phaseMax, 22000);
    screenshot(view, QStringLiteral("designer-3-correction"));
}

TEST_F(DesignerSteps, StoredSettingsShapeTheRowsAndPhaseNeedsPhaseOnMoreThanHalfThePoints) {
    // Four bands, one of a type the menu does not offer, and phase correction stored as on
    // without a measurement: disabled, ticked, and still counted by the warning.
    FIRDesignerSettings stored;
    stored.bands.resize(4);
    stored.bands[1].type = 7;
    stored.phaseOn = true;
    Settings::shared().setValue(FIRDesignerView::settingsKey, QJsonDocument(stored.toJson()).toJson());
    FIRDesignerView& view = page.open();
    CorrectionStep& correction = step<CorrectionStep>(view);
    EXPECT_FALSE(correction.phaseOn->isEnabled());
    EXPECT_TRUE(correction.phaseOn->isChecked());
    EXPECT_TRUE(correction.warning->isVisible());

    page.dialogs.clipboard = QString::fromLatin1(measurementText(20, 10));  // exactly half
    click(step<ImportStep>(view).pasteButton);
    EXPECT_FALSE(correction.phaseOn->isEnabled());
    page.dialogs.clipboard = QString::fromLatin1(measurementText(20, 11));
    click(step<ImportStep>(view).pasteButton);
    EXPECT_TRUE(correction.phaseOn->isEnabled());

    TargetStep& target = step<TargetStep>(view);
    ASSERT_EQ(target.bands.size(), 4);
    EXPECT_EQ(target.bands[1]->type->currentIndex(), -1);
    click(target.reset);
    EXPECT_EQ(target.bands.size(), 15);
    view.undo();
    Page::settle();
    EXPECT_EQ(target.bands.size(), 4);
}

TEST_F(DesignerSteps, ImportPanelShowsTheMeasurementAndTheOffset) {
    FIRDesignerView& view = page.open();
    ImportStep& import = step<ImportStep>(view);
    page.dialogs.fileAnswers.enqueue(
        page.writeFile(QStringLiteral("Left top.txt"), measurementText(480, 480, 6)));
    click(import.loadButton);
    EXPECT_EQ(import.summary->text(), QStringLiteral("Left top — 480 points, with phase"));
    EXPECT_EQ(import.summary->palette().color(QPalette::WindowText), Theme::primaryText());
    EXPECT_TRUE(import.clearButton->isEnabled());

    import.offset->setValue(-120);
    Page::settle();
    EXPECT_EQ(import.offsetValue->text(), QStringLiteral("-120 dB"));
    import.offset->setValue(30);
    Page::settle();
    EXPECT_EQ(import.offsetValue->text(), QStringLiteral("+30 dB"));
    import.offset->setValue(-8);
    click(import.normalise);
    EXPECT_TRUE(view.settings().normalise);
    EXPECT_EQ(view.history().size(), 1);
    QCheckBox* showPhase = view.findChild<QCheckBox*>(QStringLiteral("showPhase"));
    click(showPhase);
    EXPECT_TRUE(view.showPhase());
    screenshot(view, QStringLiteral("designer-4-measurement"));

    click(import.clearButton);
    EXPECT_EQ(import.summary->text(), QStringLiteral("No measurement loaded"));
}

TEST_F(DesignerSteps, GenerateNamesExportsAndUndoes) {
    FIRDesignerView& view = page.open();
    GenerateStep& generate = step<GenerateStep>(view);
    generate.name->setFocus();
    generate.name->selectAll();
    QTest::keyClicks(generate.name, QStringLiteral("A name that is far too long for the DSP"));
    Page::settle();
    EXPECT_EQ(view.settings().name, QStringLiteral("A name that is far too l"));
    EXPECT_EQ(generate.name->text(), view.settings().name);
    EXPECT_EQ(page.offline.model->designedFIR()->name, view.settings().name);
    EXPECT_FALSE(generate.undoButton->isEnabled());

    // A committed field makes one undo entry; undo takes it back.
    CorrectionStep& correction = step<CorrectionStep>(view);
    type(correction.magMin, QStringLiteral("20.4"));
    EXPECT_EQ(view.settings().magMin, 20.4);
    EXPECT_TRUE(generate.undoButton->isEnabled());
    click(generate.undoButton);
    EXPECT_EQ(view.settings().magMin, 20);
    EXPECT_FALSE(generate.undoButton->isEnabled());

    const QString path = page.dir.filePath(QStringLiteral("out.txt"));
    page.dialogs.fileAnswers.enqueue(path);
    click(generate.exportButton);
    EXPECT_TRUE(generate.status->isVisible());
    EXPECT_EQ(generate.status->text(), QStringLiteral("Exported out.txt."));
    EXPECT_FALSE(generate.unusable->isVisible());
    screenshot(view, QStringLiteral("designer-5-generate"));
}

// Levels beyond any real measurement make the correction's arithmetic overflow: the
// design says so and offers neither export nor upload.
TEST_F(DesignerSteps, ADesignThatIsNoNumberIsNeitherExportedNorPublishedAsUsable) {
    FIRDesignerView& view = page.open();
    QByteArray huge = "* Freq(Hz) Magnitude(dB)\n";
    for (int i = 0; i < 12; ++i)
        huge += QByteArray::number(20 * (i + 1)) + (i % 2 ? "\t1e308\n" : "\t-1e308\n");
    page.dialogs.clipboard = QString::fromLatin1(huge);
    click(step<ImportStep>(view).pasteButton);
    click(step<CorrectionStep>(view).magOn);
    Page::settle();
    GenerateStep& generate = step<GenerateStep>(view);
    EXPECT_FALSE(view.designUsable());
    EXPECT_TRUE(generate.unusable->isVisible());
    EXPECT_EQ(generate.unusable->text(), FIRDesignerView::unusableDesignText);
    EXPECT_FALSE(generate.exportButton->isEnabled());
    view.exportCoefficients();  // not even by a direct call
    EXPECT_TRUE(page.dialogs.asked.isEmpty());

    click(step<CorrectionStep>(view).magOn);
    Page::settle();
    EXPECT_TRUE(view.designUsable());
    EXPECT_TRUE(generate.exportButton->isEnabled());
    EXPECT_FALSE(generate.unusable->isVisible());
}
