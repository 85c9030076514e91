#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right and starts a new line where the next one would not fit,
// each line's items centred on its height. A bar of buttons in a narrow pane wraps instead
// of cutting its labels or pushing them past the pane's edge. The last item can keep to the
// trailing end of its line, as an action at the end of a toolbar does. Panels side by side
// that wrap where the pane is narrow line up at their tops, and the last of each line can
// take the rest of it, as the wide panel of a row does.
class FlowLayout : public QLayout {
public:
    FlowLayout(int spacing, int lineSpacing);
    ~FlowLayout() override;

    void setLastAtEnd(bool atEnd) { m_lastAtEnd = atEnd; }
    void setTopAligned(bool top) { m_topAligned = top; }
    void setLastFillsLine(bool fills) { m_lastFillsLine = fills; }

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in the rectangle (or only measures) and returns the height used.
    int arrange(const QRect& rect, bool place) const;
    QList<QLayoutItem*> shown() const;

    QList<QLayoutItem*> m_items;
    int m_lineSpacing;
    bool m_lastAtEnd = false;
    bool m_topAligned = false;
    bool m_lastFillsLine = false;
};
