#include "shell/Sidebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include "link/DSPModel.h"
#include "link/MeterStore.h"
#include "link/ParamMap.h"
#include "shell/Logo.h"
#include "ui/ChannelWords.h"
#include "ui/controls/LiveMeters.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"

namespace {

constexpr int pageRole = Qt::UserRole + 1;
constexpr quint32 channelNameBase = 378;  // channel names, 378 + channel
// Space kept empty at the top of a row that stands apart from the rows above it.
constexpr int gapAboveRole = Qt::UserRole + 2;
constexpr int diagnosticsGap = 10;

// Draws a row below the space its gap keeps empty. The gap belongs to the row rather than
// being a blank row of its own, which the keyboard and assistive tools would land on.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem row(option);
        row.rect.setTop(row.rect.top() + index.data(gapAboveRole).toInt());
        QStyledItemDelegate::paint(painter, row, index);
    }
};

// The brand row: the logo as a template (or the word "Tessaline"), then "DSP Control".
class BrandHeader : public QWidget {
public:
    explicit BrandHeader(QWidget* parent) : QWidget(parent) {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 8, 0, 8);
        column->setSpacing(4);
        auto* logo = new PlainLabel(this);
        logo->setAlignment(Qt::AlignCenter);
        if (const auto& image = logoImage()) {
            logo->setPixmap(QPixmap::fromImage(logoTemplate(*image, Theme::primaryText(), 64)));
        } else {
            logo->setText(QStringLiteral("Tessaline"));
            logo->setFont(Theme::headlineFont());
        }
        auto* caption = new PlainLabel(QStringLiteral("DSP Control"), this);
        caption->setFont(Theme::font(Theme::captionPx));
        caption->setAlignment(Qt::AlignCenter);
        caption->setStyleSheet(QStringLiteral("color: %1").arg(Theme::secondaryText().name(QColor::HexArgb)));
        column->addWidget(logo);
        column->addWidget(caption);
    }
};

// One channel row: direction symbol, name, mute badge and a small live meter.
class SidebarChannel : public QWidget {
public:
    SidebarChannel(DSPModel& model, MeterStore& meters, int ch, QListWidgetItem* item, QWidget* parent)
        : QWidget(parent), m_model(model), m_ch(ch), m_item(item) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(4, 2, 8, 2);
        row->setSpacing(8);
        QLabel* symbol = symbolLabel(ch <= 3 ? Symbol::arrowDownToLine : Symbol::speakerWave2Fill,
                                     Palette::channel(ch), 14, this);
        symbol->setFixedWidth(18);
        symbol->setAlignment(Qt::AlignCenter);
        row->addWidget(symbol);
        m_name = new PlainLabel(this);
        m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(m_name, 1);
        row->addSpacing(4);
        m_badge = new PlainLabel(QStringLiteral("M"), this);
        m_badge->setFont(Theme::font(9, QFont::Black));
        m_badge->setStyleSheet(QStringLiteral("color: %1").arg(Palette::red().name()));
        row->addWidget(m_badge);
        m_meter = new LiveHorizontalMeter(meters, ch, this);
        m_meter->setFixedSize(28, 4);
        row->addWidget(m_meter, 0, Qt::AlignVCenter);
        // The selection model's own signal: the list's is silenced when the page selects a row.
        connect(m_item->listWidget()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { followSelection(); });
        followSelection();
        connect(&model, &DSPModel::paramChanged, this, [this](quint32 number) {
            if (number == gainParam() || number == channelNameBase + quint32(m_ch)) refresh();
        });
        connect(&model, &DSPModel::paramsReset, this, [this] { refresh(); });
        refresh();
    }

private:
    quint32 gainParam() const { return *ParamMap::param(ParamMap::Block::gain(), m_ch); }

    // The meter moves ten times a second: standing on the colour the list paints under the
    // row, it repaints alone instead of the list's rows beneath it.
    void followSelection() {
        const QWidget* list = m_item->listWidget()->viewport();
        m_meter->setBackdrop(m_item->isSelected() ? list->palette().color(QPalette::Highlight)
                                                  : list->palette().color(list->backgroundRole()));
    }

    void refresh() {
        // A name never read is no name: the row shows "—", dimmed, and says whose name it is not.
        const bool read = channelwords::nameRead(m_model, m_ch);
        const QString name = channelwords::spokenName(m_model, m_ch);
        m_name->setText(channelwords::shownName(m_model, m_ch));
        m_name->setEnabled(read);
        // The row's text is drawn by this widget, so the list item has none of its own:
        // assistive tools would find a row without a name.
        if (m_item->data(Qt::AccessibleTextRole).toString() != name) {
            m_item->setData(Qt::AccessibleTextRole, name);
            setAccessibleName(name);
        }
        const bool muted = m_model.words(gainParam(), 2)[1] & 1;
        m_badge->setVisible(muted);
        // The badge is drawn inside the row, where assistive tools do not look: the row says it.
        const QString state = muted ? QStringLiteral("Muted") : QString();
        if (m_item->data(Qt::AccessibleDescriptionRole).toString() != state)
            m_item->setData(Qt::AccessibleDescriptionRole, state);
    }

    DSPModel& m_model;
    int m_ch;
    QListWidgetItem* m_item;
    QLabel* m_name;
    QLabel* m_badge;
    HorizontalMeter* m_meter;
};

}  // namespace

