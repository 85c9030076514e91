// 3 · Correction: how far the measurement is corrected towards the target.
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "designer/DesignerSteps.h"
#include "designer/FIRDesignerView.h"
#include "platform/NumText.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"

using namespace designerui;

namespace {

CompactNumberField* hzField() {
    auto* field = new CompactNumberField(QStringLiteral("%.0f"), QStringLiteral("Hz"), 52);
    field->setRange(20, 22000);
    return field;
}

}  // namespace

CorrectionStep::CorrectionStep(FIRDesignerView& view, QWidget* parent) : QWidget(parent), view_(view) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);

    magOn = checkBox(QStringLiteral("Magnitude correction"), true);
    magMin = hzField();
    magMax = hzField();
    aroundAverage = checkBox(QStringLiteral("Correct around the average level"));
    aroundAverage->setToolTip(
        QStringLiteral("Cuts peaks and fills dips evenly, instead of boosting everything up to 0 dB"));
    maxBoost = new CompactNumberField(QStringLiteral("%.0f"), QStringLiteral("dB"), 52);
    maxBoost->setRange(0, 24);
    phaseOn = checkBox(QStringLiteral("Phase correction"), true);
    phaseMin = hzField();
    phaseMax = hzField();

    auto* boostRow = new QHBoxLayout;
    boostRow->addWidget(label(QStringLiteral("Max boost"), Theme::bodyPx));
    boostRow->addWidget(maxBoost);
    boostRow->addStretch(1);

    warning = new QWidget;
    auto* warningRow = new QHBoxLayout(warning);
    warningRow->setContentsMargins(0, 0, 0, 0);
    warningRow->setSpacing(4);
    QLabel* icon = symbolLabel(Symbol::infoCircle, Theme::systemOrange(), 12);
    warningRow->addWidget(icon, 0, Qt::AlignTop);
    warningText = label(QString(), Theme::captionPx);
    QPalette orange = warningText->palette();
    orange.setColor(QPalette::WindowText, Theme::systemOrange());
    warningText->setPalette(orange);
    warningText->setWordWrap(true);
    warningRow->addWidget(warningText, 1);
    // The warning comes and goes with the settings: its line stays, so the steps below it do
    // not move under the pointer.
    QSizePolicy keepRoom = warning->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    warning->setSizePolicy(keepRoom);

    stack->addWidget(magOn);
    stack->addWidget(rangeRow(magOn->text(), magMin, magMax));
    stack->addWidget(aroundAverage);
    stack->addLayout(boostRow);
    stack->addWidget(divider());
    stack->addWidget(phaseOn);
    stack->addWidget(rangeRow(phaseOn->text(), phaseMin, phaseMax));
    stack->addWidget(warning);

    connect(magOn, &QCheckBox::clicked, &view, &FIRDesignerView::setMagOn);
    connect(aroundAverage, &QCheckBox::clicked, &view, &FIRDesignerView::setAroundAverage);
    connect(phaseOn, &QCheckBox::clicked, &view, &FIRDesignerView::setPhaseOn);
    connect(maxBoost, &CompactNumberField::committed, &view, &FIRDesignerView::setMaxBoost);
    const std::pair<CompactNumberField*, double FIRDesignerSettings::*> frequencies[] = {
        {magMin, &FIRDesignerSettings::magMin},
        {magMax, &FIRDesignerSettings::magMax},
        {phaseMin, &FIRDesignerSettings::phaseMin},
        {phaseMax, &FIRDesignerSettings::phaseMax},
    };
    for (const auto& [field, member] : frequencies)
        connect(field, &CompactNumberField::committed, &view,
                [&view, member](double hz) { view.setFrequencySetting(member, hz); });

    connect(&view, &FIRDesignerView::stateChanged, this, &CorrectionStep::refresh);
    refresh();
}

void CorrectionStep::refresh() {
    const FIRDesignerSettings& s = view_.settings();
    const auto& m = view_.measurement();
    magOn->setChecked(s.magOn);
    showValue(magMin, s.magMin);
    showValue(magMax, s.magMax);
    aroundAverage->setChecked(s.aroundAverage);
    showValue(maxBoost, s.maxBoostDB);
    phaseOn->setChecked(s.phaseOn);
    phaseOn->setEnabled(m && Measurement::hasPhase(m->points));
    showValue(phaseMin, s.phaseMin);
    showValue(phaseMax, s.phaseMax);

    // Below 144000 / taps Hz a FIR of this length can hardly act.
    const double limit = 144000.0 / s.taps;
    const bool weak = (s.magOn && s.magMin < limit) || (s.phaseOn && s.phaseMin < limit);
    warning->setVisible(weak);
    warningText->setText(numtext::format(
        "With %d taps the FIR only works above about %.0f Hz. Correction below that will be weak.", s.taps,
        limit));
}
