#pragma once

#include <QList>
#include <QObject>

// The twelve live levels (inputs 0-3, outputs 4-11) in dB. A separate object so that
// the ten meter updates a second wake only the meters, not every observer of the model.
class MeterStore : public QObject {
    Q_OBJECT
public:
    static constexpr int channelCount = 12;
    static constexpr float silent = -84.5f;

    explicit MeterStore(QObject* parent = nullptr);

    const QList<float>& levels() const { return levels_; }
    // Replaces the levels by index, as many as given; the list always keeps its twelve entries.
    void setLevels(const QList<float>& levels);
    // Whether a level was ever given for the channel: until then it holds `silent`, which no
    // meter reported.
    bool heard(int ch) const { return heard_.value(ch, false); }
    void setAllSilent();

    // Whether anything feeds the levels (a connected device or the demo). A lost
    // link leaves the last levels here; the meters show no signal instead.
    bool live() const { return live_; }
    void setLive(bool live);
    // The level a view reads for a channel: the stored one while live, no signal otherwise.
    float liveLevel(int ch) const { return live_ ? levels_.value(ch, silent) : silent; }

Q_SIGNALS:
    void levelsChanged();

private:
    QList<float> levels_;
    QList<bool> heard_;
    bool live_ = false;
};
