#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "editor/EditorKit.h"
#include "pages/ControlCodesView.h"
#include "pages/PageTesting.h"
#include "support/AccessibleRoles.h"
#include "support/LinkRig.h"
#include "support/ScriptedDialogs.h"
#include "support/WidgetTesting.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/Theme.h"

using namespace pagetest;
using Control = CentralControl::Control;
using Kind = CentralControl::Kind;
using Side = CentralControl::Side;

namespace {

struct CodesPage {
    kestrel_test::ScriptedDialogs dialogs;
    ControlCodesView view{dialogs};

    CodesPage() {
        view.resize(720, 560);
        view.show();
    }
    void chooseKind(Kind kind) { view.kindPicker()->segment(kind == Kind::read ? 0 : 1)->click(); }
    void choose(QComboBox* picker, int data) {
        const int index = picker->findData(data);
        ASSERT_GE(index, 0) << data;
        picker->setCurrentIndex(index);
        Q_EMIT picker->activated(index);
    }
    void chooseControl(Control control) { choose(view.controlPicker(), int(control)); }
    QStringList items(QComboBox* picker) {
        QStringList texts;
        for (int i = 0; i < picker->count(); ++i) texts.append(picker->itemText(i));
        return texts;
    }
    QList<QWidget*> shownRows() {
        QList<QWidget*> shown;
        for (QWidget* row :
             {(QWidget*)view.sidePicker(), (QWidget*)view.channelPicker(), (QWidget*)view.sceneStepper(),
              (QWidget*)view.inputChannelStepper(), (QWidget*)view.outputChannelStepper(),
              (QWidget*)view.mutedToggle(), (QWidget*)view.onToggle(), (QWidget*)view.gainField(),
              (QWidget*)view.modePicker(), (QWidget*)view.directionPicker(), (QWidget*)view.stepStepper()})
            if (view.isRowShown(row)) shown.append(row);
        return shown;
    }
};

}  // namespace

TEST(ControlCodesViewTest, ANewPageReadsTheSceneAndEachKindOffersItsControls) {
    CodesPage page;
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 63 02 00 EE"));
    EXPECT_TRUE(page.shownRows().isEmpty());
    EXPECT_EQ(page.items(page.view.controlPicker()),
              (QStringList{"Scene", "Mute", "Gain", "Matrix Mixer", "All Channel Mute", "All Channel Gain",
                           "Input Mode"}));
    page.chooseKind(Kind::set);
    EXPECT_EQ(page.items(page.view.controlPicker()),
              (QStringList{"Scene", "Mute", "Gain", "Matrix Mixer", "Input Mode", "Increase/Decrease"}));
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 36 02 01 01 EE"));
    EXPECT_EQ(page.shownRows(), QList<QWidget*>{page.view.sceneStepper()});
    page.view.sceneStepper()->plusButton()->click();
    EXPECT_EQ(page.view.sceneStepper()->label()->text(), QStringLiteral("Scene 2"));
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 36 02 01 02 EE"));

    page.chooseControl(Control::step);
    EXPECT_EQ(page.shownRows(), (QList<QWidget*>{page.view.sidePicker(), page.view.channelPicker(),
                                                 page.view.directionPicker(), page.view.stepStepper()}));
    // A choice offered only under Set still shows whole in the picker first shown under Read.
    QComboBox* picker = page.view.controlPicker();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStyleOptionComboBox face;
    face.initFrom(picker);
    face.currentText = picker->currentText();
    const QSize text(picker->fontMetrics().horizontalAdvance(face.currentText),
                     picker->fontMetrics().height());
    EXPECT_GE(picker->width(),
              picker->style()->sizeFromContents(QStyle::CT_ComboBox, &face, text, picker).width());
    EXPECT_EQ(page.view.sidePicker()->currentText(), QStringLiteral("Output"));
    EXPECT_EQ(page.view.channelPicker()->currentText(), QStringLiteral("1"));
    EXPECT_EQ(page.view.directionPicker()->current(), QStringLiteral("Increase"));
    EXPECT_EQ(page.view.stepStepper()->label()->text(), QStringLiteral("Step 1"));
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 36 05 04 02 01 00 01 EE"));

    // Back under Read the step control is kept though not offered, with its rows.
    page.chooseKind(Kind::read);
    EXPECT_EQ(page.view.request().control, Control::step);
    EXPECT_EQ(page.view.controlPicker()->currentIndex(), -1);
    EXPECT_TRUE(page.view.isRowShown(page.view.stepStepper()));
}

