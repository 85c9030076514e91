#pragma once

#include <QList>
#include <QWidget>

// The magnitude of a coefficient list at 48 kHz from 0 to -60 dB over a
// logarithmic frequency axis. The levels are summed when the coefficients are
// set, so repaints cost only the drawing.
class FIRResponseGraph : public QWidget {
    Q_OBJECT
public:
    FIRResponseGraph(double fMin, double fMax, double height, QWidget* parent = nullptr);

    static constexpr int curvePoints = 161;

    void setCoefficients(const QList<float>& coefficients);
    const QList<double>& levels() const { return m_levels; }

    double xPosition(double hz) const;
    double yPosition(double dB) const;
    // The magnitude in dB of the coefficients at a frequency, floored at -180 dB.
    static double levelAt(const QList<float>& coefficients, double hz);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double frequency(int i) const;

    double m_fMin;
    double m_fMax;
    QList<double> m_levels;
};
