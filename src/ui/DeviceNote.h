#pragma once

#include <QObject>
#include <QString>

#include <optional>

class DSPModel;

// A result or note about one device (how far a send came, what an upload did). It names that
// device's channels and state, so it leaves once another device is in front of the window, the
// demo device included; the same device coming back, or a link that is only gone, keeps it.
class DeviceNote : public QObject {
    Q_OBJECT
public:
    explicit DeviceNote(const DSPModel& model, QObject* parent = nullptr);

    // The note about `device` (as the model names it); none takes it away. A note about a device
    // that has already given way to another one is not shown at all.
    void set(std::optional<QString> text, const QString& device);
    // About the device in front of the window now.
    void set(std::optional<QString> text);
    const std::optional<QString>& text() const { return m_text; }

Q_SIGNALS:
    void changed();

private:
    bool gone(const QString& device) const;
    void deviceChanged();

    const DSPModel& m_model;
    std::optional<QString> m_text;
    QString m_device;
};