TEST(ControlCodesViewTest, GainAndChannelRules) {
    CodesPage page;
    page.chooseKind(Kind::set);
    page.chooseControl(Control::gain);
    EXPECT_EQ(page.items(page.view.channelPicker()),
              (QStringList{"All", "1", "2", "3", "4", "5", "6", "7", "8"}));
    page.choose(page.view.channelPicker(), 0);
    QLineEdit* gain = page.view.gainField()->lineEdit();
    typeInto(gain, QStringLiteral("-6"));
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 36 04 04 02 00 C4 FF EE"));
    struct Typed {
        const char* text;
        double stored;
    };
    for (const Typed& t :
         {Typed{"20", 15}, Typed{"-80", -60}, Typed{"-60", -60}, Typed{"15", 15}, Typed{"2,5", 2.5}}) {
        typeInto(gain, QString::fromLatin1(t.text));
        EXPECT_EQ(page.view.request().gainDB, t.stored) << t.text;
    }
    typeInto(gain, QStringLiteral("nan"));
    EXPECT_EQ(page.view.request().gainDB, 2.5);
    EXPECT_EQ(gain->text(), QStringLiteral("2.5"));

    page.chooseKind(Kind::read);
    EXPECT_EQ(page.items(page.view.channelPicker()), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(page.view.channelPicker()->currentIndex(), -1);  // "All" is kept but not offered
    page.choose(page.view.channelPicker(), 6);
    page.choose(page.view.sidePicker(), int(Side::input));
    EXPECT_EQ(page.view.request().channel, 4);
    EXPECT_EQ(page.items(page.view.channelPicker()), (QStringList{"1", "2", "3", "4"}));
    page.choose(page.view.sidePicker(), int(Side::output));
    EXPECT_EQ(page.view.request().channel, 4);

    page.chooseKind(Kind::set);
    page.choose(page.view.channelPicker(), 0);
    page.choose(page.view.sidePicker(), int(Side::input));
    EXPECT_EQ(page.view.request().channel, 0);

    page.chooseControl(Control::matrix);
    EXPECT_EQ(page.shownRows(), (QList<QWidget*>{page.view.inputChannelStepper(),
                                                 page.view.outputChannelStepper(), page.view.onToggle()}));
    page.view.inputChannelStepper()->plusButton()->click();  // from the kept 0 into the range
    EXPECT_EQ(page.view.request().channel, 1);
    page.view.onToggle()->click();
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 36 09 03 01 01 00 EE"));
}

TEST(ControlCodesViewTest, CopyPutsTheCodeOnThePasteboardAndTheLabelReturns) {
    Theme::apply(*qApp);
    CodesPage page;
    page.chooseKind(Kind::set);
    page.chooseControl(Control::mute);
    page.view.copyButton()->click();
    EXPECT_EQ(page.dialogs.clipboard, QStringLiteral("A5 C3 3C 5A FF 36 03 03 02 01 01 EE"));
    EXPECT_EQ(page.view.copyButton()->text(), QStringLiteral("Copied"));
    turn();
    kestrel_test::saveScreenshot(page.view, QStringLiteral("pages_codes"));

    page.view.mutedToggle()->click();
    EXPECT_EQ(page.view.codeLabel()->text(), QStringLiteral("A5 C3 3C 5A FF 36 03 03 02 01 00 EE"));
    EXPECT_EQ(page.dialogs.clipboard, QStringLiteral("A5 C3 3C 5A FF 36 03 03 02 01 01 EE"));
    EXPECT_EQ(page.view.copyButton()->text(), QStringLiteral("Copied"));
    ASSERT_TRUE(kestrel_test::spinUntil([&] { return !page.view.copied(); }));
    EXPECT_EQ(page.view.copyButton()->text(), QStringLiteral("Copy"));
}

// The "Gain" row lines up with the rows above it: its caption in the captions' column and its
// field where the pickers' fields start.
TEST(ControlCodesViewTest, TheGainRowLinesUpWithTheOtherRows) {
    Theme::apply(*qApp);
    CodesPage page;
    page.chooseKind(Kind::set);
    page.chooseControl(Control::gain);
    turn();
    ASSERT_TRUE(page.view.gainField()->isVisible());
    kestrel_test::saveScreenshot(page.view, QStringLiteral("pages_codes_gain"));
    const auto leftIn = [&](QWidget* widget) { return widget->mapTo(&page.view, QPoint()).x(); };
    const auto captionOf = [&](const QString& text) -> QLabel* {
        for (QLabel* label : page.view.findChildren<QLabel*>())
            if (label->text() == text && label->isVisible()) return label;
        return nullptr;
    };
    QLabel* gain = captionOf(QStringLiteral("Gain"));
    QLabel* channel = captionOf(QStringLiteral("Channel"));
    ASSERT_TRUE(gain && channel);
    EXPECT_NEAR(leftIn(gain), leftIn(channel), 1);
    EXPECT_EQ(gain->palette().color(QPalette::WindowText), channel->palette().color(QPalette::WindowText));
    EXPECT_NEAR(leftIn(page.view.gainField()->lineEdit()), leftIn(page.view.channelPicker()), 1);
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(page.view.gainField()->lineEdit())->text(QAccessible::Name),
        QStringLiteral("Gain"));
}

