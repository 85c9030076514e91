#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

#include <optional>
#include <vector>

#include "fir/FIRDesignerSettings.h"
#include "fir/Measurement.h"

// The designer's response graph: a logarithmic frequency axis, a clamped level axis and a
// fixed +-180 degree phase scale read on the right. Mode `design` shows the ingredients
// (speaker, target, FIR), mode `result` the speaker heard through the FIR against the target.
// Every curve is computed afresh from the inputs on each paint.
class DesignerGraph : public QWidget {
    Q_OBJECT
public:
    enum class Mode { design, result };

    enum class CurveKind { speaker, target, fir, firPhase, result, resultPhase };
    struct Curve {
        CurveKind kind;
        QColor colour;  // with the curve's opacity
        double width;
        bool phaseScale;
        std::vector<double> values;  // one per curve frequency: dB, or degrees on the phase scale
    };

    static constexpr int curvePoints = 241;
    static constexpr double panelRadius = 8;

    DesignerGraph(Mode mode, double fMin, double fMax, double dbTop, double dbBottom,
                  QWidget* parent = nullptr);

    void setInputs(const std::optional<Measurement>& m, const FIRDesignerSettings& s,
                   const QList<float>& coeffs, bool showPhase);
    Mode mode() const { return mode_; }

    // Coordinates in the widget, from the top-left corner.
    double xPosition(double hz) const;
    double yPosition(double db) const;
    double phaseY(double degrees) const;

    std::vector<double> curveFrequencies() const;
    // The curves this graph draws, in drawing order. They depend on the inputs alone, not on
    // the size, so a resize redraws them without evaluating the FIR again.
    const std::vector<Curve>& curves() const;

    // The platform's named colours as the graphs and the legend use them.
    static QColor blue();
    static QColor green();
    static QColor yellow();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintGrid(QPainter& painter) const;
    void paintCurve(QPainter& painter, const Curve& curve, const std::vector<double>& frequencies) const;
    std::vector<Curve> computeCurves() const;

    Mode mode_;
    double fMin_;
    double fMax_;
    double dbTop_;
    double dbBottom_;
    std::optional<Measurement> m_;
    FIRDesignerSettings s_;
    QList<float> coeffs_;
    bool showPhase_ = false;
    mutable std::optional<std::vector<Curve>> curves_;
};

// The row of colour chips naming the curves of both graphs.
class DesignerLegend : public QWidget {
    Q_OBJECT
public:
    explicit DesignerLegend(QWidget* parent = nullptr);
    void setShowPhase(bool on);
    // The labels shown, in order.
    QStringList labels() const;

private:
    void addEntry(const QString& label, const QColor& colour);

    QWidget* phaseEntry_ = nullptr;
};
