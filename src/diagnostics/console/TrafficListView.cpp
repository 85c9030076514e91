#include "diagnostics/console/TrafficListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/controls/Theme.h"
#include "diagnostics/HexText.h"
#include "diagnostics/console/TrafficListModel.h"

namespace {

const QColor sentBlue(10, 132, 255);
const QColor receivedGreen(48, 209, 88);

QColor transportColour(TrafficEntry::Direction direction) {
    switch (direction) {
        case TrafficEntry::Direction::sent:
            return sentBlue;
        case TrafficEntry::Direction::received:
            return receivedGreen;
        case TrafficEntry::Direction::info:
            break;
    }
    return Theme::secondaryText();
}

// The locale's short time format with the seconds put back after the minutes.
QString timeOfDayFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("ss"))) return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0) return format + QStringLiteral(":ss");
    const QString separator = minutes > 0 ? QString(format.at(minutes - 1)) : QStringLiteral(":");
    format.insert(minutes + 2, separator + QStringLiteral("ss"));
    return format;
}

class TrafficRowDelegate : public QStyledItemDelegate {
public:
    TrafficRowDelegate(const TrafficListModel& model, const QWidget& viewport, QObject* parent)
        : QStyledItemDelegate(parent),
          model_(model),
          viewport_(viewport),
          font_(Theme::monoFont(Theme::captionPx)),
          metrics_(font_),
          locale_() {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        const TrafficEntry& entry = model_.entry(index.row());
        const int width = textWidth();
        int height = 0;
        if (!entry.bytes.isEmpty()) height += wrappedHeight(hexText(entry.bytes), width);
        if (!entry.bytes.isEmpty() && !entry.note.isEmpty()) height += 1;
        if (!entry.note.isEmpty()) height += wrappedHeight(entry.note, width);
        height = std::max(height, metrics_.height());
        return {viewport_.width(), height + 2 * TrafficListView::verticalMargin};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const TrafficEntry& entry = model_.entry(index.row());
        painter->save();
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.color(QPalette::Highlight).darker(160));
        painter->setFont(font_);
        QRect cell =
            option.rect.adjusted(TrafficListView::horizontalMargin, TrafficListView::verticalMargin,
                                 -TrafficListView::horizontalMargin, -TrafficListView::verticalMargin);
        const int top = cell.top();

        painter->setPen(Theme::secondaryText());
        painter->drawText(QRect(cell.left(), top, TrafficListView::timeWidth, metrics_.height()),
                          Qt::AlignLeft | Qt::AlignTop, TrafficListView::timeText(entry.time, locale_));
        const int transportX = cell.left() + TrafficListView::timeWidth + TrafficListView::spacing;
        painter->setPen(transportColour(entry.direction));
        painter->drawText(QRect(transportX, top, TrafficListView::transportWidth, metrics_.height()),
                          Qt::AlignLeft | Qt::AlignTop,
                          entry.transport + u' ' + TrafficEntry::symbol(entry.direction));

        const int textX = transportX + TrafficListView::transportWidth + TrafficListView::spacing;
        const int width = textWidth();
        int y = top;
        if (!entry.bytes.isEmpty()) {
            const QString hex = hexText(entry.bytes);
            const int height = wrappedHeight(hex, width);
            painter->setPen(Theme::primaryText());
            painter->drawText(QRect(textX, y, width, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                              hex);
            y += height + 1;
        }
        if (!entry.note.isEmpty()) {
            painter->setPen(Theme::secondaryText());
            painter->drawText(QRect(textX, y, width, wrappedHeight(entry.note, width)),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, entry.note);
        }
        painter->restore();
    }

private:
    int textWidth() const {
        const int used = 2 * TrafficListView::horizontalMargin + TrafficListView::timeWidth +
                         TrafficListView::transportWidth + 2 * TrafficListView::spacing;
        return std::max(viewport_.width() - used, metrics_.averageCharWidth() * 8);
    }
    int wrappedHeight(const QString& text, int width) const {
        return metrics_.boundingRect(QRect(0, 0, width, 1 << 24), Qt::AlignLeft | Qt::TextWordWrap, text)
            .height();
    }

    const TrafficListModel& model_;
    const QWidget& viewport_;
    QFont font_;
    QFontMetrics metrics_;
    QLocale locale_;
};

}  // namespace

TrafficListView::TrafficListView(TrafficListModel& model, QWidget* parent) : QTreeView(parent) {
    setModel(&model);
    setItemDelegate(new TrafficRowDelegate(model, *viewport(), this));
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(false);
    // Per-row scrolling measures only the rows it shows; per-pixel scrolling
    // would measure every row after every update.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(true);
}

QString TrafficListView::timeText(const QDateTime& time, const QLocale& locale) {
    return locale.toString(time.toLocalTime().time(), timeOfDayFormat(locale));
}

void TrafficListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Q_EMIT copyRequested();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TrafficListView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    // Rows wrap to the width, so every cached row height is stale.
    scheduleDelayedItemsLayout();
}
