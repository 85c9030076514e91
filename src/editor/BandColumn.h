#pragma once

#include <QWidget>

#include "link/DSPModel.h"

class BandColumns;
class CompactNumberField;
class Disc;
class Encoder;
class QCheckBox;
class QGraphicsOpacityEffect;
class QToolButton;

// One band's column of the band editor.
class BandColumn : public QWidget {
    Q_OBJECT
public:
    BandColumn(BandColumns& owner, int ch, int band);

    // A band the device never reported (`read` false) shows no value, type or switch.
    void display(const DSPModel::Band& band, bool selected, bool read);

    QCheckBox* onToggle() const { return m_on; }
    QToolButton* typeButton() const { return m_type; }
    Encoder* freqKnob() const { return m_freqKnob; }
    Encoder* gainKnob() const { return m_gainKnob; }
    Encoder* qKnob() const { return m_qKnob; }
    CompactNumberField* freqField() const { return m_freqField; }
    CompactNumberField* gainField() const { return m_gainField; }
    CompactNumberField* qField() const { return m_qField; }
    bool isSelected() const { return m_selected; }
    double shownOpacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* cell(Encoder* knob, CompactNumberField* field);
    void selectOnReach(QWidget* control);
    static bool reachesControl(const QEvent& event);

    BandColumns& m_owner;
    int m_ch;
    int m_band;
    bool m_selected = false;
    Disc* m_badge;
    QCheckBox* m_on;
    QToolButton* m_type;
    Encoder* m_freqKnob;
    Encoder* m_gainKnob;
    Encoder* m_qKnob;
    CompactNumberField* m_freqField;
    CompactNumberField* m_gainField;
    CompactNumberField* m_qField;
    QGraphicsOpacityEffect* m_dim;
};