// Every choice of the control, from every other of the same kind, leaves each part of the page
// that stays shown where it was: the pickers, the kind's segments, the code and its button.
TEST(ControlCodesViewTest, ChoosingAControlMovesNothingThatStaysShown) {
    Theme::apply(*qApp);
    CodesPage page;
    ControlCodesView& view = page.view;
    const QList<QWidget*> parts{view.kindPicker(),
                                view.controlPicker(),
                                view.sidePicker(),
                                view.channelPicker(),
                                view.sceneStepper(),
                                view.inputChannelStepper(),
                                view.outputChannelStepper(),
                                view.mutedToggle(),
                                view.onToggle(),
                                view.gainField(),
                                view.modePicker(),
                                view.directionPicker(),
                                view.stepStepper(),
                                view.codeLabel(),
                                view.copyButton()};
    // Where each part shown sits once `control` is chosen.
    const auto placesWith = [&](Control control) {
        page.chooseControl(control);
        turn();
        QHash<QWidget*, QPoint> shown;
        for (QWidget* part : parts)
            if (part->isVisible()) shown.insert(part, part->mapTo(&view, QPoint()));
        return shown;
    };
    for (Kind kind : {Kind::read, Kind::set}) {
        page.chooseKind(kind);
        for (Control from : ControlCodesView::controlChoices(kind)) {
            for (Control to : ControlCodesView::controlChoices(kind)) {
                const QHash<QWidget*, QPoint> before = placesWith(from), after = placesWith(to);
                for (auto it = after.cbegin(); it != after.cend(); ++it) {
                    const QPoint moved = it.value() - before.value(it.key(), it.value());
                    EXPECT_TRUE(std::abs(moved.x()) <= 1 && std::abs(moved.y()) <= 1)
                        << CentralControl::rawValue(from).toStdString() << " to "
                        << CentralControl::rawValue(to).toStdString() << ": "
                        << kestrel_test::describeControl(it.key()).toStdString();
                }
            }
        }
    }
}
