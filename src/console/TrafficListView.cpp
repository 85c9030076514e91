#include "console/TrafficListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>
#include <functional>

#include "console/TrafficListAccessible.h"
#include "console/TrafficListModel.h"
#include "link/HexText.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/Theme.h"

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

// A row's bytes as text the user can select; its copy goes out through the
// list like every other copy.
class BytesTextEditor : public QPlainTextEdit {
public:
    BytesTextEditor(const QFont& font, std::function<void(const QString&)> copy, QWidget* parent)
        : QPlainTextEdit(parent), copy_(std::move(copy)) {
        setAccessibleName(QStringLiteral("Bytes"));
        setReadOnly(true);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setContextMenuPolicy(Qt::NoContextMenu);
        setFrameShape(QFrame::NoFrame);
        setFont(font);
        document()->setDocumentMargin(0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            const QString selected = textCursor().selectedText();
            if (!selected.isEmpty()) copy_(selected);
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }

private:
    std::function<void(const QString&)> copy_;
};

// Paints rows straight from the entries. The list repaints every row on
// screen whenever an entry arrives, so the bytes are broken into lines by
// arithmetic (the font is monospaced and every byte is "XX ") instead of
// through a text layout, and only the lines on screen are drawn.
class TrafficRowDelegate : public QStyledItemDelegate {
public:
    TrafficRowDelegate(const TrafficListModel& model, const QWidget& viewport,
                       std::function<void(const QString&)> copy, QObject* parent)
        : QStyledItemDelegate(parent),
          model_(model),
          viewport_(viewport),
          copy_(std::move(copy)),
          font_(Theme::monoFont(Theme::captionPx)),
          metrics_(font_),
          digitWidth_(metrics_.horizontalAdvance(QLatin1Char('0'))),
          lineHeight_(QFontMetricsF(font_).lineSpacing()) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        const TrafficEntry& entry = model_.entry(index.row());
        const int width = textWidth();
        int height = 0;
        if (!entry.bytes.isEmpty()) height += hexHeight(entry.bytes, width);
        if (!entry.bytes.isEmpty() && !entry.note.isEmpty()) height += 1;
        if (!entry.note.isEmpty()) height += noteHeight(entry.note, width);
        height = std::max(height, metrics_.lineSpacing());
        return {viewport_.width(), height + 2 * TrafficListView::verticalMargin};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const TrafficEntry& entry = model_.entry(index.row());
        painter->save();
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect,
                              Theme::withOpacity(option.palette.color(QPalette::Highlight), 0.35));
        painter->setFont(font_);
        const int left = option.rect.left() + TrafficListView::horizontalMargin;
        const int top = option.rect.top() + TrafficListView::verticalMargin;
        const int baseline = top + metrics_.ascent();

        painter->setPen(Theme::secondaryText());
        painter->drawText(QPoint(left, baseline), timeText(entry.time));
        const int transportX = left + TrafficListView::timeWidth + TrafficListView::spacing;
        painter->setPen(transportColour(entry.direction));
        painter->drawText(QPoint(transportX, baseline),
                          entry.transport + u' ' + TrafficEntry::symbol(entry.direction));

        const int textX = transportX + TrafficListView::transportWidth + TrafficListView::spacing;
        const int width = textWidth();
        int y = top;
        if (!entry.bytes.isEmpty()) {
            painter->setPen(Theme::primaryText());
            y = drawHexLines(*painter, entry.bytes, textX, y, width) + 1;
        }
        if (!entry.note.isEmpty()) {
            painter->setPen(Theme::secondaryText());
            if (metrics_.horizontalAdvance(entry.note) <= width) {
                painter->drawText(QPoint(textX, y + metrics_.ascent()), entry.note);
            } else {
                painter->drawText(QRect(textX, y, width, noteHeight(entry.note, width)),
                                  Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, entry.note);
            }
        }
        painter->restore();
    }

    // Double-clicking a row's bytes lays the same text over them, selectable.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        if (model_.entry(index.row()).bytes.isEmpty()) return nullptr;
        return new BytesTextEditor(font_, copy_, parent);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<BytesTextEditor*>(editor)->setPlainText(hexText(model_.entry(index.row()).bytes));
    }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override {
        const int width = textWidth();
        const int height = hexHeight(model_.entry(index.row()).bytes, width);
        const int top = option.rect.top() + TrafficListView::verticalMargin;
        // A row taller than the list scrolls inside the text; one that fits
        // never shows a scroll bar for a stray pixel of rounding.
        const bool fits = top + height <= viewport_.height();
        static_cast<BytesTextEditor*>(editor)->setVerticalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff
                                                                               : Qt::ScrollBarAsNeeded);
        editor->setGeometry(option.rect.left() + textOffset(), top, width,
                            fits ? height : viewport_.height() - top);
    }

