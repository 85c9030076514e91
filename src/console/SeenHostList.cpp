#include "console/SeenHostList.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <algorithm>

#include "console/SeenHostListAccessible.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/Theme.h"

namespace {

const QString useForTCPText = QStringLiteral("Use for TCP");
constexpr int rowSpacing = 4;

}  // namespace

// Paints a row as a label and a push button would look: the sender on the
// left, the button at the right edge.
class SeenHostList::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(SeenHostList& list) : QStyledItemDelegate(&list), list_(list) {
        QStyleOptionButton button = buttonOption(QRect());
        buttonSize_ = list.style()->sizeFromContents(
            QStyle::CT_PushButton, &button, button.fontMetrics.size(Qt::TextShowMnemonic, useForTCPText),
            &list);
        rowHeight_ = std::max(buttonSize_.height(), QFontMetrics(textFont()).height()) + rowSpacing;
    }

    int rowHeight() const { return rowHeight_; }
    int buttonWidth() const { return buttonSize_.width(); }

    QRect buttonRect(const QRect& row) const {
        const int top = row.top() + (row.height() - buttonSize_.height()) / 2;
        return {row.right() + 1 - buttonSize_.width(), top, buttonSize_.width(), buttonSize_.height()};
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {buttonSize_.width(), rowHeight_};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const QRect button = buttonRect(option.rect);
        painter->setFont(textFont());
        painter->setPen(option.palette.color(QPalette::WindowText));
        const QRect text(option.rect.left(), option.rect.top(), button.left() - option.rect.left() - 8,
                         option.rect.height());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
        QStyleOptionButton look = buttonOption(button);
        if (list_.pressed_ == index) look.state |= QStyle::State_Sunken;
        if (list_.hovered_ == index) look.state |= QStyle::State_MouseOver;
        if (list_.hasFocus() && list_.currentIndex() == index) look.state |= QStyle::State_HasFocus;
        painter->setFont(list_.font());
        list_.style()->drawControl(QStyle::CE_PushButton, &look, painter, &list_);
        painter->restore();
    }

private:
    static QFont textFont() { return Theme::monoFont(Theme::bodyPx); }

    QStyleOptionButton buttonOption(const QRect& rect) const {
        QStyleOptionButton option;
        option.initFrom(&list_);
        option.rect = rect;
        option.text = useForTCPText;
        option.state = QStyle::State_Enabled | QStyle::State_Raised;
        option.fontMetrics = QFontMetrics(list_.font());
        return option;
    }

    const SeenHostList& list_;
    QSize buttonSize_;
    int rowHeight_ = 0;
};

SeenHostList::SeenHostList(QWidget* parent)
    : QListView(parent), senders_(new QStringListModel(this)), delegate_(new Delegate(*this)) {
    installSeenHostListAccessibility();
    setAccessibleName(QStringLiteral("Hosts heard from"));
    setModel(senders_);
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Like a column of buttons: reached with Tab, arrows move between rows.
    setFocusPolicy(Qt::TabFocus);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMouseTracking(true);
    // The rows stand on the section's own background.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setVisible(false);
}

void SeenHostList::addNewSenders(const QMap<QString, QDateTime>& seen) {
    const QStringList shown = senders_->stringList();
    if (shown.size() == seen.size()) return;
    // Both are in ascending order and every shown sender has been seen: one
    // walk finds the place of each new sender.
    int row = 0;
    qsizetype next = 0;  // the first shown sender not passed yet
    for (auto sender = seen.keyBegin(); sender != seen.keyEnd(); ++sender, ++row) {
        if (next < shown.size() && shown[next] == *sender) {
            ++next;
            continue;
        }
        senders_->insertRows(row, 1);
        senders_->setData(senders_->index(row), *sender);
    }
    setVisible(senders_->rowCount() > 0);
    updateGeometry();
}

QStringList SeenHostList::senders() const {
    return senders_->stringList();
}

int SeenHostList::rowOf(const QString& sender) const {
    // The rows stand in ascending order.
    const QStringList shown = senders_->stringList();
    const auto found = std::lower_bound(shown.begin(), shown.end(), sender);
    return found != shown.end() && *found == sender ? int(found - shown.begin()) : -1;
}

QRect SeenHostList::rowRect(const QString& sender) const {
    const int row = rowOf(sender);
    return row < 0 ? QRect() : visualRect(senders_->index(row));
}

QRect SeenHostList::useForTCPRect(const QString& sender) const {
    const QRect row = rowRect(sender);
    return row.isEmpty() ? QRect() : delegate_->buttonRect(row);
}

QString SeenHostList::currentSender() const {
    return currentIndex().data().toString();
}

void SeenHostList::pressUseForTCP(const QString& sender) {
    if (rowOf(sender) >= 0) Q_EMIT useForTCP(sender);
}

QSize SeenHostList::sizeHint() const {
    return {delegate_->buttonWidth(), senders_->rowCount() * delegate_->rowHeight()};
}

QModelIndex SeenHostList::buttonAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    if (!index.isValid() || !delegate_->buttonRect(visualRect(index)).contains(position)) return {};
    return index;
}

void SeenHostList::setButtonState(QPersistentModelIndex& slot, const QModelIndex& index) {
    if (slot == index) return;
    if (slot.isValid()) viewport()->update(visualRect(slot));
    slot = index;
    if (slot.isValid()) viewport()->update(visualRect(slot));
}

void SeenHostList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setButtonState(pressed_, buttonAt(event->position().toPoint()));
    event->accept();
}

void SeenHostList::mouseMoveEvent(QMouseEvent* event) {
    setButtonState(hovered_, buttonAt(event->position().toPoint()));
    event->accept();
}

void SeenHostList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex released = buttonAt(event->position().toPoint());
    const bool clicked = pressed_.isValid() && released == pressed_;
    setButtonState(pressed_, {});
    event->accept();
    if (clicked) pressUseForTCP(released.data().toString());
}

void SeenHostList::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second click on a button is a second press, as on a push button.
    mousePressEvent(event);
}

void SeenHostList::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && currentIndex().isValid()) {
        event->accept();
        pressUseForTCP(currentSender());
        return;
    }
    QListView::keyPressEvent(event);
}

void SeenHostList::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QListView::currentChanged(current, previous);
    // Keyboard focus is on the row's button, so that is what a screen reader names.
    if (current.isValid() && hasFocus()) announceFocusedChild(*this);
}

void SeenHostList::leaveEvent(QEvent* event) {
    setButtonState(hovered_, {});
    QListView::leaveEvent(event);
}
