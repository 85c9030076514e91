#include "pages/PresetsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "link/DSPModel.h"
#include "pages/PageKit.h"
#include "platform/Tasks.h"
#include "ui/DeviceMoments.h"
#include "ui/DeviceWork.h"
#include "ui/Dialogs.h"
#include "ui/ModelWatcher.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeptEdits.h"

namespace {

const QString keptSlotKey = QStringLiteral("presets.slot");

QLabel* capsuleLabel(const QString& text, const QColor& colour) {
    auto* label = new PlainLabel(text);
    label->setFont(Theme::font(Theme::captionPx));
    const QColor fill = Theme::withOpacity(colour, 0.3);
    label->setStyleSheet(QStringLiteral("QLabel { background: rgba(%1, %2, %3, %4); border-radius: 7px; "
                                        "padding: 2px 6px; }")
                             .arg(fill.red())
                             .arg(fill.green())
                             .arg(fill.blue())
                             .arg(fill.alphaF()));
    return label;
}

struct Confirmation {
    QString verb;
    QString message;
    QString button;
    // Recalling is what the dialog is for; overwriting and deleting lose a stored preset.
    Dialogs::DefaultButton defaultButton = Dialogs::DefaultButton::cancel;
};

Confirmation confirmationFor(PresetsView::Action::Kind kind) {
    using Kind = PresetsView::Action::Kind;
    switch (kind) {
        case Kind::save:
            return {QStringLiteral("Overwrite"),
                    QStringLiteral(
                        "The preset stored in this slot will be replaced by the DSP's current settings."),
                    QStringLiteral("Overwrite slot ")};
        case Kind::recall:
            return {QStringLiteral("Recall"),
                    QStringLiteral(
                        "All current settings on the DSP will be replaced by this preset. Turn amplifiers "
                        "down if you're unsure what it contains."),
                    QStringLiteral("Recall slot "), Dialogs::DefaultButton::accept};
        case Kind::remove:
            break;
    }
    return {QStringLiteral("Delete"), QStringLiteral("This preset will be permanently removed from the DSP."),
            QStringLiteral("Delete slot ")};
}

const DSPModel::PresetSlot* presetIn(const DSPModel& model, int slot) {
    for (const DSPModel::PresetSlot& preset : model.presets())
        if (preset.id == slot) return &preset;
    return nullptr;
}

}  // namespace

PresetsView::PresetsView(DSPModel& model, Dialogs& dialogs, KeptEdits* kept, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_dialogs(dialogs),
      m_kept(kept),
      m_refresh(new ModelWatcher(
          model, {}, [this] { refresh(); }, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(buildList(), 1);
    row->addWidget(pagekit::divider());
    row->addWidget(buildDetail());

    m_overlay = new PlainLabel(QStringLiteral("Presets live in the DSP — connect one to use them."), this);
    m_overlay->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(58, 58, 60, 0.92); border-radius: 8px; padding: 12px 16px; }"));
    m_overlay->adjustSize();

    for (auto signal :
         {&DSPModel::presetsChanged, &DSPModel::currentPresetChanged, &DSPModel::presetBusyChanged})
        connect(&model, signal, m_refresh, &ModelWatcher::schedule);
    // An emptied list (a read-back starting again) is no longer the device's answer.
    connect(&model, &DSPModel::presetsChanged, this, [this] {
        if (m_model.presets().isEmpty()) m_listAnswered = false;
    });
    refresh();
    if (m_kept) select(m_kept->choice<int>(keptSlotKey));
}

QWidget* PresetsView::buildList() {
    m_list = new QListWidget;
    m_list->setAccessibleName(QStringLiteral("Preset slots"));
    m_list->setMinimumWidth(320);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    for (int slot = 0; slot < slotCount; ++slot) {
        auto* item = new QListWidgetItem(m_list);
        item->setData(Qt::UserRole, slot);
        auto* rowWidget = new QWidget;
        auto* line = new QHBoxLayout(rowWidget);
        line->setContentsMargins(8, 3, 8, 3);
        auto* number = new PlainLabel(QString::number(slot));
        number->setFont(Theme::monoFont(Theme::bodyPx));
        number->setFixedWidth(24);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pagekit::setTextColour(number, Theme::secondaryText());
        line->addWidget(number);
        Row row{new PlainLabel, capsuleLabel(QStringLiteral("Current"), Palette::green()),
                capsuleLabel(QStringLiteral("Boot"), QColor(255, 214, 10)), new PlainLabel};
        line->addWidget(row.caption);
        line->addStretch(1);
        line->addWidget(row.current);
        line->addWidget(row.boot);
        row.lock->setPixmap(symbolIcon(Symbol::lockFill, Theme::secondaryText(), 12).pixmap(12, 12));
        row.lock->setToolTip(QStringLiteral("Protected slot"));
        line->addWidget(row.lock);
        row.boot->setVisible(slot == 0);
        row.lock->setVisible(isProtected(slot));
        item->setSizeHint(rowWidget->sizeHint());
        m_list->setItemWidget(item, rowWidget);
        m_rows.append(row);
    }
    // The selection, not the current row: the list makes its first row current when it
    // takes the focus, which is no choice of the user's.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = m_list->selectedItems();
        select(chosen.isEmpty() ? std::nullopt : std::optional<int>(m_list->row(chosen.first())));
    });
    return m_list;
}

