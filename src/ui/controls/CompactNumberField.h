#pragma once

#include <QFont>
#include <QWidget>
#include <optional>

class FieldEdits;
class QLabel;
class QLineEdit;

// Reads a typed number the way every field of the console does: a comma
// counts as the decimal point, surrounding blanks are ignored and the whole
// text must be one number. An infinity ("inf", "-inf", "1e999") is a number
// every owner clamps to its range like any other; "nan" is no number at all.
std::optional<double> parseTypedNumber(const QString& text);

// Formats a value with a printf-style format in the C locale ("%.1f").
QString formatNumber(const QString& format, double value);

// Selects a line edit's whole text whenever it gains focus, also after the
// release of the click that focused it (which would otherwise place a cursor).
void selectAllOnFocus(QLineEdit* edit);

class CompactNumberField;
// Keeps the field's typing under `key` while its view is gone (FieldEdits::keepAs).
void keepTyping(CompactNumberField& field, const QString& key);

// The small typed-number field of the mixer and the knob fields. It never holds
// the truth: it shows the owner's value through its format, reports a parsed
// number on Return or when focus leaves after an edit, and then shows the
// owner's value again.
class CompactNumberField : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxShrinkPx = 2;

    CompactNumberField(const QString& format, const QString& unit, double fieldWidth,
                       QWidget* parent = nullptr);

    // The values the owner can hand it: where the widest text the format makes of them
    // does not fit the field whole, its text is set up to maxShrinkPx smaller, and past
    // that the field grows.
    void setRange(double lo, double hi);
    // The formatted ends of the range (empty without a range).
    QStringList widestTexts() const;

    // The owner's value; shows it formatted, unless the user is typing in the field.
    void setValue(double value);
    double value() const { return m_value; }
    // No value is known (the device never reported it): shows "—" until the next setValue.
    void showUnknown();
    void setTextColor(const QColor& colour);

    QLineEdit* lineEdit() const { return m_edit; }
    QLabel* unitLabel() const { return m_unit; }

Q_SIGNALS:
    void committed(double value);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commit();
    void showValue();
    void fitWidth();
    // What the line edit's frame and margins take of its width.
    int frameWidth() const;

    QString m_format;
    double m_fieldWidth;
    QFont m_font;  // the text's font before any fitting
    std::optional<std::pair<double, double>> m_range;
    double m_value = 0;
    bool m_known = true;
    QLineEdit* m_edit;
    FieldEdits* m_edits;
    QLabel* m_unit = nullptr;
};
