#include "editor/BandColumns.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <cmath>

#include "editor/BandColumn.h"
#include "editor/EditorKit.h"
#include "link/ParamMap.h"
#include "ui/DeviceMoments.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Popover.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"
#include "ui/input/PopupFocus.h"

namespace {

struct Sizes {
    int spacing;
    double knob;
    double field;
    int minimumWidth;
};

Sizes sizesFor(int ch) {
    return ParamMap::isInput(ch) ? Sizes{3, 28, 42, 46} : Sizes{4, 32, 52, 0};
}

constexpr int headerHeight = 26;
constexpr int typeHeight = 28;
constexpr int cellHeight = 62;

QString typeTitle(qint64 raw) {
    if (auto type = EQBandType::fromRaw(raw)) return type->shortName();
    return QStringLiteral("Type ") + QString::number(raw);
}

QWidget* titleColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(34);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 4, 0, 4);
    stack->setSpacing(0);
    const QList<std::pair<QString, int>> titles{{QStringLiteral("Band"), headerHeight},
                                                {QStringLiteral("Type"), typeHeight},
                                                {QStringLiteral("Freq\nHz"), cellHeight},
                                                {QStringLiteral("Gain\ndB"), cellHeight},
                                                {QStringLiteral("Q"), cellHeight}};
    for (const auto& [text, height] : titles) {
        QLabel* title =
            editorkit::label(text.toUpper(), Theme::font(9, QFont::DemiBold), Theme::secondaryText());
        title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        title->setFixedHeight(height);
        stack->addWidget(title);
    }
    stack->addStretch(1);
    return column;
}

}  // namespace

double BandColumns::maxQ(qint64 type) {
    return EQBandType::largestQForRaw(type);
}

BandColumns::BandColumns(DSPModel& model, int ch, QWidget* parent)
    : QWidget(parent), m_model(model), m_ch(ch), m_scroll(new QScrollArea) {
    const Sizes sizes = sizesFor(ch);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(sizes.spacing);
    layout->addWidget(titleColumn(), 0, Qt::AlignTop);
    const int count = ParamMap::isInput(ch) ? ParamMap::inputEQBands : ParamMap::outputEQBands;
    for (int b = 0; b < count; ++b) {
        auto* column = new BandColumn(*this, ch, b);
        m_columns.append(column);
        layout->addWidget(column, 1, Qt::AlignTop);
    }

    m_scroll->setWidget(row);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    refresh();
}

void BandColumns::refresh() {
    for (int b = 0; b < m_columns.size(); ++b) {
        const quint32 number = ParamMap::eqBandParam(m_ch, b);
        const bool read = m_model.holds(number);
        m_columns[b]->display(m_model.band(m_ch, b), b == m_selected, read);
        // A band the device sent with a value no control can hold says why it cannot be edited.
        enableIfRead({m_columns[b]}, read, m_model.unshowable(number).value_or(QString()));
    }
    fitHeight();
}

// Room for the row and, when it does not fit the width the editor has now, the
// scroll bar with 8 points below. The row's height and width are the polished
// ones, and the width changes with every resize.
void BandColumns::fitHeight() {
    QWidget* row = m_scroll->widget();
    const int rowHeight = row->sizeHint().height();
    const bool scrolls = row->minimumSizeHint().width() > width();
    setFixedHeight(rowHeight + (scrolls ? m_scroll->horizontalScrollBar()->sizeHint().height() + 8 : 0));
}

bool BandColumns::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::Polish:
            for (QWidget* child : findChildren<QWidget*>()) child->ensurePolished();
            fitHeight();
            break;
        case QEvent::Resize:
        case QEvent::StyleChange:
        case QEvent::FontChange:
            fitHeight();
            break;
        default:
            break;
    }
    return handled;
}

void BandColumns::setSelected(int band) {
    if (band == m_selected) return;
    m_selected = band;
    refresh();
}

