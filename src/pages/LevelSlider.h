#pragma once

#include <QSlider>
#include <QString>

// A horizontal slider over a level in dB. It moves in tenths, the device's resolution, so
// every position is a level the device stores and a key that cannot move it (at an end of
// the range) reports nothing; an arrow key steps a tenth, Page Up and Page Down a whole dB. Assistive tools
// read and set the level itself, in the unit the page prints beside it, never the tenths the slider counts
// in.
class LevelSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int perDB = 10;

    LevelSlider(double minimum, double maximum, QString unit, QWidget* parent = nullptr);

    double level() const { return double(value()) / perDB; }
    double minimumLevel() const { return double(minimum()) / perDB; }
    double maximumLevel() const { return double(maximum()) / perDB; }
    double levelStep() const { return double(singleStep()) / perDB; }
    const QString& unit() const { return m_unit; }
    // Shows a level without reporting it.
    void showLevel(double level);
    // Moves to a level as a drag to it does: reported when the position changes.
    void moveTo(double level);

Q_SIGNALS:
    // The level the user moved to, by mouse, key or assistive tool.
    void levelEdited(double level);

private:
    int position(double level) const;

    QString m_unit;
};
