#include "ui/controls/FlowLayout.h"

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
        int width;
        int x;
    };
    QList<QList<Placed>> lines(1);
    int x = area.left();
    for (QLayoutItem* item : items) {
        const int width = std::clamp(item->sizeHint().width(), item->minimumSize().width(),
                                     std::max(area.width(), item->minimumSize().width()));
        if (!lines.last().isEmpty() && x + width > area.right() + 1) {
            lines.append(QList<Placed>());
            x = area.left();
        }
        const bool atEnd = m_lastAtEnd && item == items.last();
        lines.last().append(Placed{item, width, atEnd ? std::max(x, area.right() + 1 - width) : x});
        x += width + spacing();
    }
    int y = area.top();
    for (QList<Placed>& line : lines) {
        if (m_lastFillsLine && !line.isEmpty()) {
            Placed& last = line.last();
            last.width =
                std::max(last.width, std::min(area.right() + 1 - last.x, last.item->maximumSize().width()));
        }
        QList<int> heights;
        for (const Placed& p : line)
            heights << (p.item->hasHeightForWidth() ? p.item->heightForWidth(p.width)
                                                    : p.item->sizeHint().height());
        const int height = heights.isEmpty() ? 0 : *std::max_element(heights.begin(), heights.end());
        if (place)
            for (qsizetype i = 0; i < line.size(); ++i) {
                const int top = m_topAligned ? y : y + (height - heights[i]) / 2;
                line[i].item->setGeometry(QRect(line[i].x, top, line[i].width, heights[i]));
            }
        y += height + m_lineSpacing;
    }
    return y - m_lineSpacing - area.top() + contentsMargins().top() + contentsMargins().bottom();
}
