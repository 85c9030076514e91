// The band editor: every edit is clamped, encoded and written whole, and selects its band.
#include <QAccessible>
#include <QCheckBox>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>

#include "EditorRig.h"
#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "link/ParamMap.h"
#include "support/WidgetTesting.h"
#include "ui/controls/Encoder.h"

using namespace editorrig;
using Words = DSPModel::Words;

namespace {

class BandColumnsTest : public ::testing::Test {
protected:
    Rig rig;

    void setBand(int ch, int b, Words words) {
        rig.model.write(ParamMap::eqBandParam(ch, b), words, std::nullopt, false);
    }
    Words band(int ch, int b) { return rig.model.words(ParamMap::eqBandParam(ch, b), 4); }
    void chooseType(BandColumn* column, EQBandType type) {
        column->typeButton()->menu()->actions()[type.rawValue()]->trigger();
    }
};

}  // namespace

TEST_F(BandColumnsTest, TypesAndTypedValuesAreClampedWrittenWholeAndShown) {
    BandColumns editor(rig.model, 1);
    QSignalSpy selected(&editor, &BandColumns::selectedChanged);
    BandColumn* column = editor.column(0);
    // Choosing a shelf resets Q; other types keep it.
    setBand(1, 2, {1000, bits(2), bits(4), 0});
    chooseType(editor.column(2), EQBandType::lowShelf);
    EXPECT_EQ(band(1, 2), (Words{1000, bits(2), bits(1), 1}));
    setBand(1, 2, {1000, bits(2), bits(0.7f), 2});
    chooseType(editor.column(2), EQBandType::peak);
    EXPECT_EQ(band(1, 2), (Words{1000, bits(2), bits(0.7f), 0}));

    // A band the model did not hold is written complete, and shown as stored.
    enter(editor.column(3)->gainField(), QStringLiteral("3,14"));
    EXPECT_EQ(single(band(1, 3)[1]), std::round(3.14f / 0.1f) * 0.1f);
    EXPECT_EQ(band(1, 3)[0], 20u);
    EXPECT_EQ(single(band(1, 3)[2]), 0.25f);
    editor.refresh();
    EXPECT_EQ(editor.column(3)->gainField()->lineEdit()->text(), QStringLiteral("+3.1"));

    // Limits of the device and of the type.
    setBand(1, 0, {1000, bits(0), bits(1), quint32(EQBandType::allpass)});
    enter(column->freqField(), QStringLiteral("25000"));
    EXPECT_EQ(band(1, 0)[0], 22000u);
    enter(column->qField(), QStringLiteral("200"));
    EXPECT_EQ(single(band(1, 0)[2]), 179.0f);
    chooseType(column, EQBandType::peak);
    enter(column->qField(), QStringLiteral("200"));
    EXPECT_EQ(single(band(1, 0)[2]), 128.0f);
    chooseType(column, EQBandType::highShelf);
    enter(column->qField(), QStringLiteral("200"));
    EXPECT_EQ(single(band(1, 0)[2]), 1.0f);
    enter(column->gainField(), QStringLiteral("-20"));
    EXPECT_EQ(single(band(1, 0)[1]), -15.0f);
    // Not a number: nothing is written.
    const Words before = band(1, 0);
    enter(column->gainField(), QStringLiteral("nan"));
    EXPECT_EQ(band(1, 0), before);

    // Any edit selects its band.
    selected.clear();
    enter(editor.column(7)->freqField(), QStringLiteral("440"));
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].at(0).toInt(), 7);
    EXPECT_TRUE(editor.column(7)->isSelected());
    EXPECT_FALSE(column->isSelected());
}

TEST_F(BandColumnsTest, SwitchingOffKeepsTheValuesAndOnlyTheGainKnobHasADefault) {
    BandColumns editor(rig.model, 4);
    setBand(4, 0, {500, bits(6), bits(3), 0});
    setBand(4, 1, {250, bits(-4), bits(2), 0});
    editor.refresh();
    editor.column(1)->onToggle()->click();
    EXPECT_EQ(band(4, 1), (Words{250, bits(-4), bits(2), 0x100}));
    editor.refresh();
    EXPECT_DOUBLE_EQ(editor.column(1)->shownOpacity(), 0.55);
    EXPECT_EQ(editor.column(1)->onToggle()->toolTip(), QStringLiteral("Band off"));
    EXPECT_DOUBLE_EQ(editor.column(0)->shownOpacity(), 1.0);

    BandColumn* column = editor.column(0);
    column->resize(column->sizeHint());
    for (Encoder* knob : {column->freqKnob(), column->qKnob(), column->gainKnob()})
        kestrel_test::doubleClick(*knob, QPointF(knob->width() / 2.0, knob->height() / 2.0));
    EXPECT_EQ(band(4, 0), (Words{500, bits(0), bits(3), 0}));
}

TEST_F(BandColumnsTest, ScrollsOnlyWhenTheColumnsDoNotFitWithRoomForTheBarBelowTheFields) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* editor = new BandColumns(rig.model, 0);
    layout->addWidget(editor);
    layout->addStretch(1);
    window.resize(1400, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();
    const QScrollBar* bar = editor->scrollArea()->horizontalScrollBar();
    const int rowHeight = editor->scrollArea()->widget()->sizeHint().height();
    const QWidget* q = editor->column(0)->qField();
    // Wide from the first frame: no bar, and no room kept for one.
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(editor->height(), rowHeight);
    EXPECT_GT(editor->column(0)->width(), 46);
    // Narrowed after a redraw while wide: the row scrolls, and the bar lies below
    // the Q fields, not over them.
    editor->setSelected(1);
    window.resize(400, 400);
    settle();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_LE(q->mapTo(editor, QPoint(0, q->height())).y(), bar->mapTo(editor, QPoint(0, 0)).y());
    window.resize(1400, 400);
    settle();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(editor->height(), rowHeight);
}

// A band knob's help says how to turn it, like every knob's; what it sets is its name, also
// for the Q knob that a new band type rebuilds with a new range.
TEST_F(BandColumnsTest, KnobsKeepTheKnobsHelpAndAreNamedByBandAndQuantity) {
    BandColumns editor(rig.model, 1);
    setBand(1, 1, {1000, bits(0), bits(1), 0});
    editor.refresh();
    BandColumn* column = editor.column(1);
    Encoder* firstQ = column->qKnob();
    chooseType(column, EQBandType::allpass);
    editor.refresh();
    ASSERT_NE(column->qKnob(), firstQ);
    const QList<std::pair<Encoder*, QString>> knobs{
        {column->freqKnob(), QStringLiteral("Band 2 frequency, Hz")},
        {column->gainKnob(), QStringLiteral("Band 2 gain, dB")},
        {column->qKnob(), QStringLiteral("Band 2 Q")}};
    for (const auto& [knob, name] : knobs) {
        EXPECT_EQ(knob->toolTip(), Encoder::helpText()) << name.toStdString();
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(knob);
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(element->text(QAccessible::Name), name);
    }
    EXPECT_EQ(column->freqField()->toolTip(), QStringLiteral("Band 2 frequency, Hz"));
}
