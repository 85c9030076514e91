#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QAbstractButton;
class QPainter;
class QLabel;
class QPushButton;

// Small pieces every panel of the channel editor shares.
namespace editorkit {

// The channel's colour while a block is on, the system grey while it is off.
QColor tint(int ch, bool on);

QLabel* label(const QString& text, const QFont& font, const QColor& colour);
QLabel* caption(const QString& text);  // caption size, secondary colour, wraps
void setTextColour(QWidget* widget, const QColor& colour);

// A level in dB rounded to 0.1 dB in single precision, halves away from zero.
float roundToTenth(float dB);
// The whole part of a value, refused when it is not finite or does not fit an int.
std::optional<int> wholePart(double value);

// The vertical lines and labels (20 ... 20k) of the logarithmic graphs, with x
// the graph's frequency-to-position mapping.
void paintFrequencyGrid(QPainter& painter, const std::function<double(double)>& x, double height);

// The horizontal lines and labels at -12, -6, 0, 6 and 12 dB, the 0 dB line
// brighter, with y the graph's level-to-position mapping.
void paintLevelGrid(QPainter& painter, const std::function<double(double)>& y, double width,
                    double zeroOpacity);

// Commits for typed or turned values: a single-precision value (not a number
// is refused), or the whole part of the value (refused when it does not fit).
std::function<void(double)> singleCommit(std::function<void(float)> commit);
std::function<void(double)> wholeCommit(std::function<void(int)> commit);

// Puts a rebuilt control where the old one stood: in its layout, in the Tab order and in
// the focus when the old one had it. The old control is deleted later.
void replaceControl(QWidget* old, QWidget* replacement);

// A check box drawn with a bold title: the on/off switch of a block.
QAbstractButton* toggle(const QString& title, bool bold = false);
// A toggle drawn as a button that is highlighted while on.
QPushButton* toggleButton(const QString& title);

}  // namespace editorkit

// The part of a graph that changes only with its data or size (grid, curves),
// drawn once into a pixmap so repaints for the moving parts stay cheap.
class PaintCache {
public:
    void invalidate() { m_pixmap = QPixmap(); }
    void draw(QPainter& painter, const QWidget& widget, const std::function<void(QPainter&)>& paintStatic);

private:
    QPixmap m_pixmap;
};

// A filled circle with an optional centred text: band numbers and colour dots.
class Disc : public QWidget {
    Q_OBJECT
public:
    Disc(int diameter, const QFont& font = {}, QWidget* parent = nullptr);
    void setLook(const QColor& fill, const QString& text = {}, const QColor& textColour = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    QString m_text;
    QColor m_textColour;
};

// A row of joined buttons of which at most one is checked, each tagged with a
// value. A value that no segment carries leaves them all unchecked. It is one
// radio group for the keyboard and assistive tools: Tab reaches the chosen segment,
// the arrows choose the neighbouring one, and every way of choosing is the click.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    SegmentedPicker(const QStringList& values, const QStringList& titles, QWidget* parent = nullptr);

    void setCurrent(const QString& value);
    QString current() const { return m_current; }
    QPushButton* segment(int index) const;
    // The chosen segment, or none.
    QPushButton* currentSegment() const;
    QString title(int index) const { return m_titles.value(index); }
    // Segments that switch pages read as tabs do to assistive tools: selected, not checked.
    void showsPages();
    // Enables or disables every segment; a disabled one says why in its tool tip.
    void setAvailable(bool available, const QString& why = QString());

Q_SIGNALS:
    void chosen(const QString& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList m_values;
    QStringList m_titles;
    QList<QPushButton*> m_buttons;
    QString m_current;
};
