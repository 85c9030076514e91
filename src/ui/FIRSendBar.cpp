#include "ui/FIRSendBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "link/DSPModel.h"
#include "link/Levels.h"
#include "platform/NumText.h"
#include "platform/Settings.h"
#include "platform/Tasks.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceMoments.h"
#include "ui/DeviceNote.h"
#include "ui/DeviceWork.h"
#include "ui/Dialogs.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/FlowLayout.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeyboardFocus.h"

namespace {

constexpr quint32 firBypassParam = 391;
// The room of the FIR's name beside the send button, in average characters, and the lines
// of a send's progress and result.
constexpr int nameChars = 16;
constexpr int statusLines = 2;

void setSecondary(QLabel* label, double px) {
    label->setFont(Theme::font(px));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::secondaryText());
    label->setPalette(palette);
}

FIRSendBar::Targets range(int from, int to) {
    FIRSendBar::Targets targets;
    for (int i = from; i <= to; ++i) targets.append(i);
    return targets;
}

// The filter reached the block and reads back as sent; only the name's answer was lost.
bool filterArrived(const DSPModel::FIROutcome& outcome) {
    return outcome.answer == DSPModel::FIROutcome::Answer::taken &&
           outcome.holds == DSPModel::FIROutcome::Holds::sent && !outcome.name;
}

// A failure's own sentence ends where the list of failures goes on.
QString withoutFullStop(QString text) {
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

// One upload run. It belongs to no widget: it runs to its end even when the bar that
// started it is gone, and then only stops reporting to it.
QCoro::Task<> sendRun(QPointer<DSPModel> dsp, FIRSendBar::Targets targets, DSPFrame::Words coefficients,
                      std::optional<DSPFrame::Words> header, QString name,
                      std::function<void(std::optional<QString>)> report, std::function<void()> finish,
                      DeviceWork::Ticket ticket) {
    // A channel whose name was never read is called by what it is, and says so; in the lists of
    // the status line in a form whose comma cannot read as a channel more.
    const auto named = [&dsp](int t) { return channelwords::listedName(*dsp, t); };
    QStringList sent;
    QStringList failed;
    for (int t : targets) {
        if (!dsp) co_return;
        report(QStringLiteral("Sending to %1…").arg(channelwords::spokenName(*dsp, t)));
        const DSPModel::FIROutcome outcome = co_await dsp->putFIR(t, coefficients, header, name);
        if (!dsp) co_return;
        if (outcome.done())
            sent.append(named(t));
        else if (filterArrived(outcome))
            sent.append(named(t) + QStringLiteral(" (name not read back)"));
        else
            failed.append(named(t) + QStringLiteral(": ") + withoutFullStop(outcome.text()));
        // Counted once the channel's upload has ended, read-back and name included.
        ticket.setDone(int(sent.size() + failed.size()));
    }
    if (!dsp) co_return;
    finish();

    QStringList bypassed;
    for (int t : targets) {
        const DSPFrame::Words words = dsp->params().value(firBypassParam + quint32(t));
        if (!words.isEmpty() && words[0] != 0) bypassed.append(named(t));
    }
    QString status;
    if (!sent.isEmpty())
        status += QStringLiteral("Sent to ") + sent.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (!failed.isEmpty())
        status += QStringLiteral(" Failed — ") + failed.join(QStringLiteral("; ")) + QLatin1Char('.');
    if (!bypassed.isEmpty())
        status += QStringLiteral(" FIR is bypassed on ") + bypassed.join(QStringLiteral(", ")) +
                  QStringLiteral(" — switch it on (F on the mixer strip) to hear it.");
    report(status);
}

}  // namespace

FIRSendBar::FIRSendBar(const AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), status_(new DeviceNote(*context.model, this)) {
    if (!context_.settings) context_.settings = &Settings::shared();
    connect(status_, &DeviceNote::changed, this, &FIRSendBar::refresh);
    // Its "Clear" empties the targets; the designer has another "Clear" for the measurement.
    nameAccessibleGroup(this, QStringLiteral("Send to"));
    buildLayout();
    connect(context_.settings, &Settings::changed, this, [this](const QString& key) {
        if (key == targetsKey) refresh();
    });
    DSPModel* dsp = context_.model;
    connect(dsp, &DSPModel::connectedChanged, this, &FIRSendBar::refresh);
    connect(dsp, &DSPModel::demoChanged, this, &FIRSendBar::refresh);
    connect(dsp, &DSPModel::paramsReset, this, &FIRSendBar::refresh);
    connect(dsp, &DSPModel::paramChanged, this, [this](quint32 number) {
        if (number >= channelwords::nameParam(0) && number < channelwords::nameParam(blockCount)) refresh();
    });
    refresh();
}

