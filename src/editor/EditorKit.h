#pragma once

#include <QColor>
#include <QFont>
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

// A check box drawn with a bold title: the on/off switch of a block.
QAbstractButton* toggle(const QString& title, bool bold = false);
// A toggle drawn as a button that is highlighted while on.
QPushButton* toggleButton(const QString& title);

}  // namespace editorkit

// A row of joined buttons of which at most one is checked, each tagged with a
// value. A value that no segment carries leaves them all unchecked.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    SegmentedPicker(const QStringList& values, const QStringList& titles, QWidget* parent = nullptr);

    void setCurrent(const QString& value);
    QString current() const { return m_current; }
    QPushButton* segment(int index) const;
    QString title(int index) const { return m_titles.value(index); }

Q_SIGNALS:
    void chosen(const QString& value);

private:
    QStringList m_values;
    QStringList m_titles;
    QList<QPushButton*> m_buttons;
    QString m_current;
};
