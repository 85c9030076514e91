#include "pages/RoutingView.h"

#include <QAccessibleWidget>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "link/DSPModel.h"
#include "pages/CrosspointInspector.h"
#include "pages/PageKit.h"
#include "platform/NumText.h"
#include "ui/DeviceMoments.h"
#include "ui/Dialogs.h"
#include "ui/ModelWatcher.h"
#include "ui/accessibility/Names.h"
#include "ui/accessibility/ToolRequests.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeyboardFocus.h"

namespace {

constexpr quint32 firstCrosspoint = 218;
constexpr quint32 lastCrosspoint = 329;

QLabel* arrowLabel(Symbol symbol) {
    QLabel* arrow = symbolLabel(symbol, Theme::secondaryText(), 20);
    arrow->setContentsMargins(0, 120, 0, 0);
    arrow->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    return arrow;
}

// A square is a check box for assistive tools: checked while on, selected while the inspector
// shows it, pressed to select it and toggled to switch it, as a click and a double-click do.
class CrosspointAccessible : public QAccessibleWidget {
public:
    explicit CrosspointAccessible(CrosspointCell* cell) : QAccessibleWidget(cell, QAccessible::CheckBox) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = cell().shownOn();
        state.selectable = true;
        state.selected = cell().isSelected();
        return state;
    }
    QStringList actionNames() const override {
        const QStringList own =
            takesToolRequests(cell()) ? QStringList{pressAction(), toggleAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();  // taking the focus, as a click does
    }
    void doAction(const QString& name) override {
        if (!takesToolRequests(cell())) return;  // drawn disabled (without a device), or behind a question
        if (name == pressAction())
            cell().select();
        else if (name == toggleAction())
            cell().toggle(cell().shownOn());
        else
            QAccessibleWidget::doAction(name);
    }

private:
    CrosspointCell& cell() const { return *static_cast<CrosspointCell*>(widget()); }
};

QAccessibleInterface* crosspointFactory(const QString& className, QObject* object) {
    auto* cell =
        className == QLatin1String("CrosspointCell") ? qobject_cast<CrosspointCell*>(object) : nullptr;
    return cell ? new CrosspointAccessible(cell) : nullptr;
}

}  // namespace

CrosspointCell::CrosspointCell(DSPModel& model, quint32 id, const std::optional<quint32>& selected,
                               std::function<void(quint32)> select, QWidget* parent)
    : QWidget(parent), m_model(model), m_id(id), m_selected(selected), m_select(std::move(select)) {
    // Before anything asks for this widget's accessible element, which is then kept.
    static const bool accessible = (QAccessible::installFactory(crosspointFactory), true);
    Q_UNUSED(accessible);
    setFixedSize(cellWidth, cellHeight);
    refresh();
}

void CrosspointCell::refresh() {
    const bool known = m_model.holds(m_id);
    const DSPModel::Crosspoint point = m_model.crosspoint(m_id);
    m_shownOn = known && point.on;
    // A crosspoint the device never reported, or sent with a level no knob could hold, is
    // shown, empty, but cannot be switched; its tip says which.
    if (!known)
        setToolTip(m_model.unshowable(m_id) ? QString() : notReadText());
    else
        setToolTip(point.on ? numtext::format("On, %.1f dB — double-click to switch off", double(point.level))
                            : QStringLiteral("Off — double-click to switch on"));
    enableIfRead({this}, known, m_model.unshowable(m_id).value_or(QString()));
    update();
}

void CrosspointCell::toggle(bool wasOn) {
    m_select(m_id);
    std::optional<DSPModel::Words> words = m_model.heldWords(m_id, 2);
    if (!words) return;
    DSPModel::encodeCrosspoint(*words, !wasOn, std::nullopt);
    m_model.write(m_id, *words);
}