QWidget* PresetsView::buildDetail() {
    m_detail = new QWidget;
    m_detail->setFixedWidth(300);
    auto* stack = new QVBoxLayout(m_detail);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(14);
    auto* title = new PlainLabel(QStringLiteral("Device presets"));
    title->setFont(pagekit::title3Font());
    stack->addWidget(title);
    stack->addWidget(pagekit::secondaryLabel(
        QStringLiteral(
            "Presets are stored inside the DSP. Slot 0 \"Auto\" holds the live settings and loads at "
            "power-on."),
        Theme::calloutPx));
    m_unknownNote = pagekit::secondaryLabel(
        QStringLiteral("The preset list hasn't been read from the DSP, so any slot may hold a preset."),
        Theme::calloutPx);
    stack->addWidget(m_unknownNote);

    m_selectHint = pagekit::secondaryLabel(QStringLiteral("Select a slot."), Theme::bodyPx);
    stack->addWidget(m_selectHint);
    m_slotPart = new QWidget;
    auto* slotStack = new QVBoxLayout(m_slotPart);
    slotStack->setContentsMargins(0, 0, 0, 0);
    slotStack->setSpacing(14);
    m_headline = new PlainLabel;
    m_headline->setFont(Theme::headlineFont());
    slotStack->addWidget(m_headline);
    m_name = new QLineEdit;
    m_name->setPlaceholderText(QStringLiteral("Preset name (max 20 characters)"));
    auto* nameEdits = new FieldEdits(*m_name, [this](const QString&) { cutName(); });
    nameEdits->keepAs(QStringLiteral("presets.name"));
    nameEdits->takeNamesOnly();
    slotStack->addWidget(m_name);
    m_store = pagekit::button(QString());
    connect(m_store, &QPushButton::clicked, this, [this] { Dialogs::askLater(this, [this] { store(); }); });
    slotStack->addWidget(m_store, 0, Qt::AlignLeft);
    m_recall = pagekit::button(QStringLiteral("Recall…"));
    connect(m_recall, &QPushButton::clicked, this, [this] {
        Dialogs::askLater(this, [this] {
            if (m_selected) askFor({Action::Kind::recall, *m_selected});
        });
    });
    slotStack->addWidget(m_recall, 0, Qt::AlignLeft);
    m_delete = pagekit::button(QStringLiteral("Delete…"));
    QPalette destructive = m_delete->palette();
    destructive.setColor(QPalette::ButtonText, Theme::systemRed());
    m_delete->setPalette(destructive);
    connect(m_delete, &QPushButton::clicked, this, [this] {
        Dialogs::askLater(this, [this] {
            if (m_selected) askFor({Action::Kind::remove, *m_selected});
        });
    });
    slotStack->addWidget(m_delete, 0, Qt::AlignLeft);
    stack->addWidget(m_slotPart);

    m_working = new QWidget;
    auto* working = new QHBoxLayout(m_working);
    working->setContentsMargins(0, 0, 0, 0);
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0);
    spinner->setFixedSize(60, 8);
    spinner->setTextVisible(false);
    working->addWidget(spinner);
    working->addWidget(new PlainLabel(QStringLiteral("Working…")));
    working->addStretch(1);
    stack->addWidget(m_working);
    m_messageLabel = pagekit::secondaryLabel(QString(), Theme::calloutPx);
    stack->addWidget(m_messageLabel);
    stack->addStretch(1);
    m_refreshList = pagekit::button(QStringLiteral("Refresh list"), true);
    connect(m_refreshList, &QPushButton::clicked, this, [this] { readList(); });
    stack->addWidget(m_refreshList, 0, Qt::AlignLeft);
    return m_detail;
}

bool PresetsView::listKnown() const {
    // Without a device (none, or the demo device, which keeps no presets) there is no list
    // to wait for: what the model holds is all there is.
    return !m_model.presets().isEmpty() || m_listAnswered || m_model.demo() || !m_model.connected();
}

