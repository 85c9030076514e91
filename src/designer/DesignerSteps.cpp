#include "designer/DesignerSteps.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

#include "designer/FIRDesignerView.h"
#include "platform/NumText.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/Theme.h"
#include "ui/controls/UnitSlider.h"

namespace designerui {

namespace {

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

}  // namespace

QLabel* label(const QString& text, double px, bool secondary) {
    auto* l = new PlainLabel(text);
    l->setFont(Theme::font(px));
    if (secondary) setTextColour(l, Theme::secondaryText());
    return l;
}

QCheckBox* checkBox(const QString& text, bool bold) {
    auto* box = new QCheckBox(text);
    box->setFont(Theme::font(Theme::bodyPx, bold ? QFont::Bold : QFont::Normal));
    // Reached by Tab, but a click leaves the focus in the field being typed in.
    box->setFocusPolicy(Qt::TabFocus);
    return box;
}

QPushButton* button(const QString& text) {
    auto* b = new QPushButton(text);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QWidget* divider() {
    auto* line = new QFrame;
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Theme::white(0.07));
    line->setPalette(palette);
    line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return line;
}

void showValue(CompactNumberField* field, double value) {
    if (field->value() != value || field->lineEdit()->isModified()) field->setValue(value);
}

QWidget* rangeRow(const QString& title, CompactNumberField* from, CompactNumberField* to) {
    auto* row = new QWidget;
    nameAccessibleGroup(row, title);  // whose "From" and "to" these are
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(label(QStringLiteral("From"), Theme::bodyPx));
    layout->addWidget(from);
    layout->addWidget(label(QStringLiteral("to"), Theme::bodyPx));
    layout->addWidget(to);
    layout->addStretch(1);
    return row;
}

}  // namespace designerui

using namespace designerui;

// ---- 1 · Import measurement -----------------------------------------------------------

