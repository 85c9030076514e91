// The designer page: the four steps on the left, the send bar, graphs and legend on the right.
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include "designer/DesignerGraph.h"
#include "designer/DesignerSteps.h"
#include "designer/FIRDesignerView.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"

namespace {

// A panel headed by a symbol and a title in the given weight instead of the caps label.
PanelGroupBox* section(const QString& title, Symbol symbol, bool bold, QWidget* content) {
    auto* box = new PanelGroupBox(title);
    box->setObjectName(title);
    box->titleLabel()->hide();
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    QLabel* icon = symbolLabel(symbol, Theme::primaryText(), 14);
    auto* text = new PlainLabel(title);
    text->setFont(Theme::font(Theme::bodyPx, bold ? QFont::Bold : QFont::Normal));
    header->addWidget(icon);
    header->addWidget(text);
    header->addStretch(1);
    static_cast<QVBoxLayout*>(box->layout())->insertLayout(0, header);
    box->contentLayout()->addWidget(content);
    return box;
}

// The steps scroll down only: the pane is never narrower than its steps (and never narrower
// than 340), so every field and button in them stays whole beside the scroll bar.
class StepsPane : public QScrollArea {
public:
    QSize minimumSizeHint() const override {
        const int steps =
            widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
        return {std::max(340, steps), QScrollArea::minimumSizeHint().height()};
    }
};

QLabel* headline(const QString& text) {
    auto* label = new PlainLabel(text);
    label->setFont(Theme::headlineFont());
    return label;
}

}  // namespace

void FIRDesignerView::buildLayout() {
    auto* split = new QSplitter(Qt::Horizontal);
    split->setChildrenCollapsible(false);
    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(split);

    auto* leftContent = new QWidget;
    auto* left = new QVBoxLayout(leftContent);
    left->setContentsMargins(14, 14, 14, 14);
    left->setSpacing(14);
    left->addWidget(section(QStringLiteral("1 · Import measurement"), Symbol::squareAndArrowDown, true,
                            new ImportStep(*this)));
    left->addWidget(section(QStringLiteral("2 · Target (FIR-EQ)"), Symbol::sliderHorizontal3, true,
                            new TargetStep(*this)));
    left->addWidget(
        section(QStringLiteral("3 · Correction"), Symbol::waveformPath, true, new CorrectionStep(*this)));
    left->addWidget(
        section(QStringLiteral("4 · Generate"), Symbol::squareAndArrowUp, false, new GenerateStep(*this)));
    left->addStretch(1);
    auto* scroll = new StepsPane;
    scroll->setObjectName(QStringLiteral("leftPane"));
    scroll->setWidget(leftContent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setMaximumWidth(440);
    split->addWidget(scroll);

    auto* rightPane = new QWidget;
    auto* right = new QVBoxLayout(rightPane);
    right->setContentsMargins(14, 14, 14, 14);
    right->setSpacing(8);
    sendBar_ = new FIRSendBar(context_);
    right->addWidget(sendBar_);
    auto* graphHeader = new QHBoxLayout;
    graphHeader->addWidget(headline(QStringLiteral("Speaker, target and FIR")));
    graphHeader->addStretch(1);
    auto* showPhaseBox = designerui::checkBox(QStringLiteral("Show phase"));
    showPhaseBox->setObjectName(QStringLiteral("showPhase"));
    connect(showPhaseBox, &QCheckBox::clicked, this, &FIRDesignerView::setShowPhase);
    graphHeader->addWidget(showPhaseBox);
    right->addLayout(graphHeader);
    designGraph_ = new DesignerGraph(DesignerGraph::Mode::design, 17, 24000, 20, -30);
    right->addWidget(designGraph_, 1);
    right->addWidget(headline(QStringLiteral("Result: speaker × FIR")));
    resultGraph_ = new DesignerGraph(DesignerGraph::Mode::result, 17, 24000, 20, -30);
    right->addWidget(resultGraph_, 1);
    legend_ = new DesignerLegend;
    right->addWidget(legend_, 0, Qt::AlignHCenter);
    split->addWidget(rightPane);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({400, 800});

    connect(this, &FIRDesignerView::stateChanged, this, [this, showPhaseBox] {
        for (DesignerGraph* graph : {designGraph_, resultGraph_})
            graph->setInputs(m_, s_, coeffs_, showPhase_);
        legend_->setShowPhase(showPhase_);
        showPhaseBox->setChecked(showPhase_);
        sendBar_->setCoefficients(coeffs_);
        sendBar_->setName(s_.name);
    });
}