void CrosspointCell::paintEvent(QPaintEvent*) {
    const bool known = m_model.holds(m_id);
    const DSPModel::Crosspoint point = m_model.crosspoint(m_id);
    m_shownOn = known && point.on;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.35);
    const QRectF box(0, 0, cellWidth, cellHeight);
    const QColor fill = m_shownOn ? Theme::withOpacity(pagekit::accent(), 0.85)
                                  : Theme::withOpacity(Theme::systemGrey(), 0.15);
    Theme::fillRoundedRect(painter, box, 4, fill);
    if (m_selected == m_id) Theme::strokeRoundedRectInside(painter, box, 4, Theme::systemOrange(), 2);
    if (!known) return;  // no level nobody reported
    painter.setFont(Theme::monoFont(Theme::captionPx));
    painter.setPen(point.on ? QColor(Qt::white) : Theme::secondaryText());
    painter.drawText(box, Qt::AlignCenter, numtext::format("%.1f", double(point.level)));
}

void CrosspointCell::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_select(m_id);
}

void CrosspointCell::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) toggle(m_shownOn);
}

GridView::GridView(DSPModel& model, const ParamMap::Grid& grid, const std::optional<quint32>& selected,
                   std::function<void(quint32)> select, QWidget* parent)
    : QWidget(parent),
      m_columns(int(grid.cols.size())),
      m_reset(pagekit::button(QStringLiteral("Reset"), true)),
      m_clear(pagekit::button(QStringLiteral("Clear"), true)) {
    nameAccessibleGroup(this, grid.title);  // each matrix has its own "Reset" and "Clear"
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(10, 10, 10, 10);
    stack->setSpacing(6);
    stack->setSizeConstraint(QLayout::SetFixedSize);
    auto* title = new PlainLabel(grid.title);
    title->setFont(Theme::headlineFont());
    stack->addWidget(title);

    auto* table = new QGridLayout;
    table->setHorizontalSpacing(3);
    table->setVerticalSpacing(3);
    for (int c = 0; c < grid.cols.size(); ++c) {
        auto* label = new PlainLabel(grid.cols[c]);
        label->setFont(Theme::font(Theme::caption2Px));
        label->setFixedWidth(CrosspointCell::cellWidth);
        label->setAlignment(Qt::AlignCenter);
        table->addWidget(label, 0, c + 1, Qt::AlignCenter);
    }
    for (int r = 0; r < grid.rows.size(); ++r) {
        auto* label = new PlainLabel(grid.rows[r]);
        label->setFont(Theme::font(Theme::captionPx));
        label->setFixedWidth(44);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->addWidget(label, r + 1, 0, Qt::AlignCenter);
        for (int c = 0; c < grid.cols.size(); ++c) {
            auto* cell = new CrosspointCell(model, grid.crosspoint(r, c), selected, select);
            cell->setAccessibleName(grid.caption(r, c));
            cell->setFocusPolicy(Qt::ClickFocus);
            cell->installEventFilter(this);
            m_cells.append(cell);
            table->addWidget(cell, r + 1, c + 1, Qt::AlignCenter);
        }
    }
    stack->addLayout(table);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_reset);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    stack->addLayout(buttons);
    connect(m_reset, &QPushButton::clicked, this, &GridView::resetRequested);
    connect(m_clear, &QPushButton::clicked, this, &GridView::clearRequested);
    setTabStop(m_cells.first());
    if (selected) selectionChanged(*selected);
}

void GridView::selectionChanged(quint32 crosspoint) {
    for (CrosspointCell* cell : m_cells)
        if (cell->id() == crosspoint) setTabStop(cell);
}

