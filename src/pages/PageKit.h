#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

class QLabel;
class QPushButton;
class QWidget;

// Text styles, colours and small builders the device pages share.
namespace pagekit {

// The parameter numbers first to last, for a page's watcher.
QSet<quint32> paramRange(quint32 first, quint32 last);

inline constexpr double title2Px = 17;
inline constexpr double title3Px = 15;

QFont title3Font(bool bold = true);
QColor accent();
// A word-wrapped label in the given pixel size and colour.
QLabel* label(const QString& text, double px, const QColor& colour, QFont::Weight weight = QFont::Normal);
QLabel* secondaryLabel(const QString& text, double px);
// Buttons beside typed fields take no focus, so clicking them never commits the field first.
QPushButton* button(const QString& text, bool small = false);
// The text cut to its first `count` characters as the user sees them (graphemes);
// none when it is not longer than that.
std::optional<QString> cutToCharacters(const QString& text, int count);
// Trims white space other than line breaks from both ends.
QString trimmedBlanks(const QString& text);
// Fills `page` with a vertically scrolling column (16 points of margin, 18 between
// items, content at the top) holding the given sections.
void scrollingColumn(QWidget* page, const QList<QWidget*>& sections);
// The hairline between the two panes of a page.
QWidget* divider();
// Greys a label's text the way a secondary line is drawn.
void setTextColour(QLabel* label, const QColor& colour);

}  // namespace pagekit
