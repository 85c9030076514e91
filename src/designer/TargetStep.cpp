// 2 · Target (FIR-EQ): high-pass, low-pass and the EQ bands the correction aims at.
#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "designer/DesignerSteps.h"
#include "designer/FIRDesignerView.h"
#include "link/DeviceVocabulary.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Theme.h"

using namespace designerui;

namespace {

QComboBox* slopePicker() {
    auto* picker = new QComboBox;
    for (FilterSlope slope : FilterSlope::allCases()) picker->addItem(slope.name(), slope.rawValue());
    picker->setFixedWidth(80);
    picker->setFocusPolicy(Qt::TabFocus);
    picker->setAccessibleName(QStringLiteral("Slope"));  // the row's group says which filter's
    return picker;
}

// Shows the entry whose value is `raw`, or none when no entry has it.
void select(QComboBox* picker, int raw) {
    picker->setCurrentIndex(picker->findData(raw));
}

QHBoxLayout* row(int spacing) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

}  // namespace

// ---- band rows -------------------------------------------------------------------------

BandRow::BandRow(FIRDesignerView& view, int index, QWidget* parent)
    : QWidget(parent), view_(view), index_(index) {
    auto* layout = row(6);
    setLayout(layout);
    // Fifteen rows of the same fields: each row is its band's group.
    nameAccessibleGroup(this, QStringLiteral("Band %1").arg(index + 1));
    on = checkBox(QString::number(index + 1));
    on->setFixedWidth(40);
    type = new QComboBox;
    type->addItem(QStringLiteral("PEQ"), 0);
    type->addItem(QStringLiteral("Low shelf"), 1);
    type->addItem(QStringLiteral("High shelf"), 2);
    type->setFixedWidth(92);
    type->setFocusPolicy(Qt::TabFocus);
    type->setAccessibleName(QStringLiteral("Type"));
    hz = new CompactNumberField(QStringLiteral("%.0f"), QStringLiteral("Hz"), 52);
    q = new CompactNumberField(QStringLiteral("%.2f"), QStringLiteral("Q"), 52);
    db = new CompactNumberField(QStringLiteral("%+.1f"), QStringLiteral("dB"), 52);
    hz->setRange(20, 22000);
    q->setRange(0.25, 20);
    db->setRange(-15, 15);
    hz->lineEdit()->setAccessibleName(QStringLiteral("Frequency"));
    q->lineEdit()->setAccessibleName(QStringLiteral("Q"));
    db->lineEdit()->setAccessibleName(QStringLiteral("Gain"));
    for (QWidget* w : std::initializer_list<QWidget*>{on, type, hz, q, db})
        layout->addWidget(w, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    connect(on, &QCheckBox::clicked, &view, [this](bool checked) { view_.setBandOn(index_, checked); });
    connect(type, &QComboBox::activated, &view,
            [this](int entry) { view_.setBandType(index_, type->itemData(entry).toInt()); });
    connect(hz, &CompactNumberField::committed, &view, [this](double v) { view_.setBandHz(index_, v); });
    connect(q, &CompactNumberField::committed, &view, [this](double v) { view_.setBandQ(index_, v); });
    connect(db, &CompactNumberField::committed, &view, [this](double v) { view_.setBandDB(index_, v); });
    auto* faint = new QGraphicsOpacityEffect(this);
    faint->setOpacity(0.6);
    setGraphicsEffect(faint);
    refresh();
}

void BandRow::refresh() {
    const auto& bands = view_.settings().bands;
    if (size_t(index_) >= bands.size()) return;
    const FIRDesignerSettings::Band& band = bands[size_t(index_)];
    on->setChecked(band.on);
    select(type, band.type);
    showValue(hz, band.hz);
    showValue(q, band.q);
    showValue(db, band.db);
    // An off band stays fully editable; it is only drawn fainter. An on band draws without
    // the effect: at full opacity it would only cost an offscreen pass.
    graphicsEffect()->setEnabled(!band.on);
}

double BandRow::opacity() const {
    const auto* effect = static_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    return effect->isEnabled() ? effect->opacity() : 1.0;
}

// ---- the step --------------------------------------------------------------------------

TargetStep::TargetStep(FIRDesignerView& view, QWidget* parent) : QWidget(parent), view_(view) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);

    auto* header = row(6);
    bypass = checkBox(QStringLiteral("Bypass target EQ"));
    reset = button(QStringLiteral("Reset"));
    reset->setFont(Theme::font(Theme::captionPx + 1));
    header->addWidget(bypass);
    header->addStretch(1);
    header->addWidget(reset);
    stack->addLayout(header);
    connect(bypass, &QCheckBox::clicked, &view, &FIRDesignerView::setEQBypass);
    connect(reset, &QPushButton::clicked, &view, &FIRDesignerView::resetTarget);

    auto filterRow = [&](const QString& title, QCheckBox*& onBox, QComboBox*& slope, CompactNumberField*& hz,
                         bool FIRDesignerSettings::*onField, int FIRDesignerSettings::*slopeField,
                         double FIRDesignerSettings::*hzField) {
        auto* group = new QWidget;
        nameAccessibleGroup(group, title);  // both filters offer a slope and a frequency
        auto* layout = row(6);
        group->setLayout(layout);
        onBox = checkBox(title);
        onBox->setFixedWidth(96);
        slope = slopePicker();
        hz = new CompactNumberField(QStringLiteral("%.0f"), QStringLiteral("Hz"), 52);
        hz->setRange(20, 22000);
        hz->lineEdit()->setAccessibleName(QStringLiteral("Frequency"));
        layout->addWidget(onBox, 0, Qt::AlignVCenter);
        layout->addWidget(slope, 0, Qt::AlignVCenter);
        layout->addWidget(hz, 0, Qt::AlignVCenter);
        layout->addStretch(1);
        stack->addWidget(group);
        connect(onBox, &QCheckBox::clicked, &view,
                [&view, onField](bool on) { view.setBoolSetting(onField, on); });
        connect(slope, &QComboBox::activated, &view, [&view, slopeField, picker = slope](int entry) {
            view.setIntSetting(slopeField, picker->itemData(entry).toInt());
        });
        connect(hz, &CompactNumberField::committed, &view,
                [&view, hzField](double value) { view.setFrequencySetting(hzField, value); });
    };
    filterRow(QStringLiteral("High-pass"), hpOn, hpSlope, hpHz, &FIRDesignerSettings::hpOn,
              &FIRDesignerSettings::hpSlope, &FIRDesignerSettings::hpHz);
    filterRow(QStringLiteral("Low-pass"), lpOn, lpSlope, lpHz, &FIRDesignerSettings::lpOn,
              &FIRDesignerSettings::lpSlope, &FIRDesignerSettings::lpHz);
    stack->addWidget(divider());

    bandStack_ = new QVBoxLayout;
    bandStack_->setContentsMargins(0, 0, 0, 0);
    bandStack_->setSpacing(6);
    stack->addLayout(bandStack_);

    connect(&view, &FIRDesignerView::stateChanged, this, &TargetStep::refresh);
    refresh();
}

void TargetStep::refresh() {
    const FIRDesignerSettings& s = view_.settings();
    bypass->setChecked(s.eqBypass);
    hpOn->setChecked(s.hpOn);
    select(hpSlope, s.hpSlope);
    showValue(hpHz, s.hpHz);
    lpOn->setChecked(s.lpOn);
    select(lpSlope, s.lpSlope);
    showValue(lpHz, s.lpHz);

    // Stored settings may hold another number of bands than the fifteen of the defaults.
    while (bands.size() > qsizetype(s.bands.size())) delete bands.takeLast();
    while (bands.size() < qsizetype(s.bands.size())) {
        auto* band = new BandRow(view_, int(bands.size()));
        bands.append(band);
        bandStack_->addWidget(band);
    }
    for (BandRow* band : bands) band->refresh();
}
