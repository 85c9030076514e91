// Tool tips as the user reads them in the window connected to a device: drawn in the
// theme's tool-tip colours, whatever style sheet the widget or its panel carries.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "editor/ChannelView.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsViews.h"
#include "shell/MainWindow.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/Page.h"
#include "ui/controls/Encoder.h"

using kestrel_test::WindowRig;

namespace {

// The tip the window system shows (Qt keeps a single tool-tip window).
QWidget* shownTip() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible()) return widget;
    return nullptr;
}

// A tool tip as drawn.
struct TipLook {
    bool shown = false;
    QString text;
    double background = 0;  // share of its pixels in the theme's tool-tip background
    int contrast = 0;       // the largest difference in lightness from that background inside its border
};

// Rests the pointer on the widget until its tool tip shows, and reads the tip; saves a
// picture of it when given a name.
TipLook restOn(QWidget& widget, const QString& screenshot = {}) {
    const QPoint at = widget.rect().center();
    QHelpEvent rest(QEvent::ToolTip, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &rest);
    TipLook look;
    QWidget* tip = shownTip();
    if (!tip) return look;
    look.shown = true;
    look.text = QToolTip::text();
    const QImage image = tip->grab().toImage();
    const QColor base = QApplication::palette().color(QPalette::ToolTipBase);
    qsizetype same = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.rgb() == base.rgb()) ++same;
            const bool inside = x > 1 && y > 1 && x < image.width() - 2 && y < image.height() - 2;
            if (inside) look.contrast = std::max(look.contrast, std::abs(c.lightness() - base.lightness()));
        }
    }
    look.background = double(same) / double(image.width() * image.height());
    if (!screenshot.isEmpty()) kestrel_test::saveScreenshot(*tip, screenshot);
    QToolTip::hideText();
    return look;
}

void expectReadable(QWidget& widget, const QString& where, const QString& screenshot = {}) {
    const QString help = widget.toolTip();
    const TipLook look = restOn(widget, screenshot);
    const std::string context = (where + QStringLiteral(": ") + help).toStdString();
    ASSERT_TRUE(look.shown) << context;
    EXPECT_EQ(look.text, help) << context;
    EXPECT_GT(look.background, 0.5) << context;
    EXPECT_GT(look.contrast, 100) << context;
}

bool styledBySheet(const QWidget& widget) {
    for (const QWidget* w = &widget; w; w = w->parentWidget()) {
        if (!w->styleSheet().isEmpty()) return true;
        if (w->isWindow()) break;
    }
    return false;
}

}  // namespace

// The dynamic EQ's threshold line is a white stroke; its help once came up as a white box
// with white text in it.
TEST(ToolTipsInWindow, TheThresholdMarkersHelpIsReadable) {
    WindowRig::Options options;
    options.startPage = QStringLiteral("0");
    WindowRig rig(options);
    auto* view = rig.page<ChannelView>();
    ASSERT_NE(view, nullptr);
    view->setTab(ChannelTab::dynamics);
    rig.turn();
    auto* deq = view->tabContent()->findChild<DEQBox*>();
    ASSERT_NE(deq, nullptr);
    DEQBandPanel* band = deq->band(0);
    if (!band->activeToggle()->isChecked()) QTest::mouseClick(band->activeToggle(), Qt::LeftButton);
    rig.turn();
    ASSERT_TRUE(band->meters()->thresholdMarkerY().has_value());
    QWidget* marker = nullptr;
    for (QWidget* child : band->meters()->findChildren<QWidget*>())
        if (child->isVisible() && child->toolTip().startsWith(QStringLiteral("Threshold "))) marker = child;
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(styledBySheet(*marker));
    expectReadable(*marker, QStringLiteral("threshold marker"), QStringLiteral("tooltip-threshold-marker"));
}

// Every help text of a widget that carries a style sheet, or sits in a panel that does, on
// the pages a user works with.
TEST(ToolTipsInWindow, EveryStyledWidgetsHelpIsDrawnInTheThemesColours) {
    WindowRig rig;
    int checked = 0;
    const auto checkShown = [&](const QString& where) {
        for (QWidget* widget : rig.window().findChildren<QWidget*>()) {
            if (widget->toolTip().isEmpty() || !widget->isVisibleTo(&rig.window()) || !styledBySheet(*widget))
                continue;
            expectReadable(*widget, where);
            ++checked;
        }
    };
    for (const QString& page : {QStringLiteral("mixer"), QStringLiteral("routing"), QStringLiteral("sources"),
                                QStringLiteral("presets"), QStringLiteral("device"), QStringLiteral("fir"),
                                QStringLiteral("diagnostics")}) {
        rig.showPage(Page::fromText(page));
        checkShown(page);
    }
    for (int ch : {0, 4}) {
        rig.showPage(Page::channelPage(ch));
        auto* view = rig.page<ChannelView>();
        ASSERT_NE(view, nullptr);
        for (const QString& tab : {ChannelTab::eq, ChannelTab::fir, ChannelTab::dynamics}) {
            view->setTab(tab);
            rig.turn();
            checkShown(QStringLiteral("channel %1, %2").arg(ch).arg(tab));
        }
    }
    EXPECT_GT(checked, 10);
}

// Every knob of the channel editor shows how to turn it; what it sets is its spoken name.
TEST(ToolTipsInWindow, EveryKnobOfTheChannelEditorShowsHowToTurnIt) {
    WindowRig rig;
    for (int ch : {0, 4}) {
        rig.showPage(Page::channelPage(ch));
        auto* view = rig.page<ChannelView>();
        ASSERT_NE(view, nullptr);
        for (const QString& tab : {ChannelTab::eq, ChannelTab::dynamics}) {
            view->setTab(tab);
            rig.turn();
            const QList<Encoder*> knobs = view->findChildren<Encoder*>();
            EXPECT_GT(knobs.size(), 3);
            for (Encoder* knob : knobs) {
                QAccessibleInterface* element = QAccessible::queryAccessibleInterface(knob);
                ASSERT_NE(element, nullptr);
                const QString name = element->text(QAccessible::Name);
                EXPECT_EQ(knob->toolTip(), Encoder::helpText()) << name.toStdString();
                EXPECT_FALSE(name.isEmpty()) << ch << " " << tab.toStdString();
            }
        }
    }
}
