#include "ui/DeviceNote.h"

#include "link/DSPModel.h"

DeviceNote::DeviceNote(const DSPModel& model, QObject* parent) : QObject(parent), m_model(model) {
    connect(&model, &DSPModel::deviceChanged, this, &DeviceNote::deviceChanged);
}

void DeviceNote::set(std::optional<QString> text, const QString& device) {
    if (text && gone(device)) text.reset();
    m_device = device;
    if (text == m_text) return;
    m_text = std::move(text);
    Q_EMIT changed();
}

void DeviceNote::set(std::optional<QString> text) {
    set(std::move(text), m_model.device());
}

// No device at all (a link asked of another host that has not answered yet) is nobody's state:
// the note waits for the device that comes next.
bool DeviceNote::gone(const QString& device) const {
    return !m_model.device().isEmpty() && m_model.device() != device;
}

void DeviceNote::deviceChanged() {
    if (m_text && gone(m_device)) set(std::nullopt, m_device);
}
