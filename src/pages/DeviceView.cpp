#include "pages/DeviceView.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "link/DeviceText.h"
#include "pages/PageKit.h"
#include "platform/Tasks.h"
#include "ui/ChannelWords.h"
#include "ui/ModelWatcher.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

constexpr quint32 firstChannelName = 378;

QFormLayout* formIn(PanelGroupBox* box) {
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(24);
    form->setVerticalSpacing(8);
    box->contentLayout()->addLayout(form);
    return form;
}

}  // namespace

DeviceView::DeviceView(DSPModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_link(model.link()),
      m_refresh(new ModelWatcher(
          model, pagekit::paramRange(firstChannelName, firstChannelName + 11), [this] { refresh(); }, this)) {
    pagekit::scrollingColumn(this, {buildDeviceSection(), buildNamesSection(), buildChannelSection()});

    // A confirmed save (or a new connection) reloads only the text that changed: what is
    // typed and unsaved in the other fields stays.
    connect(&m_link, &DSPConnection::deviceNameChanged, this,
            [this] { loadDeviceText(m_name, m_link.deviceName()); });
    connect(&m_link, &DSPConnection::deviceGroupChanged, this,
            [this] { loadDeviceText(m_group, m_link.deviceGroup()); });
    for (auto signal : {&DSPConnection::firmwareChanged, &DSPConnection::firmwareDateChanged,
                        &DSPConnection::transportChanged})
        connect(&m_link, signal, m_refresh, &ModelWatcher::schedule);
    loadNames();
}

QWidget* DeviceView::buildDeviceSection() {
    auto* box = new PanelGroupBox(QStringLiteral("Device"));
    QFormLayout* form = formIn(box);
    m_firmware = new PlainLabel;
    m_connection = new PlainLabel;
    form->addRow(new PlainLabel(QStringLiteral("Model")), new PlainLabel(QStringLiteral("KestrelD")));
    form->addRow(new PlainLabel(QStringLiteral("Firmware")), m_firmware);
    form->addRow(new PlainLabel(QStringLiteral("Connection")), m_connection);
    form->addRow(new PlainLabel(QStringLiteral("USB ID")), new PlainLabel(QStringLiteral("28E9:028A")));
    form->addRow(new PlainLabel(QStringLiteral("App version")), new PlainLabel(appVersion()));
    return box;
}

QWidget* DeviceView::buildNamesSection() {
    auto* box = new PanelGroupBox(QStringLiteral("Names stored in the DSP"));
    QFormLayout* form = formIn(box);
    form->addRow(new PlainLabel(QStringLiteral("Device name")),
                 deviceTextRow(m_name, m_saveName, QStringLiteral("Device name"), false));
    form->addRow(new PlainLabel(QStringLiteral("Device group")),
                 deviceTextRow(m_group, m_saveGroup, QStringLiteral("Device group"), true));
    m_messageLabel = pagekit::secondaryLabel(QString(), Theme::captionPx);
    form->addRow(m_messageLabel);
    return box;
}

QWidget* DeviceView::deviceTextRow(QLineEdit*& field, QPushButton*& save, const QString& title, bool group) {
    auto* row = new QWidget;
    nameAccessibleGroup(row, title);  // whose "Save" it is
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    field = new QLineEdit;
    field->setPlaceholderText(title);
    field->setAccessibleName(title);
    QLineEdit* edit = field;
    auto* edits = new FieldEdits(*field, [this, edit](const QString&) { cutField(edit, deviceTextLength); });
    edits->keepAs(group ? QStringLiteral("device.group") : QStringLiteral("device.name"));
    edits->takeNamesOnly();
    line->addWidget(field, 1);
    save = pagekit::button(QStringLiteral("Save"));
    connect(save, &QPushButton::clicked, this, [this, group] { saveDeviceText(group); });
    line->addWidget(save);
    return row;
}

QWidget* DeviceView::buildChannelSection() {
    auto* box = new PanelGroupBox(QStringLiteral("Channel names (8 characters max)"));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(8);
    box->contentLayout()->addLayout(rows);
    for (int ch = 0; ch < 12; ++ch) {
        // Each row is its channel's group, so its "Save" reads as that channel's.
        auto* group = new QWidget;
        nameAccessibleGroup(group, channelLabel(ch));
        auto* line = new QHBoxLayout(group);
        line->setContentsMargins(0, 0, 0, 0);
        auto* label = new PlainLabel(channelLabel(ch));
        label->setFixedWidth(90);
        line->addWidget(label);
        ChannelRow row{new QLineEdit, pagekit::button(QStringLiteral("Save"))};
        auto* edits = new FieldEdits(*row.field, [this, ch, field = row.field](const QString& text) {
            if (ch >= m_channelNames.size()) {
                FieldEdits::of(*field).show(QString());
                return;
            }
            m_channelNames[ch] = pagekit::cutToCharacters(text, channelNameLength).value_or(text);
            if (m_channelNames[ch] != text) {
                FieldEdits::of(*field).show(m_channelNames[ch]);
                field->setModified(true);  // still the user's edit
            }
            refresh();
        });
        edits->keepAs(QStringLiteral("device.channelName.%1").arg(ch));
        edits->takeNamesOnly();
        edits->commitOnReturn([this, ch] { saveChannelName(ch); });
        connect(row.save, &QPushButton::clicked, this, [this, ch] { saveChannelName(ch); });
        line->addWidget(row.field, 1);
        line->addWidget(row.save);
        rows->addWidget(group);
        m_channelRows.append(row);
    }
    return box;
}

QString DeviceView::firmwareText(const std::optional<QString>& version, const std::optional<QString>& date) {
    QStringList known;
    if (version) known.append(*version);
    if (date) known.append(QLatin1Char('(') + *date + QLatin1Char(')'));
    return known.isEmpty() ? QStringLiteral("—") : known.join(QLatin1Char(' '));
}

QString DeviceView::channelLabel(int ch) {
    return channelwords::label(ch);
}

QString DeviceView::appVersion() {
    const QString version = QStringLiteral(KESTREL_VERSION);
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

// The device's texts are shown in their fields with control characters as marks, not boxes or
// a broken line. The device keeps printable characters only, so a save drops the marks as it
// would have dropped the characters they stand for.
void DeviceView::loadDeviceText(QLineEdit* field, const QString& stored) {
    // The device's text read again (a reconnect) leaves a field alone that holds unsaved typing.
    if (!field->isModified())
        FieldEdits::of(*field).show(
            plaintext::oneLine(pagekit::cutToCharacters(stored, deviceTextLength).value_or(stored)));
    refresh();
}

void DeviceView::loadNames() {
    loadDeviceText(m_name, m_link.deviceName());
    loadDeviceText(m_group, m_link.deviceGroup());
    m_channelNames.clear();
    m_followedNames.clear();
    for (int ch = 0; ch < 12; ++ch) {
        m_channelNames.append(storedName(ch));
        m_followedNames.append(m_channelNames[ch]);
        FieldEdits::of(*m_channelRows[ch].field).show(m_channelNames[ch]);
    }
    refresh();
}

void DeviceView::cutField(QLineEdit* field, int length) {
    if (const std::optional<QString> cut = pagekit::cutToCharacters(field->text(), length)) {
        FieldEdits::of(*field).show(*cut);
        field->setModified(true);  // still the user's edit
    }
    refresh();
}

void DeviceView::saveChannelName(int ch) {
    // The name the device holds is not written back, as the field shows it or at all.
    if (ch >= m_channelNames.size() || !nameRead(ch) || m_channelNames[ch] == storedName(ch)) return;
    const QString text = printableASCII(m_channelNames[ch]).left(channelNameLength);
    if (text.isEmpty()) return;
    m_model.write(firstChannelName + quint32(ch), DSPFrame::packString(text, 2), std::nullopt, false);
    // The field shows the name as the device stores it (what was dropped is not in the name),
    // no longer as an edit: the next name that comes from elsewhere replaces it.
    m_followedNames[ch] = storedName(ch);
    m_channelNames[ch] = m_followedNames[ch];
    FieldEdits::of(*m_channelRows[ch].field).show(m_channelNames[ch]);
    m_channelRows[ch].field->setModified(false);
    refresh();
}

void DeviceView::saveDeviceText(bool group) {
    QLineEdit* field = group ? m_group : m_name;
    const QString text = field->text();
    // Sent, the text is no longer an edit: the confirmation shows what the device took.
    field->setModified(false);
    tasks::startTask([self = QPointer<DeviceView>(this), link = QPointer<DSPConnection>(&m_link), text,
                      group]() -> QCoro::Task<> {
        if (!link) co_return;
        const bool done = group ? co_await link->setDeviceGroup(text) : co_await link->setDeviceName(text);
        if (!self) co_return;
        // Not taken, the text is the user's unsaved edit again: kept across a page switch and
        // a reload, and saved with the next try.
        QLineEdit* sent = group ? self->m_group : self->m_name;
        if (!done && sent->text() == text) sent->setModified(true);
        self->m_message =
            done ? (group ? QStringLiteral("Device group saved.") : QStringLiteral("Device name saved."))
                 : QStringLiteral("The DSP didn't confirm.");
        self->refresh();
    });
}

bool DeviceView::nameRead(int ch) const {
    return channelwords::nameRead(m_model, ch);
}

QString DeviceView::storedName(int ch) const {
    return nameRead(ch) ? plaintext::oneLine(m_model.channelName(ch)) : QString();
}

void DeviceView::followStoredName(int ch) {
    // A name that changed in the table (a project sent, the demo device, a read-back) replaces
    // the field's, unless the user has typed a name there that is not saved yet.
    const QString stored = storedName(ch);
    if (stored == m_followedNames[ch]) return;
    m_followedNames[ch] = stored;
    QLineEdit* field = m_channelRows[ch].field;
    if (field->isModified()) return;
    m_channelNames[ch] = stored;
    FieldEdits::of(*field).show(stored);
}

void DeviceView::refresh() {
    m_firmware->setText(firmwareText(m_link.firmware(), m_link.firmwareDate()));
    if (m_model.demo())
        m_connection->setText(QStringLiteral("Demo device"));
    else if (m_model.connected())
        m_connection->setText(m_link.hasNetworkLink() ? QStringLiteral("Network") : QStringLiteral("USB"));
    else
        m_connection->setText(QStringLiteral("Not connected"));

    const auto savable = [this](const QString& text, const QString& stored) {
        return !text.isEmpty() && text != plaintext::oneLine(stored) && m_model.connected();
    };
    m_saveName->setEnabled(savable(m_name->text(), m_link.deviceName()));
    m_saveGroup->setEnabled(savable(m_group->text(), m_link.deviceGroup()));
    m_messageLabel->setVisible(m_message.has_value());
    m_messageLabel->setText(m_message.value_or(QString()));

    for (int ch = 0; ch < 12; ++ch) {
        const bool held = ch < m_channelNames.size();
        if (held) followStoredName(ch);
        const QString name = held ? m_channelNames[ch] : QString();
        // A name the device never reported is no name to show or to edit: the default one
        // would be written as if the user had typed it.
        const bool read = nameRead(ch);
        enableIfRead({m_channelRows[ch].field}, read);
        m_channelRows[ch].field->setPlaceholderText(read ? QString() : notReadText());
        m_channelRows[ch].save->setEnabled(held && read && !name.isEmpty() && name != storedName(ch));
    }
}
