#include <gtest/gtest.h>

#include <QLabel>
#include <QVBoxLayout>

#include "support/WidgetTesting.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Tag.h"
#include "ui/controls/Theme.h"

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

TEST(PanelTest, EverySymbolPaintsItsOwnShapeAndATagShowsItsColour) {
    QList<QImage> drawn;
    for (int s = 0; s <= int(Symbol::hifispeaker); ++s) {
        const QImage image = symbolIcon(Symbol(s), Qt::white, 16).pixmap(16, 16).toImage();
        const int inked = countPixels(image, image.rect(), [](const QColor& c) { return c.alpha() > 128; });
        EXPECT_GT(inked, 6) << "symbol " << s;
        EXPECT_FALSE(drawn.contains(image)) << "symbol " << s << " looks like another";
        drawn.append(image);
    }

    Theme::apply(*qApp);
    Tag tag(QStringLiteral("Muted"), Palette::red());
    tag.resize(tag.sizeHint());
    const QImage image = rendered(tag);
    EXPECT_GT(countNear(image, image.rect(), Palette::red(), 24), 10);  // the letters
    // The faint capsule: lighter than the page inside, the page itself at the corners.
    const QColor page = image.pixelColor(0, 0);
    const QColor inside = image.pixelColor(4, image.height() / 2);
    EXPECT_GT(inside.red(), page.red() + 10);
    EXPECT_TRUE(near(page, QColor::fromRgbF(0.095, 0.095, 0.095), 2));
}
