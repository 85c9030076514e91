#pragma once

#include <QDateTime>
#include <QLocale>
#include <QTreeView>

class TrafficListModel;

// The traffic rows: time, transport with its arrow, then the bytes as hex
// with the note below, in a small monospaced font. A double click on a row
// makes its bytes selectable as text. Rows are as tall as their
// wrapped text; only the rows on screen are ever measured, so thousands of
// entries stay cheap. While the list stands at the bottom it follows new rows;
// scrolled back, the rows on screen stay where they are, also when the log
// drops its oldest entries above them.
class TrafficListView : public QTreeView {
    Q_OBJECT
public:
    explicit TrafficListView(TrafficListModel& model, QWidget* parent = nullptr);

    static constexpr int timeWidth = 70;
    static constexpr int transportWidth = 56;
    static constexpr int spacing = 8;
    static constexpr int horizontalMargin = 8;
    static constexpr int verticalMargin = 3;

    // Hour, minute and second as the locale writes a time of day, with its
    // AM/PM marker where it uses one ("3:04:05 PM", "15:04:05").
    static QString timeText(const QDateTime& time, const QLocale& locale = QLocale());

    TrafficListModel& rows() const { return rows_; }

    // The bytes of the selected rows as hex, one row per line.
    QString selectedBytesText() const;

Q_SIGNALS:
    // The user copied text: with the copy shortcut over the list, the bytes
    // of the selected rows; in a row opened by a double click, the part of
    // its bytes selected there.
    void copyText(const QString& text);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

private:
    TrafficListModel& rows_;
    bool followNewest_ = true;
    bool droppingRows_ = false;
    bool takingFocus_ = false;  // the row chosen as the focus arrives is told with the list's focus
};
