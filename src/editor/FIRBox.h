#pragma once

#include <QWidget>
#include <optional>

#include "fir/FIRDesign.h"
#include "fir/FIRFile.h"
#include "link/DSPModel.h"
#include "ui/AppContext.h"

class FIRResponseGraph;
class FIRSendBar;
class NumberField;
class PanelGroupBox;
class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SegmentedPicker;

// The FIR tab: what the channel's FIR block holds now (read back from the
// device), its bypass and clearing, and a new filter prepared from the
// designer, a file or a simple filter for the send bar below.
class FIRBox : public QWidget {
    Q_OBJECT
public:
    FIRBox(const AppContext& context, int ch, QWidget* parent = nullptr);

    enum class Source { designer, file, filter };
    static inline const QString sourceKey = QStringLiteral("firBox.source");
    static QString sourceText(Source source);
    // A stored text that names no source counts as the designer.
    Source source() const;

    struct Pending {
        QList<float> coefficients;
        QString name;
        std::optional<DSPModel::Words> header;
    };
    std::optional<Pending> pendingFilter() const;
    // What the send bar is given: the pending filter, the typed name before its own.
    Pending sendInput() const;

    void refresh();
    void startReadBack();
    QCoro::Task<> readBack();
    void requestClear();
    void importFile();
    void defaultSendTarget();

    // The coefficients read back, whole or in part.
    std::optional<QList<float>> live() const {
        return m_live ? std::optional(m_live->coefficients) : std::nullopt;
    }
    bool readFailed() const { return m_readFailed; }
    const FIRDesign::Spec& spec() const { return m_spec; }
    const std::optional<QString>& clearMessage() const { return m_clearMessage; }
    bool clearing() const { return m_clearing; }

    // Controls, for tests.
    QAbstractButton* bypassButton() const { return m_bypass; }
    QPushButton* clearButton() const { return m_clearButton; }
    SegmentedPicker* sourcePicker() const { return m_sourcePicker; }
    QLineEdit* nameEdit() const { return m_name; }
    NumberField* lowField() const { return m_low; }
    NumberField* highField() const { return m_high; }
    NumberField* stopbandField() const { return m_stopband; }
    QComboBox* kindPicker() const { return m_kind; }
    SegmentedPicker* tapsPicker() const { return m_taps; }
    QPushButton* chooseFileButton() const { return m_chooseFile; }
    QLabel* storedName() const { return m_storedName; }
    QLabel* designedName() const { return m_designedName; }
    QLabel* status() const { return m_status; }
    QLabel* storedText() const { return m_storedText; }
    FIRResponseGraph* storedGraph() const { return m_storedGraph; }
    FIRResponseGraph* previewGraph() const { return m_preview; }
    FIRSendBar* sendBar() const { return m_sendBar; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    PanelGroupBox* buildStoredPanel();
    QWidget* buildLoadPanel();
    QWidget* buildDesignerControls();
    QWidget* buildFileControls();
    QWidget* buildFilterControls();
    QCoro::Task<> clear();
    // Where the window keeps this channel's `what` while the tab is gone (KeptEdits).
    QString keptKey(const QString& what) const;
    void editSpec(const std::function<void(FIRDesign::Spec&)>& change);
    void showPending();

    AppContext m_context;
    DSPModel& m_model;
    int m_ch;
    FIRDesign::Spec m_spec;
    std::optional<FIRFile::Loaded> m_file;
    std::optional<QString> m_fileError;
    std::optional<DSPModel::FIRReadBack> m_live;
    bool m_readFailed = false;  // the last read-back got no answer
    bool m_clearing = false;
    std::optional<QString> m_clearMessage;

    QLabel* m_storedName = nullptr;
    QLabel* m_status = nullptr;
    QAbstractButton* m_bypass = nullptr;
    QLabel* m_storedText = nullptr;
    FIRResponseGraph* m_storedGraph = nullptr;
    QLabel* m_reading = nullptr;
    QLabel* m_readFailedText = nullptr;
    QPushButton* m_clearButton = nullptr;
    QLabel* m_clearText = nullptr;
    SegmentedPicker* m_sourcePicker = nullptr;
    QList<QWidget*> m_sourceControls;
    QLabel* m_nothingDesigned = nullptr;
    QWidget* m_designedInfo = nullptr;
    QLabel* m_designedName = nullptr;
    QPushButton* m_chooseFile = nullptr;
    QLabel* m_fileName = nullptr;
    QLabel* m_fileNote = nullptr;
    QLabel* m_fileErrorText = nullptr;
    QComboBox* m_kind = nullptr;
    NumberField* m_low = nullptr;
    NumberField* m_high = nullptr;
    SegmentedPicker* m_taps = nullptr;
    NumberField* m_stopband = nullptr;
    QLabel* m_latency = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_offline = nullptr;
    FIRResponseGraph* m_preview = nullptr;
    FIRSendBar* m_sendBar = nullptr;
    // The graphs sum their responses only when their coefficients change.
    QList<float> m_previewCoefficients;
    QList<float> m_storedCoefficients;
};