bool PresetsView::isOccupied(int slot) const {
    return presetIn(m_model, slot) != nullptr;
}

QString PresetsView::slotLabel(int slot) const {
    if (slot == 0) return QStringLiteral("Auto (live settings)");
    if (slot == 1) return QStringLiteral("Default");
    if (const DSPModel::PresetSlot* preset = presetIn(m_model, slot))
        return preset->nameAnswered ? plaintext::oneLine(preset->name) : QStringLiteral("Name not read");
    return listKnown() ? QStringLiteral("Empty") : QStringLiteral("Unknown");
}

void PresetsView::select(std::optional<int> slot) {
    if (slot && (*slot < 0 || *slot >= slotCount)) slot.reset();
    if (slot != m_selected) {
        m_selected = slot;
        if (m_kept) m_kept->setChoice(keptSlotKey, slot);
        const QSignalBlocker block(m_list);
        if (slot)
            m_list->setCurrentRow(*slot, QItemSelectionModel::ClearAndSelect);
        else
            m_list->clearSelection();
        // The stored name on one line, as the list shows it; none where it is not known.
        const DSPModel::PresetSlot* preset = slot ? presetIn(m_model, *slot) : nullptr;
        FieldEdits::of(*m_name).show(preset ? plaintext::oneLine(preset->name) : QString());
    }
    refresh();
}

void PresetsView::cutName() {
    if (const std::optional<QString> cut = pagekit::cutToCharacters(m_name->text(), nameLength)) {
        FieldEdits::of(*m_name).show(*cut);
        m_name->setModified(true);  // still the user's edit
    }
    refresh();
}

void PresetsView::readList(std::function<void()> then) {
    tasks::startTask([self = QPointer<PresetsView>(this), model = QPointer<DSPModel>(&m_model),
                      then = std::move(then)]() -> QCoro::Task<> {
        bool answered = false;
        if (model) answered = co_await model->refreshPresets();
        if (!self) co_return;
        self->m_listAnswered = answered;
        self->refresh();
        if (then) then();
    });
}

void PresetsView::store() {
    if (!m_selected || isProtected(*m_selected) || m_storeWaitsForList) return;
    const int slot = *m_selected;
    if (listKnown()) {
        storeKnowing(slot);
        return;
    }
    // Whether the slot holds a preset decides whether to ask, so the list is read first.
    m_storeWaitsForList = true;
    refresh();
    readList([this, slot] {
        m_storeWaitsForList = false;
        refresh();
        // The list's answer comes inside the link's reading: its question waits for the event loop.
        Dialogs::askLater(this, [this, slot] { storeKnowing(slot); });
    });
}

void PresetsView::storeKnowing(int slot) {
    const Action save{Action::Kind::save, slot};
    // Still unanswered, the list cannot tell an empty slot from a stored preset: ask as for one.
    if (!listKnown() || isOccupied(slot))
        askFor(save);
    else
        perform(save, AskedAt(m_model, this));
}

void PresetsView::askFor(Action action) {
    Confirmation c = confirmationFor(action.kind);
    QString subject = QStringLiteral("\"") + slotLabel(action.slot) + QStringLiteral("\"");
    // A preset whose name the DSP did not send is named by its slot alone.
    const DSPModel::PresetSlot* preset = presetIn(m_model, action.slot);
    if (preset && !preset->nameAnswered) {
        subject = QStringLiteral("slot ") + QString::number(action.slot);
        c.message = QStringLiteral("The DSP didn't send this preset's name. ") + c.message;
    }
    if (!listKnown() && !isProtected(action.slot)) {
        subject = QStringLiteral("slot ") + QString::number(action.slot);
        if (action.kind == Action::Kind::save)
            c.message = QStringLiteral(
                "The DSP hasn't sent its preset list, so this slot may hold a preset. It would be "
                "replaced by the DSP's current settings.");
    }
    const QString title = c.verb + QLatin1Char(' ') + subject + QLatin1Char('?');
    // The slot named is the one of the device connected now: answered after another device
    // connected, or none, the answer is nothing to that one.
    const AskedAt asked(m_model, this);
    if (m_dialogs.confirm(title, asked.consequence(c.message), c.button + QString::number(action.slot),
                          QStringLiteral("Cancel"), c.defaultButton) &&
        !asked.ended())
        perform(action, asked);
}

