#include "app/controls/FlowLayout.h"

#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(int spacing, int lineSpacing) : m_lineSpacing(lineSpacing) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(spacing);
}

FlowLayout::~FlowLayout() {
    qDeleteAll(m_items);
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

QList<QLayoutItem*> FlowLayout::shown() const {
    QList<QLayoutItem*> items;
    for (QLayoutItem* item : m_items)
        if (!item->isEmpty()) items.append(item);
    return items;
}

int FlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::sizeHint() const {
    // Everything on one line.
    int width = 0;
    int height = 0;
    for (QLayoutItem* item : shown()) {
        width += (width > 0 ? spacing() : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

QSize FlowLayout::minimumSize() const {
    // One item a line: the widest item's width.
    QSize size;
    for (QLayoutItem* item : shown()) size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    const QList<QLayoutItem*> items = shown();
    struct Placed {
        QLayoutItem* item;
        QSize size;
        int x;
    };
    QList<QList<Placed>> lines(1);
    int x = area.left();
    for (QLayoutItem* item : items) {
        const QSize size(std::clamp(item->sizeHint().width(), item->minimumSize().width(),
                                    std::max(area.width(), item->minimumSize().width())),
                         item->sizeHint().height());
        if (!lines.last().isEmpty() && x + size.width() > area.right() + 1) {
            lines.append(QList<Placed>());
            x = area.left();
        }
        const bool atEnd = m_lastAtEnd && item == items.last();
        lines.last().append(Placed{item, size, atEnd ? std::max(x, area.right() + 1 - size.width()) : x});
        x += size.width() + spacing();
    }
    int y = area.top();
    for (const QList<Placed>& line : lines) {
        int height = 0;
        for (const Placed& p : line) height = std::max(height, p.size.height());
        if (place)
            for (const Placed& p : line)
                p.item->setGeometry(QRect(QPoint(p.x, y + (height - p.size.height()) / 2), p.size));
        y += height + m_lineSpacing;
    }
    return y - m_lineSpacing - area.top() + contentsMargins().top() + contentsMargins().bottom();
}
