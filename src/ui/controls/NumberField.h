#pragma once

#include <QWidget>

class FieldEdits;
class QLabel;
class QLineEdit;

// A captioned entry for one number with an optional unit. It parses leniently
// (a comma counts as the decimal point, blanks around the number are ignored,
// and the spellings of infinity and NaN pass through, so owners clamp or
// refuse them) and hands the number to its owner; the owner's value, passed
// back in, is what the field shows.
class NumberField : public QWidget {
    Q_OBJECT
public:
    // An empty label leaves the caption to the form the field stands in.
    NumberField(const QString& label, const QString& unit, const QString& format, QWidget* parent = nullptr);

    void setValue(double value);
    double value() const { return m_value; }
    // No value is known (the device never reported it): shows "—" until the next setValue.
    void showUnknown();
    QLineEdit* lineEdit() const { return m_edit; }
    QLabel* unitLabel() const { return m_unit; }

Q_SIGNALS:
    void committed(double value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commit();
    void showValue();

    QString m_format;
    double m_value = 0;
    bool m_known = true;
    QLineEdit* m_edit;
    FieldEdits* m_edits;
    QLabel* m_unit = nullptr;
};