void BandColumns::choose(int band) {
    setSelected(band);
    Q_EMIT selectedChanged(band);
}

void BandColumns::chooseType(int band, qint64 type) {
    // The type a band has is no change: choosing it again writes nothing (and keeps a shelf's Q).
    if (m_model.band(m_ch, band).type == type) {
        choose(band);
        return;
    }
    writeBand(band, [type](DSPModel::Band& b) {
        b.type = type;
        if (type == EQBandType::lowShelf || type == EQBandType::highShelf) b.q = 1.0f;
    });
}

void BandColumns::writeBand(int band, const std::function<void(DSPModel::Band&)>& change) {
    choose(band);
    const quint32 number = ParamMap::eqBandParam(m_ch, band);
    std::optional<DSPModel::Words> words = m_model.heldWords(number, 4);
    if (!words) return;
    DSPModel::Band edited = DSPModel::decodeBand(*words);
    change(edited);
    if (DSPModel::encodeBand(*words, edited)) m_model.write(number, *words);
}

BandColumn::BandColumn(BandColumns& owner, int ch, int band)
    : m_owner(owner),
      m_ch(ch),
      m_band(band),
      m_badge(new Disc(20, Theme::font(11, QFont::Bold))),
      m_on(new QCheckBox),
      m_type(new QToolButton),
      m_dim(new QGraphicsOpacityEffect(this)) {
    const Sizes sizes = sizesFor(ch);
    const QColor tint = Palette::channel(ch);
    m_freqKnob = new Encoder({20, 20000, true, 1}, false, std::nullopt, tint, sizes.knob);
    m_gainKnob = new Encoder({-15, 15, false, 0.1}, true, 0.0, tint, sizes.knob);
    m_qKnob = new Encoder({0.25, 128, true, 0.01}, false, std::nullopt, tint, sizes.knob);
    m_freqField = new CompactNumberField(QStringLiteral("%.0f"), QString(), sizes.field);
    m_gainField = new CompactNumberField(QStringLiteral("%+.1f"), QString(), sizes.field);
    m_qField = new CompactNumberField(QStringLiteral("%.2f"), QString(), sizes.field);
    // Typing the link took away stays this device's until it comes back (KeptEdits).
    keepTyping(*m_freqField, QStringLiteral("eq.%1.%2.freq").arg(ch).arg(band));
    keepTyping(*m_gainField, QStringLiteral("eq.%1.%2.gain").arg(ch).arg(band));
    keepTyping(*m_qField, QStringLiteral("eq.%1.%2.q").arg(ch).arg(band));
    // Typed frequencies reach 22000 Hz, and an allpass band's Q 179.
    m_freqField->setRange(20, 22000);
    m_gainField->setRange(-15, 15);
    m_qField->setRange(0.25, BandColumns::maxQ(EQBandType::allpass));
    const QString name = tr("Band %1 ").arg(band + 1);
    nameAccessibleGroup(this, name.trimmed());
    // Every band has the same captions; the band's number tells them apart.
    m_on->setAccessibleName(name + tr("on"));
    // A knob keeps its own help, how to turn it; band and quantity are its spoken name.
    const auto describe = [&name](Encoder* knob, CompactNumberField* field, const QString& quantity) {
        knob->setAccessibleName(name + quantity);
        field->setToolTip(name + quantity);
    };
    describe(m_freqKnob, m_freqField, tr("frequency, Hz"));
    describe(m_gainKnob, m_gainField, tr("gain, dB"));
    describe(m_qKnob, m_qField, tr("Q"));

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 4, 0, 4);
    stack->setSpacing(0);
    auto* header = new QWidget;
    header->setFixedHeight(headerHeight);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(4);
    headerRow->addStretch(1);
    headerRow->addWidget(m_badge);
    headerRow->addWidget(m_on);
    headerRow->addStretch(1);
    stack->addWidget(header);

    // One choice among the types: the band's own is checked, as menus show it and assistive
    // tools read it.
    auto* menu = new QMenu(m_type);
    auto* types = new QActionGroup(menu);
    for (EQBandType type : EQBandType::allCases()) {
        QAction* action = menu->addAction(type.name(), this,
                                          [this, raw = type.rawValue()] { m_owner.chooseType(m_band, raw); });
        action->setCheckable(true);
        action->setData(type.rawValue());
        types->addAction(action);
    }
    m_type->setMenu(menu);
    makePopoverMenu(*menu, *m_type);
    closeWhenDeviceMovesOn(*menu, m_owner.model());
    m_type->setPopupMode(QToolButton::InstantPopup);
    m_type->setFixedHeight(20);
    m_type->setFont(Theme::font(10, QFont::Medium));
    m_type->setToolTip(tr("Band type"));
    m_type->setAccessibleName(name + tr("type"));  // the face shows the choice
    m_type->setFocusPolicy(Qt::TabFocus);
    m_type->setStyleSheet(
        QStringLiteral("QToolButton { background: rgba(255,255,255,18); border: none; "
                       "border-radius: 5px; padding: 0 6px; }"
                       "QToolButton::menu-indicator { image: none; width: 0; }"));
    auto* typeRow = new QWidget;
    typeRow->setFixedHeight(typeHeight);
    auto* typeLayout = new QHBoxLayout(typeRow);
    typeLayout->setContentsMargins(0, 0, 0, 0);
    typeLayout->addWidget(m_type, 0, Qt::AlignCenter);
    stack->addWidget(typeRow);
    stack->addWidget(cell(m_freqKnob, m_freqField));
    stack->addWidget(cell(m_gainKnob, m_gainField));
    stack->addWidget(cell(m_qKnob, m_qField));

    setMinimumWidth(sizes.minimumWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_dim->setOpacity(0.55);
    m_dim->setEnabled(false);
    setGraphicsEffect(m_dim);

    const QList<QWidget*> controls{m_on,
                                   m_type,
                                   m_freqKnob,
                                   m_gainKnob,
                                   m_qKnob,
                                   m_freqField->lineEdit(),
                                   m_gainField->lineEdit(),
                                   m_qField->lineEdit()};
    for (QWidget* control : controls) selectOnReach(control);

    auto write = [this](auto change) { m_owner.writeBand(m_band, change); };
    connect(m_on, &QCheckBox::toggled, this,
            [write](bool on) { write([on](DSPModel::Band& b) { b.on = on; }); });
    connect(m_freqKnob, &Encoder::valueEdited, this, [write](double v) {
        if (auto hz = editorkit::wholePart(v)) write([hz](DSPModel::Band& b) { b.freq = *hz; });
    });
    connect(m_freqField, &CompactNumberField::committed, this, [write](double v) {
        if (auto hz = editorkit::wholePart(std::clamp(v, 20.0, 22000.0)))
            write([hz](DSPModel::Band& b) { b.freq = *hz; });
    });
    connect(m_gainKnob, &Encoder::valueEdited, this,
            [write](double v) { write([v](DSPModel::Band& b) { b.gain = float(v); }); });
    connect(m_gainField, &CompactNumberField::committed, this, [write](double v) {
        write([v](DSPModel::Band& b) { b.gain = std::clamp(float(v), -15.0f, 15.0f); });
    });
    connect(m_qKnob, &Encoder::valueEdited, this,
            [write](double v) { write([v](DSPModel::Band& b) { b.q = float(v); }); });
    connect(m_qField, &CompactNumberField::committed, this, [write](double v) {
        write(
            [v](DSPModel::Band& b) { b.q = std::clamp(float(v), 0.25f, float(BandColumns::maxQ(b.type))); });
    });
}

