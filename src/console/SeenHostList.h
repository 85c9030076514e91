#pragma once

#include <QDateTime>
#include <QListView>
#include <QMap>
#include <QPersistentModelIndex>

class QStringListModel;

// The senders the UDP tool has heard from, one row each in ascending order:
// the sender text and a "Use for TCP" button. A flood of new senders adds
// rows hundreds of times a second, so rows are painted rather than made of
// widgets: an update costs the rows on screen, not every row. The list is as
// tall as its rows and leaves scrolling to the form around it.
class SeenHostList : public QListView {
    Q_OBJECT
public:
    explicit SeenHostList(QWidget* parent = nullptr);

    // Adds the senders of `seen` that have no row yet, each in its place.
    // Senders are never forgotten, so rows are only ever added.
    void addNewSenders(const QMap<QString, QDateTime>& seen);

    QStringList senders() const;
    // The row of a sender, or -1 when it has none.
    int rowOf(const QString& sender) const;
    // A sender's row and its "Use for TCP" button, in viewport coordinates;
    // empty when the sender has no row.
    QRect rowRect(const QString& sender) const;
    QRect useForTCPRect(const QString& sender) const;
    // The sender whose row is current (reached with Tab and the arrows), if any.
    QString currentSender() const;
    // What a click on a sender's "Use for TCP" button does.
    void pressUseForTCP(const QString& sender);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void useForTCP(const QString& sender);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    class Delegate;
    QModelIndex buttonAt(const QPoint& position) const;
    void setButtonState(QPersistentModelIndex& slot, const QModelIndex& index);

    QStringListModel* senders_;
    Delegate* delegate_;
    QPersistentModelIndex pressed_;
    QPersistentModelIndex hovered_;
};
