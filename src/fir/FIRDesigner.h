#pragma once

#include <QList>

#include <optional>
#include <vector>

#include "fir/DBPhase.h"
#include "fir/FIRDesignerSettings.h"
#include "fir/Measurement.h"

// The correction FIR: the settings' target curve plus a weighted correction of
// the measured magnitude towards a reference level and, when asked, the inverse
// of the measured phase; linear phase around the filter's centre, 48 kHz.
namespace FIRDesigner {

// The mean measured level over 64 log-spaced frequencies of the magnitude
// correction range, clipped to 20 Hz - 20 kHz; 0 when that range is empty.
double averageLevel(const std::vector<Measurement::Point>& points, const FIRDesignerSettings& settings,
                    const std::vector<double>& phases);

// settings.taps coefficients (none for a count below 1): the designed response
// on an 8192-point grid, delayed to the filter's centre, transformed back and
// Hann windowed at the tap centres; the target alone without a measurement.
QList<float> designCorrection(const std::optional<Measurement>& measurement,
                              const FIRDesignerSettings& settings);

// Level and phase at hz, the phase referred to the filter's centre.
DBPhase response(const QList<float>& coefficients, double hz);

}  // namespace FIRDesigner
