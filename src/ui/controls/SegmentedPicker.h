#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QPushButton;

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
