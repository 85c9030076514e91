#include "ui/controls/PanelGroupBox.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

PanelGroupBox::PanelGroupBox(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(new PlainLabel(title)), m_content(new QVBoxLayout) {
    m_title->setFont(Theme::capsFont(11, QFont::DemiBold, 0.6));
    QPalette labelPalette = m_title->palette();
    labelPalette.setColor(QPalette::WindowText, Theme::secondaryText());
    m_title->setPalette(labelPalette);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(spacing);
    stack->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stack->addWidget(m_title, 0, Qt::AlignLeft);
    m_content->setContentsMargins(0, 0, 0, 0);
    m_content->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stack->addLayout(m_content);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // Panels repeat their controls ("Threshold" in the compressor and the limiter): the
    // panel's title tells them apart.
    setAccessibleName(title);
}

void PanelGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    Theme::fillRoundedRect(painter, bounds, cornerRadius, Palette::panelFill());
    Theme::strokeRoundedRectInside(painter, bounds, cornerRadius, Palette::stroke());
}