Sidebar::Sidebar(DSPModel& model, MeterStore& meters, QWidget* parent)
    : QListWidget(parent), m_model(model), m_meters(meters) {
    setMinimumWidth(190);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new RowDelegate(this));
    setAccessibleName(QStringLiteral("Pages"));
    addHeader();
    addPageRow(QStringLiteral("Mixer"), Symbol::sliderVertical3, Page::of(Page::Kind::mixer));
    addPageRow(QStringLiteral("Routing"), Symbol::squareGrid3x3, Page::of(Page::Kind::routing));
    addPageRow(QStringLiteral("Sources & test signal"), Symbol::waveform, Page::of(Page::Kind::sources));
    addPageRow(QStringLiteral("Presets"), Symbol::squareStack3dUp, Page::of(Page::Kind::presets));
    addPageRow(QStringLiteral("FIR Designer"), Symbol::waveformMagnifier, Page::of(Page::Kind::firDesigner));
    addPageRow(QStringLiteral("Device"), Symbol::infoCircle, Page::of(Page::Kind::device));
    addPageRow(QStringLiteral("Control codes"), Symbol::terminal, Page::of(Page::Kind::codes));
    addSection(QStringLiteral("Inputs"));
    for (int ch = 0; ch < 4; ++ch) addChannelRow(ch);
    addSection(QStringLiteral("Outputs"));
    for (int ch = 4; ch < 12; ++ch) addChannelRow(ch);
    addPageRow(QStringLiteral("Diagnostics"), Symbol::waveformPathEcg, Page::of(Page::Kind::diagnostics),
               diagnosticsGap);
    connect(this, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item && item->data(pageRole).isValid()) Q_EMIT pageSelected(item->data(pageRole).value<Page>());
    });
}

bool Sidebar::viewportEvent(QEvent* event) {
    // A click or a drag in the space kept above a row happens beside the rows, as on the blank
    // row it replaces.
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex index = indexAt(at);
            if (index.isValid() && at.y() < visualRect(index).top() + index.data(gapAboveRole).toInt())
                return true;
            break;
        }
        default:
            break;
    }
    return QListWidget::viewportEvent(event);
}

QModelIndex Sidebar::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // Home and the page keys may land on the brand row or a heading, which the view refuses to
    // make current, so the key would do nothing: the next row that leads to a page stands in.
    const QModelIndex landed = QListWidget::moveCursor(action, modifiers);
    if (!landed.isValid() || (landed.flags() & Qt::ItemIsSelectable)) return landed;
    for (int row = landed.row() + 1; row < count(); ++row)
        if (item(row)->flags() & Qt::ItemIsSelectable) return indexFromItem(item(row));
    return currentIndex();
}

void Sidebar::addHeader() {
    auto* item = new QListWidgetItem(this);
    item->setFlags(Qt::NoItemFlags);
    // The row is one element for assistive tools: its logo and caption are not reachable.
    item->setData(Qt::AccessibleTextRole, QStringLiteral("Tessaline DSP Control"));
    auto* header = new BrandHeader(this);
    item->setSizeHint(header->sizeHint());
    setItemWidget(item, header);
}

void Sidebar::addPageRow(const QString& text, Symbol symbol, const Page& page, int gapAbove) {
    auto* item = new QListWidgetItem(symbolIcon(symbol, Theme::primaryText(), 14), text, this);
    item->setData(pageRole, QVariant::fromValue(page));
    item->setData(gapAboveRole, gapAbove);
    item->setSizeHint(QSize(0, 26 + gapAbove));
}

void Sidebar::addSection(const QString& title) {
    auto* item = new QListWidgetItem(title, this);
    item->setFlags(Qt::NoItemFlags);
    item->setFont(Theme::font(Theme::captionPx, QFont::DemiBold));
    item->setForeground(Theme::secondaryText());
    item->setSizeHint(QSize(0, 24));
}

void Sidebar::addChannelRow(int ch) {
    auto* item = new QListWidgetItem(this);
    item->setData(pageRole, QVariant::fromValue(Page::channelPage(ch)));
    item->setSizeHint(QSize(0, 26));
    setItemWidget(item, new SidebarChannel(m_model, m_meters, ch, item, this));
}

QListWidgetItem* Sidebar::itemFor(const Page& page) const {
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* candidate = item(row);
        const QVariant data = candidate->data(pageRole);
        if (data.isValid() && data.value<Page>() == page) return candidate;
    }
    return nullptr;
}

void Sidebar::setPage(const Page& page) {
    const QSignalBlocker blocker(this);
    setCurrentItem(itemFor(page));
}