ImportStep::ImportStep(FIRDesignerView& view, QWidget* parent) : QWidget(parent), view_(view) {
    // Its "Clear" drops the measurement; the send bar has another "Clear" for its targets.
    nameAccessibleGroup(this, QStringLiteral("Import measurement"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);

    summary = label(QString(), Theme::calloutPx);
    summary->setWordWrap(true);
    stack->addWidget(summary);

    auto* buttons = new QHBoxLayout;
    loadButton = button(QStringLiteral("Load…"));
    pasteButton = button(QStringLiteral("Paste"));
    pasteButton->setToolTip(
        QStringLiteral("Smaart's Copy as ASCII, or any text with frequency, dB, phase columns"));
    clearButton = button(QStringLiteral("Clear"));
    for (QPushButton* b : {loadButton, pasteButton, clearButton}) buttons->addWidget(b);
    buttons->addStretch(1);
    stack->addLayout(buttons);
    connect(loadButton, &QPushButton::clicked, &view, &FIRDesignerView::importMeasurement);
    connect(pasteButton, &QPushButton::clicked, &view, &FIRDesignerView::pasteMeasurement);
    connect(clearButton, &QPushButton::clicked, &view, &FIRDesignerView::clearMeasurement);

    normalise = checkBox(QStringLiteral("Normalise magnitude to max"));
    connect(normalise, &QCheckBox::clicked, &view, &FIRDesignerView::setNormalise);
    stack->addWidget(normalise);

    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(label(QStringLiteral("Offset"), Theme::bodyPx));
    offset = new UnitSlider(Qt::Horizontal, [](int db) { return numtext::format("%+.0f dB", double(db)); });
    offset->setRange(-120, 30);
    connect(offset, &QSlider::valueChanged, &view, [&view](int value) { view.setOffset(value); });
    offsetRow->addWidget(offset, 1);
    offsetValue = new PlainLabel;
    offsetValue->setFont(Theme::monoFont(Theme::bodyPx - 1));
    offsetValue->setFixedWidth(52);
    offsetValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    offsetRow->addWidget(offsetValue);
    stack->addLayout(offsetRow);

    stack->addWidget(
        label(QStringLiteral("Supports Smaart (.txt), REW (.txt) and CSV exports."), Theme::captionPx, true));
    connect(&view, &FIRDesignerView::stateChanged, this, &ImportStep::refresh);
    refresh();
}

void ImportStep::refresh() {
    const auto& m = view_.measurement();
    summary->setText(m ? FIRDesignerView::measurementSummary(*m) : QStringLiteral("No measurement loaded"));
    QPalette palette = summary->palette();
    palette.setColor(QPalette::WindowText, m ? Theme::primaryText() : Theme::secondaryText());
    summary->setPalette(palette);
    clearButton->setEnabled(m.has_value());
    const FIRDesignerSettings& s = view_.settings();
    normalise->setChecked(s.normalise);
    {
        const QSignalBlocker blocker(offset);
        offset->setValue(int(std::lround(std::clamp(s.offsetDB, -120.0, 30.0))));
    }
    offsetValue->setText(numtext::format("%+.0f dB", s.offsetDB));
}

// ---- 4 · Generate ----------------------------------------------------------------------

GenerateStep::GenerateStep(FIRDesignerView& view, QWidget* parent) : QWidget(parent), view_(view) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);

    auto* tapsRow = new QHBoxLayout;
    tapsRow->setSpacing(0);
    tapsRow->addWidget(label(QStringLiteral("Taps"), Theme::bodyPx));
    tapsRow->addSpacing(8);
    taps = new SegmentedPicker({QStringLiteral("256"), QStringLiteral("512")}, {});
    taps256 = taps->segment(0);
    taps512 = taps->segment(1);
    // Rounded only at the outer ends, the chosen segment filled with the accent.
    taps->setStyleSheet(QStringLiteral(
        "QPushButton { background: rgba(255,255,255,0.08); border: 1px solid rgba(255,255,255,0.14);"
        " padding: 3px 0; min-width: 64px; }"
        "QPushButton:checked { background: rgb(10,132,255); color: white; }"
        "QPushButton[edge=\"first\"] { border-top-left-radius: 5px; border-bottom-left-radius: 5px; }"
        "QPushButton[edge=\"last\"] { border-top-right-radius: 5px; border-bottom-right-radius: 5px; }"));
    tapsRow->addWidget(taps);
    tapsRow->addStretch(1);
    stack->addLayout(tapsRow);
    connect(taps, &SegmentedPicker::chosen, &view,
            [&view](const QString& value) { view.setTaps(value.toInt()); });

    latency = label(QString(), Theme::captionPx, true);
    stack->addWidget(latency);

    name = new QLineEdit;
    name->setPlaceholderText(QStringLiteral("FIR name"));
    (new FieldEdits(*name, [&view](const QString& text) { view.setName(text); }))->takeNamesOnly();
    stack->addWidget(name);

    auto* hint =
        label(QStringLiteral("Send it with the bar above the graphs, or load it from any channel's FIR tab."),
              Theme::captionPx, true);
    hint->setWordWrap(true);
    stack->addWidget(hint);

    auto* actions = new QHBoxLayout;
    exportButton = button(QStringLiteral("Export…"));
    undoButton = button(QStringLiteral("Undo"));
    actions->addWidget(exportButton);
    actions->addStretch(1);
    actions->addWidget(undoButton);
    stack->addLayout(actions);
    connect(exportButton, &QPushButton::clicked, &view, &FIRDesignerView::exportCoefficients);
    connect(undoButton, &QPushButton::clicked, &view, &FIRDesignerView::undo);

    status = label(QString(), Theme::captionPx, true);
    status->setWordWrap(true);
    stack->addWidget(status);
    unusable = label(FIRDesignerView::unusableDesignText, Theme::captionPx);
    setTextColour(unusable, Theme::systemOrange());
    unusable->setWordWrap(true);
    stack->addWidget(unusable);

    connect(&view, &FIRDesignerView::stateChanged, this, &GenerateStep::refresh);
    refresh();
}

void GenerateStep::refresh() {
    const FIRDesignerSettings& s = view_.settings();
    taps->setCurrent(QString::number(s.taps));
    const double limit = 144000.0 / s.taps;
    latency->setText(
        numtext::format("Latency %.2f ms at 48 kHz · works above ≈ %.0f Hz", s.taps * 0.5 / 48, limit));
    if (name->text() != s.name) {
        const int cursor = name->cursorPosition();
        FieldEdits::of(*name).show(s.name);
        name->setCursorPosition(std::min(cursor, int(s.name.size())));
    }
    undoButton->setEnabled(!view_.history().isEmpty());
    exportButton->setEnabled(view_.designUsable());
    unusable->setVisible(!view_.designUsable());
    status->setVisible(view_.status().has_value());
    status->setText(view_.status().value_or(QString()));
}
