#pragma once

#include <QDialog>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <functional>
#include <optional>

class DSPConnection;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class Settings;

// The sheet that reaches the DSP over the network: type an address or scan the local
// networks and pick a host, then hand it to the link, which stores it and connects.
// The sheet shows no link state; the status bar does.
class NetworkConnectView : public QDialog {
    Q_OBJECT
public:
    using Scan = std::function<QCoro::Task<QStringList>()>;

    static constexpr int sheetWidth = 440;

    // `scan` defaults to the link's scan of the machine's networks.
    NetworkConnectView(DSPConnection& link, Settings& settings, Scan scan = {}, QWidget* parent = nullptr);

    // The address the link is given for the typed text: white space at the ends trimmed,
    // then four dot-separated decimal pieces of 0 to 255; none when it is no such address.
    static std::optional<QString> hostToUse(const QString& typed);

    void connectToHost();
    void scan();

    bool scanning() const { return m_scanning; }
    const std::optional<QStringList>& found() const { return m_found; }
    QLineEdit* hostField() const { return m_host; }
    QPushButton* connectButton() const { return m_connect; }
    QPushButton* scanButton() const { return m_scan; }
    QPushButton* cancelButton() const { return m_cancel; }
    QWidget* resultArea() const { return m_results; }
    // The "Connect" button of each found host, in the order found.
    const QList<QPushButton*>& resultButtons() const { return m_resultButtons; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showFound();
    void refresh();

    DSPConnection& m_link;
    Scan m_scanFunction;
    bool m_scanning = false;
    std::optional<QStringList> m_found;
    QLineEdit* m_host;
    QPushButton* m_connect;
    QPushButton* m_scan;
    QProgressBar* m_progress;
    QWidget* m_results;
    QVBoxLayout* m_resultRows;
    QList<QPushButton*> m_resultButtons;
    QPushButton* m_cancel;
};
