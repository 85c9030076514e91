#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <optional>

#include "ui/controls/SegmentedPicker.h"

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
