#include "shell/ReadingDisplay.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cmath>

#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

ReadingDisplay::ReadingDisplay(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->addStretch(1);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->setFixedWidth(280);
    m_bar->setAccessibleName(QStringLiteral("Reading settings"));  // as the status bar's bar
    column->addWidget(m_bar, 0, Qt::AlignHCenter);
    auto* title = new PlainLabel(QStringLiteral("Reading settings from the DSP…"), this);
    title->setFont(Theme::headlineFont());
    column->addWidget(title, 0, Qt::AlignHCenter);
    m_percent = new PlainLabel(this);
    m_percent->setFont(Theme::monoFont(Theme::captionPx));  // digits of equal width
    m_percent->setStyleSheet(QStringLiteral("color: %1").arg(Theme::secondaryText().name(QColor::HexArgb)));
    column->addWidget(m_percent, 0, Qt::AlignHCenter);
    column->addStretch(1);
    setProgress(0);
}

QString ReadingDisplay::percentText(double fraction) {
    return QString::number(qint64(std::trunc(fraction * 100))) + QStringLiteral(" %");
}

void ReadingDisplay::setProgress(double fraction) {
    m_bar->setValue(qRound(fraction * 1000));
    m_percent->setText(percentText(fraction));
}

QString ReadingDisplay::shownPercent() const {
    return m_percent->text();
}
