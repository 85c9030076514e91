#include <gtest/gtest.h>

#include <QLabel>
#include <QVBoxLayout>

#include "app/controls/Palette.h"
#include "app/controls/PanelGroupBox.h"
#include "app/controls/Symbols.h"
#include "app/controls/Tag.h"
#include "app/controls/Theme.h"
#include "support/WidgetTesting.h"

using namespace kestrel_test;

TEST(PanelTest, PanelSpansItsContainerWithContentAtTheLeftAndChannelsHaveTheirColour) {
    QWidget container;
    auto* layout = new QVBoxLayout(&container);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new PanelGroupBox(QStringLiteral("Input sources"));
    auto* content = new QLabel(QStringLiteral("narrow"));
    panel->contentLayout()->addWidget(content);
    layout->addWidget(panel);
    container.resize(500, 120);
    container.show();
    layout->activate();
    EXPECT_EQ(panel->width(), 500);
    EXPECT_EQ(content->x(), PanelGroupBox::padding);
    EXPECT_LT(content->width(), 200);
    EXPECT_EQ(panel->titleLabel()->font().capitalization(), QFont::AllUppercase);
    // Inputs are blue, outputs amber.
    EXPECT_EQ(Palette::channel(3), Palette::inputBlue());
    EXPECT_EQ(Palette::channel(4), Palette::outputAmber());
}

TEST(PanelTest, Screenshot) {
    Theme::apply(*qApp);
    QWidget page;
    page.resize(420, 150);
    auto* layout = new QVBoxLayout(&page);
    auto* panel = new PanelGroupBox(QStringLiteral("Input sources"));
    auto* tags = new QHBoxLayout;
    tags->addWidget(new Tag(QStringLiteral("Gate"), Palette::green()));
    tags->addWidget(new Tag(QStringLiteral("Muted"), Palette::red()));
    tags->addWidget(new Tag(QStringLiteral("fir"), Palette::outputAmber()));
    for (Symbol s : {Symbol::sliderHorizontal3, Symbol::chevronDown, Symbol::minus, Symbol::plus,
                     Symbol::speakerSlashFill, Symbol::speakerWave2Fill, Symbol::arrowDownToLine}) {
        auto* icon = new QLabel;
        icon->setPixmap(symbolIcon(s, Theme::primaryText(), 16).pixmap(16, 16));
        tags->addWidget(icon);
    }
    tags->addStretch();
    panel->contentLayout()->addLayout(tags);
    panel->contentLayout()->addWidget(new QLabel(QStringLiteral("Content stays at the left")));
    layout->addWidget(panel);
    saveScreenshot(page, QStringLiteral("panel-and-tag"));
}
