#pragma once

#include <QLabel>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

#include "ui/input/KeyboardFocus.h"

class AskedAt;
class DSPModel;
class DeviceWork;
class Dialogs;
class KeptEdits;
class QLineEdit;
class QListWidget;
class QPushButton;
class ModelWatcher;

// The presets page: the DSP's 31 slots with their names, and store, recall and delete
// of the selected slot. The list, the current slot and the busy state are the model's;
// the page asks before anything that overwrites or removes a preset and reports each
// operation's result in one line. The list is read again each time the page is shown. Until
// the device has answered it, no slot is known to be empty: the page says so, and a store
// reads the list before it decides whether to ask.
// The selected slot and the typed name come back with the page (KeptEdits).
class PresetsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int slotCount = 31;
    static constexpr int nameLength = 20;
    static inline const QString failedText =
        QStringLiteral("The DSP didn't confirm. Check the connection and try again.");

    struct Action {
        enum class Kind { save, recall, remove };
        Kind kind;
        int slot;
    };

    // One row of the slot list.
    struct Row {
        QLabel* caption;
        QLabel* current;
        QLabel* boot;
        QLabel* lock;
    };

    PresetsView(DSPModel& model, Dialogs& dialogs, KeptEdits* kept = nullptr, QWidget* parent = nullptr);
    // The window's long device operations (may be null): a recall, store or delete asks first
    // while one runs.
    void setDeviceWork(DeviceWork* work) { m_work = work; }

    static bool isProtected(int slot) { return slot < 2; }
    // The model's list, or this page's read of it, is the device's answer. An empty list
    // may only mean that the device never answered.
    bool listKnown() const;
    bool isOccupied(int slot) const;
    QString slotLabel(int slot) const;

    std::optional<int> selected() const { return m_selected; }
    void select(std::optional<int> slot);
    const std::optional<QString>& message() const { return m_message; }

    QListWidget* slotList() const { return m_list; }
    const Row& row(int slot) const { return m_rows[slot]; }
    QWidget* detailPane() const { return m_detail; }
    QLabel* headline() const { return m_headline; }
    QLabel* selectHint() const { return m_selectHint; }
    QLineEdit* nameField() const { return m_name; }
    QPushButton* storeButton() const { return m_store; }
    QPushButton* recallButton() const { return m_recall; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* refreshButton() const { return m_refreshList; }
    QWidget* workingIndicator() const { return m_working; }
    QLabel* messageLabel() const { return m_messageLabel; }
    QLabel* unknownListNote() const { return m_unknownNote; }
    QLabel* demoOverlay() const { return m_overlay; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildList();
    QWidget* buildDetail();
    void cutName();
    void readList(std::function<void()> then = {});
    void store();
    void storeKnowing(int slot);
    void askFor(Action action);
    // `asked` is the link the questions about it were asked on: once it has ended, nothing is done.
    void perform(Action action, const AskedAt& asked);
    void start(Action action);
    void setMessage(std::optional<QString> message);
    void placeOverlay();
    void setDetailEnabled(bool enabled);
    void refresh();

    DSPModel& m_model;
    Dialogs& m_dialogs;
    KeptEdits* m_kept;
    DeviceWork* m_work = nullptr;
    std::optional<int> m_selected;
    bool m_listAnswered = false;  // a read this page started was answered since the list was last emptied
    bool m_storeWaitsForList = false;
    std::optional<QString> m_message;
    QListWidget* m_list = nullptr;
    QList<Row> m_rows;
    QWidget* m_detail = nullptr;
    QLabel* m_selectHint = nullptr;
    QWidget* m_slotPart = nullptr;
    QLabel* m_headline = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_store = nullptr;
    QPushButton* m_recall = nullptr;
    QPushButton* m_delete = nullptr;
    QWidget* m_working = nullptr;
    QLabel* m_messageLabel = nullptr;
    QLabel* m_unknownNote = nullptr;
    QPushButton* m_refreshList = nullptr;
    QLabel* m_overlay = nullptr;
    std::optional<keyboardfocus::FocusReturn> m_focusBeforeBusy;
    ModelWatcher* m_refresh;
};