QWidget* BandColumn::cell(Encoder* knob, CompactNumberField* field) {
    auto* box = new QWidget;
    box->setFixedHeight(cellHeight);
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(3);
    stack->addWidget(knob, 0, Qt::AlignHCenter);
    stack->addWidget(field, 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return box;
}

void BandColumn::display(const DSPModel::Band& band, bool selected, bool read) {
    m_selected = selected;
    m_badge->setLook(selected ? Palette::channel(m_ch) : Theme::white(0.1), QString::number(m_band + 1),
                     selected ? QColor(Qt::black) : Theme::primaryText());
    const double maxQ = BandColumns::maxQ(band.type);
    if (m_qKnob->scale().hi != maxQ) {
        // The knob's range follows the band type; a knob is rebuilt for a new range.
        auto* knob = new Encoder({0.25, maxQ, true, 0.01}, false, std::nullopt, Palette::channel(m_ch),
                                 sizesFor(m_ch).knob);
        knob->setAccessibleName(m_qKnob->accessibleName());
        editorkit::replaceControl(m_qKnob, knob);
        m_qKnob = knob;
        selectOnReach(m_qKnob);
        connect(m_qKnob, &Encoder::valueEdited, this,
                [this](double v) { m_owner.writeBand(m_band, [v](DSPModel::Band& b) { b.q = float(v); }); });
    }
    const QSignalBlocker blockOn(m_on);
    m_on->setChecked(read && band.on);
    m_on->setToolTip(!read ? tr("Band on or off — not read") : band.on ? tr("Band on") : tr("Band off"));
    m_type->setText(read ? typeTitle(band.type) : QStringLiteral("—"));
    for (QAction* action : m_type->menu()->actions())
        action->setChecked(read && action->data().toLongLong() == band.type);
    const QColor tint = editorkit::tint(m_ch, read && band.on);
    for (Encoder* knob : {m_freqKnob, m_gainKnob, m_qKnob}) {
        const QSignalBlocker block(knob);
        knob->setTint(tint);
    }
    m_freqKnob->setValue(double(band.freq));
    m_gainKnob->setValue(band.gain);
    m_qKnob->setValue(band.q);
    m_freqField->setValue(double(band.freq));
    m_gainField->setValue(band.gain);
    m_qField->setValue(band.q);
    if (!read) {
        for (CompactNumberField* field : {m_freqField, m_gainField, m_qField}) field->showUnknown();
        for (Encoder* knob : {m_freqKnob, m_gainKnob, m_qKnob}) knob->showUnknown();
    }
    for (QWidget* control : {static_cast<QWidget*>(m_on), static_cast<QWidget*>(m_type)})
        showReadState(*control, read);
    m_dim->setEnabled(read && !band.on);
    update();
}

double BandColumn::shownOpacity() const {
    return m_dim->isEnabled() ? m_dim->opacity() : 1.0;
}

void BandColumn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = Palette::channel(m_ch);
    Theme::fillRoundedRect(painter, rect(), 8,
                           m_selected ? Theme::withOpacity(colour, 0.13) : Theme::white(0.03));
    if (m_selected) Theme::strokeRoundedRectInside(painter, rect(), 8, Theme::withOpacity(colour, 0.5));
}

void BandColumn::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_owner.choose(m_band);
    QWidget::mousePressEvent(event);
}

// Tab into a band's controls, or a press on one, selects the band as a click on its column
// does: the controls take the press and the keyboard has no other way to the column itself.
void BandColumn::selectOnReach(QWidget* control) {
    control->installEventFilter(this);
}

bool BandColumn::eventFilter(QObject* watched, QEvent* event) {
    if (!m_selected && reachesControl(*event)) m_owner.choose(m_band);
    return QWidget::eventFilter(watched, event);
}

bool BandColumn::reachesControl(const QEvent& event) {
    if (event.type() == QEvent::MouseButtonPress)
        return static_cast<const QMouseEvent&>(event).button() == Qt::LeftButton;
    if (event.type() != QEvent::FocusIn) return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent&>(event).reason();
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
}
