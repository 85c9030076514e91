#pragma once

#include <QList>
#include <array>
#include <optional>

class DSPModel;

// The magnitude response at 48 kHz of a channel's EQ bands and its high-pass
// and low-pass filters that the device reported, read from the model's words once so that the 301
// points of a curve cost no further reads.
class EQResponse {
public:
    static EQResponse read(const DSPModel& model, int ch);

    // Total response in dB at a frequency; not clamped.
    double at(double hz) const;
    // Whether the device reported every band and filter of the channel: a curve drawn from
    // the rest would show a response the channel does not have.
    bool complete() const { return m_complete; }

    struct Biquad {
        std::array<double, 3> b;
        std::array<double, 3> a;
        double dB(double hz) const;
    };
    // One band from its words; none when the band is off or adds nothing.
    static std::optional<Biquad> band(quint32 freq, float gain, float q, quint32 typeWord);
    // The standard peaking section (also the dynamic EQ's bands).
    static Biquad peaking(double f0, double gainDB, double q);

    struct Slope {
        double fc;
        int order;   // Butterworth order, or half the Linkwitz-Riley order
        bool riley;  // twice the Butterworth term
        bool highPass;
        double dB(double hz) const;
    };
    static std::optional<Slope> filter(quint32 freqWord, quint32 slopeWord, bool highPass);

private:
    QList<Biquad> m_bands;
    QList<Slope> m_filters;
    bool m_complete = true;
};