// ---- the stored set --------------------------------------------------------------------

FIRSendBar::Targets FIRSendBar::parseTargets(const QString& text) {
    Targets targets;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<qint64> index = numtext::parseInteger(piece);
        if (index && *index >= 0 && *index < blockCount && !targets.contains(int(*index)))
            targets.append(int(*index));
    }
    std::sort(targets.begin(), targets.end());
    return targets;
}

QString FIRSendBar::targetsText(const Targets& targets) {
    QStringList pieces;
    for (int t : targets) pieces.append(QString::number(t));
    return pieces.join(QLatin1Char(','));
}

FIRSendBar::Targets FIRSendBar::targets() const {
    return parseTargets(context_.settings->text(targetsKey, QStringLiteral("4")));
}

void FIRSendBar::setTargets(const Targets& targets) {
    saveTargets(targets, *context_.settings);
}

FIRSendBar::Targets FIRSendBar::loadTargets(Settings& store) {
    return parseTargets(store.text(targetsKey));
}

void FIRSendBar::saveTargets(const Targets& targets, Settings& store) {
    Targets sorted = parseTargets(targetsText(targets));
    store.setValue(targetsKey, targetsText(sorted));
}

void FIRSendBar::toggleTarget(int index) {
    Targets set = targets();
    if (set.contains(index))
        set.removeAll(index);
    else
        set.append(index);
    setTargets(set);
}

// ---- inputs and state ------------------------------------------------------------------

void FIRSendBar::setCoefficients(const QList<float>& coefficients) {
    coefficients_ = coefficients;
    refresh();
}

void FIRSendBar::setName(const QString& name) {
    name_ = name;
    refresh();
}

void FIRSendBar::setHeader(std::optional<DSPFrame::Words> header) {
    header_ = std::move(header);
}

void FIRSendBar::setBusy(bool busy) {
    // The send button is disabled while it sends, which takes the keys from it; they come
    // back to it afterwards.
    if (busy) focusBeforeBusy_.emplace(*this);
    busy_ = busy;
    refresh();
    if (busy) {
        focusBeforeBusy_->park();
    } else if (focusBeforeBusy_) {
        std::exchange(focusBeforeBusy_, std::nullopt)->restore();
    }
}

const std::optional<QString>& FIRSendBar::status() const {
    return status_->text();
}

void FIRSendBar::setStatus(std::optional<QString> status, const QString& device) {
    status_->set(std::move(status), device);
}

// ---- sending ---------------------------------------------------------------------------

QString FIRSendBar::confirmationTitle(const Targets& targets) const {
    QStringList names;
    for (int t : targets) names.append(channelwords::listedName(*context_.model, t));
    return plaintext::oneLine(
        QStringLiteral("Send “%1” to %2?").arg(name_, names.join(QStringLiteral(", "))));
}

void FIRSendBar::requestSend() {
    // The designer may go while a question is open, and the link it was asked on may close: each
    // answer finds both, or does nothing. The designer stays when another device connects.
    const AskedAt asked(*context_.model, this);
    if (context_.work &&
        !context_.work->mayStartAnother(QStringLiteral("Send “%1” anyway?").arg(plaintext::oneLine(name_)),
                                        QStringLiteral("Send Anyway")))
        return;
    if (asked.ended()) return;
    const Targets list = targets();
    const bool confirmed = context_.dialogs->confirm(
        confirmationTitle(list),
        asked.consequence(QStringLiteral(
            "Replaces the filter in each channel's FIR block. Bypass settings are left as they are.")),
        QStringLiteral("Send"), QStringLiteral("Cancel"));
    if (confirmed) asked.act([this, &list] { startSend(list); });
}

