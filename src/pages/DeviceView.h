#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class DSPConnection;
class DSPModel;
class QLabel;
class QLineEdit;
class QPushButton;
class ModelWatcher;

// The device page: what the device is and how it is reached, and the names stored in
// it. Device name and group are confirmed commands of the link and report their result;
// channel names are ordinary parameter writes through the model.
class DeviceView : public QWidget {
    Q_OBJECT
public:
    static constexpr int deviceTextLength = 24;
    static constexpr int channelNameLength = 8;

    struct ChannelRow {
        QLineEdit* field;
        QPushButton* save;
    };

    DeviceView(DSPModel& model, QWidget* parent = nullptr);

    // "1.2 (2024-05-01)", "1.2", "(2024-05-01)" or "—".
    static QString firmwareText(const std::optional<QString>& version, const std::optional<QString>& date);
    static QString channelLabel(int ch);
    static QString appVersion();

    // Takes the link's name and group and the model's channel names into the fields (once, as
    // the page is made: the page stays alive behind the reading display, and the fields
    // follow the table from then on, except where the user has typed).
    void loadNames();
    // Writes the held name of one channel; a name with no printable ASCII writes nothing.
    void saveChannelName(int ch);

    QLabel* firmwareValue() const { return m_firmware; }
    QLabel* connectionValue() const { return m_connection; }
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* groupField() const { return m_group; }
    QPushButton* saveNameButton() const { return m_saveName; }
    QPushButton* saveGroupButton() const { return m_saveGroup; }
    QLabel* messageLabel() const { return m_messageLabel; }
    const ChannelRow& channelRow(int ch) const { return m_channelRows[ch]; }

private:
    QWidget* buildDeviceSection();
    QWidget* buildNamesSection();
    QWidget* buildChannelSection();
    QWidget* deviceTextRow(QLineEdit*& field, QPushButton*& save, const QString& title, bool group);
    void loadDeviceText(QLineEdit* field, const QString& stored);
    void cutField(QLineEdit* field, int length);
    void saveDeviceText(bool group);
    bool nameRead(int ch) const;
    // The channel's name as the device reported it; empty while it is unread.
    QString storedName(int ch) const;
    void followStoredName(int ch);
    void refresh();

    DSPModel& m_model;
    DSPConnection& m_link;
    QList<QString> m_channelNames;   // empty until the first load
    QList<QString> m_followedNames;  // the table's names the fields last took
    std::optional<QString> m_message;
    QLabel* m_firmware = nullptr;
    QLabel* m_connection = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_group = nullptr;
    QPushButton* m_saveName = nullptr;
    QPushButton* m_saveGroup = nullptr;
    QLabel* m_messageLabel = nullptr;
    QList<ChannelRow> m_channelRows;
    ModelWatcher* m_refresh;
};
