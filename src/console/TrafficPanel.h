#pragma once

#include <QWidget>

class Dialogs;
class QLineEdit;
class QPushButton;
class TrafficListModel;
class TrafficListView;
class TrafficLog;

// The application's traffic log beside the tools: a header row with a note
// field and the Add note, Export… and Clear buttons, then every entry, the
// newest at the bottom (followed while the list is scrolled to the bottom).
class TrafficPanel : public QWidget {
    Q_OBJECT
public:
    TrafficPanel(TrafficLog& log, Dialogs& dialogs, QWidget* parent = nullptr);

    static constexpr const char* suggestedFileName = "dsp-capture.txt";

    QLineEdit* markerField() const { return marker_; }
    TrafficListView* list() const { return list_; }
    TrafficListModel* rows() const { return rows_; }

    // Logs the typed note under "NOTE" as typed, then empties the field.
    void addNote();
    // Saves the log's text form where the user chooses; a failed write is
    // shown in an alert.
    void exportCapture();
    // Empties the whole log, every transport.
    void clear();

private:
    QWidget* buildHeader();

    TrafficLog& log_;
    Dialogs& dialogs_;
    QLineEdit* marker_;
    TrafficListModel* rows_;
    TrafficListView* list_;
};