void GridView::setTabStop(CrosspointCell* cell) {
    // As in a radio group, only one square takes Tab; the others still take a click.
    if (m_tabStop) m_tabStop->setFocusPolicy(Qt::ClickFocus);
    m_tabStop = cell;
    m_tabStop->setFocusPolicy(Qt::StrongFocus);
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    auto* cell = qobject_cast<CrosspointCell*>(watched);
    if (!cell) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::FocusIn:
            // Passing through by Tab selects nothing: the inspector keeps the selection that
            // Tab is on its way to.
            setTabStop(cell);
            break;
        case QEvent::KeyPress:
            return keyPressed(*cell, *static_cast<QKeyEvent*>(event));
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

bool GridView::keyPressed(CrosspointCell& cell, const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier) return false;
    switch (key.key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A held key switches once, not on and off with every repeat.
            if (!key.isAutoRepeat()) cell.toggle(cell.shownOn());
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            // At the grid's edge the focused square itself is selected.
            CrosspointCell* next = neighbour(cell, key.key());
            next->setFocus(Qt::OtherFocusReason);
            next->select();
            return true;
        }
        default:
            return false;
    }
}

CrosspointCell* GridView::neighbour(CrosspointCell& cell, int key) const {
    const int index = int(m_cells.indexOf(&cell));
    const int row = index / m_columns;
    const int col = index % m_columns;
    const int rows = int(m_cells.size()) / m_columns;
    const int r = row + (key == Qt::Key_Down) - (key == Qt::Key_Up);
    const int c = col + (key == Qt::Key_Right) - (key == Qt::Key_Left);
    if (r < 0 || r >= rows || c < 0 || c >= m_columns) return &cell;
    return m_cells[r * m_columns + c];
}

void GridView::refresh() {
    for (CrosspointCell* cell : m_cells) cell->refresh();
}

void GridView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Theme::fillRoundedRect(painter, rect(), 8, Palette::panelFill());
    Theme::strokeRoundedRectInside(painter, rect(), 8, Palette::stroke());
}