private:
    static int textOffset() {
        return TrafficListView::horizontalMargin + TrafficListView::timeWidth +
               TrafficListView::transportWidth + 2 * TrafficListView::spacing;
    }
    int textWidth() const {
        return std::max(viewport_.width() - textOffset() - TrafficListView::horizontalMargin,
                        8 * digitWidth_);
    }
    // n pairs take 3n - 1 characters.
    int pairsPerLine(int width) const { return std::max(1, (width + digitWidth_) / (3 * digitWidth_)); }
    // Lines are as tall as in the text editor laid over a row, which keeps
    // the fractional line spacing of the font.
    int hexHeight(const QByteArray& bytes, int width) const {
        const int perLine = pairsPerLine(width);
        return int(std::ceil(double((bytes.size() + perLine - 1) / perLine) * lineHeight_));
    }
    // Returns the top of the next line below the last one.
    int drawHexLines(QPainter& painter, const QByteArray& bytes, int x, int top, int width) const {
        const int perLine = pairsPerLine(width);
        for (qsizetype start = 0, line = 0; start < bytes.size(); start += perLine, ++line) {
            const double y = top + double(line) * lineHeight_;
            if (y + lineHeight_ < 0 || y > viewport_.height()) continue;  // off screen
            painter.drawText(QPointF(x, y + metrics_.ascent()),
                             hexText(QByteArrayView(bytes).sliced(
                                 start, std::min<qsizetype>(perLine, bytes.size() - start))));
        }
        return top + hexHeight(bytes, width);
    }
    int noteHeight(const QString& note, int width) const {
        if (metrics_.horizontalAdvance(note) <= width) return metrics_.lineSpacing();
        return metrics_.boundingRect(QRect(0, 0, width, 1 << 24), Qt::AlignLeft | Qt::TextWordWrap, note)
            .height();
    }
    // Rows logged within one second share their text.
    QString timeText(const QDateTime& time) const {
        const qint64 second = time.toSecsSinceEpoch();
        if (second != cachedSecond_) {
            cachedSecond_ = second;
            cachedTimeText_ = TrafficListView::timeText(time, locale_);
        }
        return cachedTimeText_;
    }

    const TrafficListModel& model_;
    const QWidget& viewport_;
    std::function<void(const QString&)> copy_;
    QFont font_;
    QFontMetrics metrics_;
    int digitWidth_;
    double lineHeight_;
    QLocale locale_;
    mutable qint64 cachedSecond_ = -1;
    mutable QString cachedTimeText_;
};

}  // namespace

TrafficListView::TrafficListView(TrafficListModel& model, QWidget* parent) : QTreeView(parent), rows_(model) {
    installTrafficListAccessibility();
    setModel(&model);
    setAccessibleName(QStringLiteral("Traffic"));
    setItemDelegate(new TrafficRowDelegate(
        model, *viewport(), [this](const QString& text) { Q_EMIT copyText(text); }, this));
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(false);
    // Per-row scrolling measures only the rows it shows; per-pixel scrolling
    // would measure every row after every update.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked);
    setFrameShape(QFrame::NoFrame);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(true);

    // Only the user moves the list away from the bottom; rows that arrive
    // change the range, not the position.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { followNewest_ = value >= verticalScrollBar()->maximum(); });
    // Rows scroll one at a time, so the position is the index of the top row:
    // rows dropped above it would slide the rest up under the reader.
    connect(&model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (first != 0 || followNewest_) return;
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(std::max(0, bar->value() - (last + 1)));
    });
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { followNewest_ = true; });
    connect(&model, &QAbstractItemModel::rowsRemoved, this, [this] { droppingRows_ = false; });
}

void TrafficListView::updateGeometries() {
    QTreeView::updateGeometries();
    // Runs after every change of the rows or the size, once they are laid out.
    if (followNewest_) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

// QTreeView's versions of these two only add announcements that name rows by
// the tree's own numbering of its laid-out rows, which this list's accessible
// element does not use; with a single column, the rest is the same.
void TrafficListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    // The focused row dropped from the log hands the focus to the next one: that is no move of
    // the user's to speak of.
    if (current.isValid() && hasFocus() && !droppingRows_ && !takingFocus_) announceFocusedChild(*this);
}

void TrafficListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    droppingRows_ = true;  // until the rows are gone; the current row moves on in between
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}

// With no row chosen yet the keys start on the newest, in sight at the bottom. Qt's first row
// is the oldest, scrolled away above and the next to be dropped: the focus would move on
// with every row that arrives.
// Tools hear of the list taking the focus once, with its current row: not of the row first.
void TrafficListView::focusInEvent(QFocusEvent* event) {
    takingFocus_ = true;
    if (!currentIndex().isValid() && model()->rowCount() > 0)
        selectionModel()->setCurrentIndex(model()->index(model()->rowCount() - 1, 0),
                                          QItemSelectionModel::NoUpdate);
    QTreeView::focusInEvent(event);
    takingFocus_ = false;
}

void TrafficListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QAbstractItemView::selectionChanged(selected, deselected);
}

QString TrafficListView::timeText(const QDateTime& time, const QLocale& locale) {
    return locale.toString(time.toLocalTime().time(), timeOfDayFormat(locale));
}

QString TrafficListView::selectedBytesText() const {
    QModelIndexList selected = selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end());
    QStringList lines;
    for (const QModelIndex& index : selected) {
        const TrafficEntry& entry = rows_.entry(index.row());
        if (!entry.bytes.isEmpty()) lines << hexText(entry.bytes);
    }
    return lines.join(u'\n');
}

void TrafficListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (const QString text = selectedBytesText(); !text.isEmpty()) Q_EMIT copyText(text);
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