void FIRSendBar::startSend(const Targets& targets) {
    setBusy(true);
    // What the run reports is about the device it was started on, in that device's names.
    const QString device = context_.model->device();
    setStatus(std::nullopt, device);
    DSPFrame::Words words;
    for (float c : coefficients_) words.append(levels::bits(c));
    const QPointer<FIRSendBar> self(this);
    auto report = [self, device](std::optional<QString> status) {
        if (self) self->setStatus(std::move(status), device);
    };
    auto finish = [self] {
        if (!self) return;
        self->setBusy(false);
        if (self->onSent) self->onSent();
    };
    // Quitting and other device operations ask first while the upload runs.
    auto ticket = std::make_shared<DeviceWork::Ticket>(
        context_.work ? context_.work->begin(QStringLiteral("The FIR “%1”").arg(name_),
                                             QStringLiteral("channels done"), int(targets.size()))
                      : DeviceWork::Ticket());
    tasks::startTask([self, dsp = QPointer<DSPModel>(context_.model), targets, words, header = header_,
                      name = name_, report, finish, ticket]() {
        return sendRun(dsp, targets, words, header, name, report, finish, std::move(*ticket));
    });
}

// ---- layout ----------------------------------------------------------------------------

void FIRSendBar::buildLayout() {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(10, 10, 10, 10);
    stack->setSpacing(8);

    // Both rows wrap where the pane is too narrow for them, so no label is cut: the send
    // button and the FIR name keep to the end of their line.
    auto* first = new FlowLayout(8, 8);
    first->setLastAtEnd(true);
    auto* caption = new PlainLabel(QStringLiteral("Send to"));
    setSecondary(caption, 11);
    caption->setFont(Theme::capsFont(11, QFont::DemiBold, 0));
    first->addWidget(caption);
    const std::pair<QString, Targets> quick[] = {
        {QStringLiteral("All inputs"), range(0, 3)},
        {QStringLiteral("All outputs"), range(4, 11)},
        {QStringLiteral("Everything"), range(0, 11)},
        {QStringLiteral("Clear"), {}},
    };
    for (const auto& [title, set] : quick) {
        auto* button = new QPushButton(title);
        button->setFocusPolicy(Qt::TabFocus);
        button->setFont(Theme::font(Theme::captionPx + 1));
        connect(button, &QPushButton::clicked, this, [this, set] { setTargets(set); });
        quickButtons_.append(button);
        first->addWidget(button);
    }
    auto* sending = new QWidget;
    auto* sendRow = new QHBoxLayout(sending);
    sendRow->setContentsMargins(0, 0, 0, 0);
    sendRow->setSpacing(8);
    // The FIR's name is typed in the designer: it keeps at least a share of the row, so typing
    // a short one never reflows the row, and is shown whole where the row has room; only a name
    // longer than a whole row is cut to fit.
    nameLabel_ = new ElidedLabel(QString());
    setSecondary(nameLabel_, Theme::captionPx);
    nameLabel_->setMinimumWidth(nameLabel_->fontMetrics().averageCharWidth() * nameChars);
    nameLabel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    nameLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sendRow->addWidget(nameLabel_);
    sendButton_ = new QPushButton;
    sendButton_->setFocusPolicy(Qt::TabFocus);
    // The prominent style: filled with the accent colour while it can be pressed.
    QPalette prominent = sendButton_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        prominent.setColor(group, QPalette::Button, prominent.color(QPalette::Highlight));
        prominent.setColor(group, QPalette::ButtonText, Qt::white);
    }
    sendButton_->setPalette(prominent);
    connect(sendButton_, &QPushButton::clicked, this,
            [this] { Dialogs::askLater(this, [this] { requestSend(); }); });
    sendRow->addWidget(sendButton_);
    first->addWidget(sending);
    stack->addLayout(first);

    auto* second = new FlowLayout(5, 5);
    for (int i = 0; i < blockCount; ++i) {
        if (i == 4) {
            // A hairline with 3 points of air each side parts the inputs from the outputs.
            auto* gap = new QWidget;
            gap->setFixedSize(7, 18);
            auto* divider = new QWidget(gap);
            divider->setGeometry(3, 0, 1, 18);
            divider->setAutoFillBackground(true);
            QPalette palette = divider->palette();
            palette.setColor(QPalette::Window, Theme::white(0.07));
            divider->setPalette(palette);
            second->addWidget(gap);
        }
        auto* chip = new ChannelChip(i);
        connect(chip, &ChannelChip::clicked, this, [this, i] { toggleTarget(i); });
        chips_.append(chip);
        second->addWidget(chip);
    }
    stack->addLayout(second);

    // The send's progress and result come and go: their lines keep their room, so what lies
    // below the bar stays put.
    statusLabel_ = new ElidedLabel(QString());
    setSecondary(statusLabel_, Theme::captionPx);
    statusLabel_->setLineCount(statusLines);
    QSizePolicy keepRoom = statusLabel_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    statusLabel_->setSizePolicy(keepRoom);
    stack->addWidget(statusLabel_);
}