RoutingView::RoutingView(DSPModel& model, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_dialogs(dialogs),
      m_selected(parseRoute(qEnvironmentVariable("TSL_ROUTE"))),
      m_area(new QScrollArea),
      m_arrangement(new QWidget),
      m_inspector(new CrosspointInspector(model)),
      m_refresh(new ModelWatcher(
          model, pagekit::paramRange(firstCrosspoint, lastCrosspoint), [this] { refresh(); }, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_area, 1);
    row->addWidget(pagekit::divider());
    row->addWidget(m_inspector);

    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(12);
    stack->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    stack->addWidget(pagekit::secondaryLabel(
        QStringLiteral(
            "Signal flows left to right. Click a square to select it, double-click to switch it on or off."),
        Theme::bodyPx));
    stack->addWidget(m_arrangement, 0, Qt::AlignLeft | Qt::AlignTop);
    m_area->setWidget(content);
    m_area->setWidgetResizable(true);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->installEventFilter(this);

    const auto select = [this](quint32 crosspoint) { this->select(crosspoint); };
    for (const ParamMap::Grid& grid : ParamMap::grids()) {
        auto* view = new GridView(model, grid, m_selected, select, m_arrangement);
        // Asked once the grid's handler has returned, as every question is.
        connect(view, &GridView::resetRequested, this,
                [this, &grid] { Dialogs::askLater(this, [this, &grid] { confirmApply(grid, false); }); });
        connect(view, &GridView::clearRequested, this,
                [this, &grid] { Dialogs::askLater(this, [this, &grid] { confirmApply(grid, true); }); });
        m_grids.append(view);
    }
    m_arrows = {arrowLabel(Symbol::arrowRight), arrowLabel(Symbol::arrowRight),
                arrowLabel(Symbol::arrowTurnDownRight)};
    for (QWidget* arrow : m_arrows) arrow->setParent(m_arrangement);
    arrange(false);
    // The grids are made after the inspector beside them, yet come first to Tab as they do to
    // the eye.
    keyboardfocus::followInTabOrder(m_area, m_inspector);

    m_inspector->setSelected(m_selected);
}

std::optional<quint32> RoutingView::parseRoute(const QString& text) {
    if (text.isEmpty() || text.startsWith(u'-')) return std::nullopt;
    const std::optional<qint64> value = numtext::parseInteger(text);
    if (!value || *value > qint64(std::numeric_limits<quint32>::max())) return std::nullopt;
    return quint32(*value);
}

void RoutingView::applyToAll(DSPModel& model, const ParamMap::Grid& grid, bool clear) {
    for (int r = 0; r < grid.rows.size(); ++r) {
        for (int c = 0; c < grid.cols.size(); ++c) {
            const quint32 p = grid.crosspoint(r, c);
            std::optional<DSPModel::Words> words = model.heldWords(p, 2);
            if (!words) continue;  // never reported: its level would be invented
            const bool on = !clear && r == c;
            DSPModel::encodeCrosspoint(*words, on, on ? std::optional<float>(0.0f) : std::nullopt);
            model.write(p, *words);
        }
    }
}

void RoutingView::select(quint32 crosspoint) {
    if (m_selected == crosspoint) return;
    m_selected = crosspoint;
    m_inspector->setSelected(crosspoint);
    for (GridView* grid : m_grids) {
        grid->selectionChanged(crosspoint);
        for (CrosspointCell* cell : grid->cells()) cell->update();
    }
}

void RoutingView::confirmApply(const ParamMap::Grid& grid, bool clear) {
    const QString title = (clear ? QStringLiteral("Clear") : QStringLiteral("Reset")) +
                          QStringLiteral(" \"") + grid.title + QStringLiteral("\"?");
    const QString message =
        clear
            ? QStringLiteral(
                  "Every connection in this grid will be switched off. Audio through it will stop.")
            : QStringLiteral(
                  "Each row will be connected to its matching column at 0 dB; everything else switched off.");
    const QString accept = clear ? QStringLiteral("Clear all routes") : QStringLiteral("Reset to one-to-one");
    // Both replace every route of the grid: Return must not do that.
    const AskedAt asked(m_model, this);
    if (m_dialogs.confirm(title, asked.consequence(message), accept, QStringLiteral("Cancel"),
                          Dialogs::DefaultButton::cancel))
        asked.act([&] { applyToAll(m_model, grid, clear); });
}

bool RoutingView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area && event->type() == QEvent::Resize)
        arrange(static_cast<QResizeEvent*>(event)->size().width() >= oneRowWidth);
    return QWidget::eventFilter(watched, event);
}

void RoutingView::arrange(bool oneRow) {
    if (m_arranged && oneRow == m_oneRow) return;
    m_arranged = true;
    m_oneRow = oneRow;
    delete m_arrangement->layout();
    const auto hstack = [] {
        auto* stack = new QHBoxLayout;
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(14);
        stack->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return stack;
    };
    QHBoxLayout* first = hstack();
    first->addWidget(m_grids[0], 0, Qt::AlignTop);
    first->addWidget(m_arrows[0], 0, Qt::AlignTop);
    first->addWidget(m_grids[1], 0, Qt::AlignTop);
    m_arrows[1]->setVisible(oneRow);
    m_arrows[2]->setVisible(!oneRow);
    if (oneRow) {
        first->addWidget(m_arrows[1], 0, Qt::AlignTop);
        first->addWidget(m_grids[2], 0, Qt::AlignTop);
        first->addStretch(1);
        m_arrangement->setLayout(first);
        return;
    }
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(14);
    rows->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QHBoxLayout* second = hstack();
    second->addWidget(m_arrows[2], 0, Qt::AlignTop);
    second->addWidget(m_grids[2], 0, Qt::AlignTop);
    first->addStretch(1);
    second->addStretch(1);
    rows->addLayout(first);
    rows->addLayout(second);
    m_arrangement->setLayout(rows);
}

void RoutingView::refresh() {
    for (GridView* grid : m_grids) grid->refresh();
    m_inspector->refresh();
}
