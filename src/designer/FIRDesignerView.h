#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

#include "fir/FIRDesignerSettings.h"
#include "fir/Measurement.h"
#include "ui/AppContext.h"

class DesignerGraph;
class DesignerLegend;
class FIRSendBar;

// The FIR designer page: a measurement and the target and correction settings go in,
// a correction FIR comes out and is published to the model after every change. The view
// owns the whole designer state; the step panels only show it and call the setters.
//
// Every setter changes the settings at once; storing them, the redesign and the refresh of
// the panels follow together on the next turn of the event loop, so a burst of edits (a
// slider drag, typing a name) costs one redesign.
class FIRDesignerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int historyLimit = 50;
    static inline const QString settingsKey = QStringLiteral("firDesigner.settings");
    static inline const QString measurementKey = QStringLiteral("firDesigner.measurement");
    static inline const QString measurementVariable = QStringLiteral("TSL_FIR_MEASUREMENT");

    explicit FIRDesignerView(const AppContext& context, QWidget* parent = nullptr);
    ~FIRDesignerView() override;

    const FIRDesignerSettings& settings() const { return s_; }
    const std::optional<Measurement>& measurement() const { return m_; }
    const QList<float>& coefficients() const { return coeffs_; }
    const std::optional<QString>& status() const { return status_; }
    // False when the latest design holds a coefficient that is not a finite number;
    // such a filter is neither sent nor exported.
    bool designUsable() const { return designUsable_; }
    bool showPhase() const { return showPhase_; }
    const QList<FIRDesignerSettings>& history() const { return history_; }
    FIRSendBar* sendBar() const { return sendBar_; }
    DesignerGraph* designGraph() const { return designGraph_; }
    DesignerGraph* resultGraph() const { return resultGraph_; }

    // Brings back the stored settings and measurement (or the one TSL_FIR_MEASUREMENT
    // names) and redesigns. Runs each time the page comes into view.
    void loadStored();
    // Runs the pending store, redesign and refresh now instead of on the next turn.
    void settle();

    // Setters: each records the settings as they were for undo, then clamps and changes.
    void setNormalise(bool on);
    void setEQBypass(bool on);
    void resetTarget();
    void setBandOn(int band, bool on);
    void setBandType(int band, int type);
    void setBandHz(int band, double hz);
    void setBandQ(int band, double q);
    void setBandDB(int band, double db);
    void setMagOn(bool on);
    void setAroundAverage(bool on);
    void setMaxBoost(double db);
    void setPhaseOn(bool on);
    void setTaps(int taps);
    void setBoolSetting(bool FIRDesignerSettings::*field, bool value);
    void setIntSetting(int FIRDesignerSettings::*field, int value);
    void setFrequencySetting(double FIRDesignerSettings::*field, double hz);

    // Edits that record nothing for undo.
    void setOffset(double db);
    void setName(const QString& text);
    void setShowPhase(bool on);
    void undo();

    // The measurement actions and the export; panels and alerts go through the dialog seam.
    void importMeasurement();
    void pasteMeasurement();
    void clearMeasurement();
    void exportCoefficients();

    static QString measurementSummary(const Measurement& measurement);
    static QString coefficientFileText(const QString& name, int taps, const QList<float>& coefficients);
    // "<name> <taps> taps.txt", with what no file name may hold replaced ("L/R" is no folder).
    static QString proposedExportName(const QString& name, int taps);

    static inline const QString unreadableFileText =
        QStringLiteral("Couldn't read a measurement from that file.");
    static inline const QString noClipboardDataText =
        QStringLiteral("The clipboard doesn't contain measurement data.");
    static inline const QString unusableDesignText = QStringLiteral(
        "This design is not a usable filter: some of its values are not numbers, most likely "
        "because the measurement's levels are far too large. Send and Export stay off until "
        "the design is usable again.");

Q_SIGNALS:
    // After each settled change; the panels redraw from the view's state.
    void stateChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void edit(const std::function<void(FIRDesignerSettings&)>& change);
    void editBand(int band, const std::function<void(FIRDesignerSettings::Band&)>& change);
    void replaceSettings(const FIRDesignerSettings& settings);
    void replaceMeasurement(std::optional<Measurement> measurement);
    void setStatus(std::optional<QString> status);
    void scheduleSettle();
    void persistSettings();
    void persistMeasurement();
    void redesign();
    void buildLayout();

    AppContext context_;
    FIRDesignerSettings s_;
    std::optional<Measurement> m_;
    QList<float> coeffs_;
    bool designUsable_ = true;
    std::optional<QString> status_;
    bool showPhase_ = false;
    QList<FIRDesignerSettings> history_;

    FIRDesignerSettings settledSettings_;            // what the last settle stored
    std::optional<Measurement> settledMeasurement_;  // what the last settle stored
    bool redesignWanted_ = false;
    bool settlePosted_ = false;
    bool loaded_ = false;

    FIRSendBar* sendBar_ = nullptr;
    DesignerGraph* designGraph_ = nullptr;
    DesignerGraph* resultGraph_ = nullptr;
    DesignerLegend* legend_ = nullptr;
};