QPushButton* FIRSendBar::quickButton(const QString& title) const {
    for (QPushButton* button : quickButtons_)
        if (button->text() == title) return button;
    return nullptr;
}

namespace {

const QString sendingLabel = QStringLiteral("Sending…");

QString sendLabel(qsizetype n) {
    return QStringLiteral("Send to %1 channel%2…")
        .arg(QString::number(n), n == 1 ? QString() : QStringLiteral("s"));
}

// The width the button asks for with the widest of the labels, as its size hint measures one.
int widthFor(const QPushButton& button, const QStringList& labels) {
    int widest = 0;
    for (const QString& label : labels) {
        QStyleOptionButton option;
        option.initFrom(&button);
        option.text = label;
        const QSize text = button.fontMetrics().size(Qt::TextShowMnemonic, label);
        widest = std::max(
            widest, button.style()->sizeFromContents(QStyle::CT_PushButton, &option, text, &button).width());
    }
    return widest;
}

}  // namespace

void FIRSendBar::refresh() {
    const Targets set = targets();
    const DSPModel& dsp = *context_.model;
    const qsizetype n = set.size();
    sendButton_->setText(busy_ ? sendingLabel : sendLabel(n));
    // The button is as wide as its longest label from the start, so a label growing with the
    // set or with a send never pushes it onto a line of its own.
    sendButton_->setMinimumWidth(widthFor(*sendButton_, {sendLabel(blockCount), sendingLabel}));
    // A filter with a value that is not a number is never offered for upload.
    const bool finite =
        std::all_of(coefficients_.cbegin(), coefficients_.cend(), [](float c) { return std::isfinite(c); });
    sendButton_->setEnabled(!busy_ && !set.isEmpty() && !coefficients_.isEmpty() && finite &&
                            dsp.connected());
    sendButton_->setToolTip(dsp.connected() ? QStringLiteral("Upload this FIR to the selected channels")
                                            : QStringLiteral("Connect to the DSP first"));
    nameLabel_->setText(name_);
    for (int i = 0; i < blockCount; ++i) {
        // A name never read is no name: the chip shows "—" and says whose name it is not.
        chips_[i]->setState(channelwords::shownName(dsp, i), channelwords::spokenName(dsp, i),
                            set.contains(i));
    }
    statusLabel_->setVisible(status().has_value());
    statusLabel_->setText(status().value_or(QString()));
}

void FIRSendBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Theme::fillRoundedRect(painter, rect(), 10, Palette::panelFill());
    Theme::strokeRoundedRectInside(painter, rect(), 10, Theme::white(0.07));
}

// ---- chips -----------------------------------------------------------------------------

ChannelChip::ChannelChip(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setFont(Theme::font(11, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ChannelChip::setState(const QString& shown, const QString& spoken, bool selected) {
    setChecked(selected);
    // Where the face is not the whole story, the tip and assistive tools tell it.
    const QString told = spoken == shown ? QString() : spoken;
    if (accessibleName() != told) {
        setAccessibleName(told);
        setToolTip(told);
    }
    if (shown == name_) return;
    name_ = shown;
    // The name is the device's text: an "&" in it is a character, not a shortcut mark.
    setText(plaintext::asTitle(shown));
    updateGeometry();
    update();
}

QSize ChannelChip::sizeHint() const {
    return {fontMetrics().horizontalAdvance(name_) + 14, 22};
}

void ChannelChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = Palette::channel(index_);
    const QRectF box = rect();
    if (isChecked()) {
        Theme::fillRoundedRect(painter, box, 5, Theme::withOpacity(colour, 0.25));
        Theme::strokeRoundedRectInside(painter, box, 5, colour);
    } else {
        Theme::fillRoundedRect(painter, box, 5, Theme::white(0.05));
    }
    painter.setPen(isChecked() ? colour : Theme::secondaryText());
    painter.drawText(box, Qt::AlignCenter, name_);
}
