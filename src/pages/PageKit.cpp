#include "pages/PageKit.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

namespace pagekit {

QSet<quint32> paramRange(quint32 first, quint32 last) {
    QSet<quint32> numbers;
    for (quint32 n = first; n <= last; ++n) numbers.insert(n);
    return numbers;
}

std::optional<QString> cutToCharacters(const QString& text, int count) {
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    while (graphemes.toNextBoundary() != -1) {
        if (++seen == count) {
            const qsizetype end = graphemes.position();
            if (end >= text.size()) return std::nullopt;
            return text.left(end);
        }
    }
    return std::nullopt;
}

QString trimmedBlanks(const QString& text) {
    const auto blank = [](QChar c) {
        return c.isSpace() && c != u'\n' && c != u'\r' && c != QChar(0x2028) && c != QChar(0x2029) &&
               c != QChar(0x0B) && c != QChar(0x0C) && c != QChar(0x85);
    };
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.mid(first, last - first);
}

QFont title3Font(bool bold) {
    return Theme::font(title3Px, bold ? QFont::Bold : QFont::Normal);
}

QColor accent() {
    return QColor(10, 132, 255);
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    label->setPalette(palette);
}

QLabel* label(const QString& text, double px, const QColor& colour, QFont::Weight weight) {
    auto* result = new PlainLabel(text);
    result->setFont(Theme::font(px, weight));
    result->setWordWrap(true);
    setTextColour(result, colour);
    return result;
}

QLabel* secondaryLabel(const QString& text, double px) {
    return label(text, px, Theme::secondaryText());
}

QPushButton* button(const QString& text, bool small) {
    auto* result = new QPushButton(text);
    result->setFocusPolicy(Qt::TabFocus);  // a click leaves a typed field its focus
    if (small) result->setFont(Theme::font(Theme::captionPx + 1));
    return result;
}

void scrollingColumn(QWidget* page, const QList<QWidget*>& sections) {
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(18);
    stack->setAlignment(Qt::AlignTop);
    for (QWidget* section : sections) stack->addWidget(section);
    area->setWidget(content);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area);
}

QWidget* divider() {
    auto* line = new QWidget;
    line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Palette::stroke());
    line->setPalette(palette);
    return line;
}

}  // namespace pagekit