void PresetsView::perform(Action action, const AskedAt& asked) {
    // Stored, recalled or deleted while other work is on its way, a preset would hold or meet
    // part of it.
    const QString verb = action.kind == Action::Kind::save     ? QStringLiteral("Store")
                         : action.kind == Action::Kind::recall ? QStringLiteral("Recall")
                                                               : QStringLiteral("Delete");
    if (m_work && !m_work->mayStartAnother(QStringLiteral("%1 slot %2 anyway?").arg(verb).arg(action.slot),
                                           verb + QStringLiteral(" Anyway")))
        return;
    asked.act([this, action] { start(action); });
}

void PresetsView::start(Action action) {
    setMessage(std::nullopt);
    tasks::startTask([self = QPointer<PresetsView>(this), model = QPointer<DSPModel>(&m_model),
                      action]() -> QCoro::Task<> {
        if (!self || !model) co_return;
        bool done = false;
        switch (action.kind) {
            case Action::Kind::save:
                done = co_await model->storePreset(action.slot, self->m_name->text());
                break;
            case Action::Kind::recall:
                done = co_await model->recallPreset(action.slot);
                break;
            case Action::Kind::remove:
                done = co_await model->deletePreset(action.slot);
                break;
        }
        if (self) self->setMessage(done ? QStringLiteral("Done.") : failedText);
    });
}

void PresetsView::setMessage(std::optional<QString> message) {
    m_message = std::move(message);
    refresh();
}

void PresetsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    placeOverlay();
    // Another client may have stored or deleted a preset since the list was read: a slot shown
    // as empty would then be overwritten without a question.
    readList();
}

void PresetsView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeOverlay();
}

void PresetsView::placeOverlay() {
    m_overlay->move((width() - m_overlay->width()) / 2, (height() - m_overlay->height()) / 2);
    m_overlay->raise();
}

void PresetsView::setDetailEnabled(bool enabled) {
    if (enabled == m_detail->isEnabled()) return;
    if (!enabled) {
        // Disabling takes the focus from the button that started the operation; it comes back
        // afterwards (to its neighbour where the operation took the button away, as "Delete…"
        // goes with the preset), unless the user has put it somewhere else meanwhile.
        m_focusBeforeBusy.emplace(*m_detail);
        m_detail->setEnabled(false);
        m_focusBeforeBusy->park();
        return;
    }
    m_detail->setEnabled(true);
    if (m_focusBeforeBusy) std::exchange(m_focusBeforeBusy, std::nullopt)->restore();
}

void PresetsView::refresh() {
    for (int slot = 0; slot < slotCount; ++slot) {
        const Row& row = m_rows[slot];
        row.caption->setText(slotLabel(slot));
        pagekit::setTextColour(row.caption, isOccupied(slot) || isProtected(slot) ? Theme::primaryText()
                                                                                  : Theme::secondaryText());
        const bool current = slot >= 1 && m_model.currentPreset() == slot;
        row.current->setVisible(current);
        // The row is drawn by its widget; the list item carries what it says for assistive tools.
        QStringList spoken{QString::number(slot), slotLabel(slot)};
        if (current) spoken << QStringLiteral("Current");
        if (slot == 0) spoken << QStringLiteral("Boot");
        if (isProtected(slot)) spoken << QStringLiteral("Protected slot");
        m_list->item(slot)->setData(Qt::AccessibleTextRole, spoken.join(QStringLiteral(", ")));
    }

    setDetailEnabled(!m_model.presetBusy() && !m_model.demo());
    m_overlay->setVisible(m_model.demo());
    m_working->setVisible(m_model.presetBusy());
    m_unknownNote->setVisible(!listKnown() && !m_model.demo());
    m_messageLabel->setVisible(m_message.has_value());
    m_messageLabel->setText(m_message.value_or(QString()));

    m_selectHint->setVisible(!m_selected);
    m_slotPart->setVisible(m_selected.has_value());
    if (!m_selected) return;
    const int slot = *m_selected;
    const bool occupied = isOccupied(slot);
    m_headline->setText(QStringLiteral("Slot %1: %2").arg(slot).arg(slotLabel(slot)));
    m_name->setVisible(!isProtected(slot));
    m_store->setVisible(!isProtected(slot));
    if (occupied)
        m_store->setText(QStringLiteral("Overwrite with current settings…"));
    else  // unknown, the slot may hold a preset: a question may follow
        m_store->setText(listKnown() ? QStringLiteral("Save current settings here")
                                     : QStringLiteral("Save current settings here…"));
    m_store->setEnabled(!m_storeWaitsForList && !pagekit::trimmedBlanks(m_name->text()).isEmpty());
    m_recall->setVisible(isProtected(slot) || occupied);
    m_delete->setVisible(!isProtected(slot) && occupied);
}
