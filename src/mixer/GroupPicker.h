#pragma once

#include <QToolButton>

class DSPModel;

// The strip's group menu: shows "Grp n" or "Grp –", joins group 1-4 (which
// copies the group's settings onto the channel) or leaves the group.
class GroupPicker : public QToolButton {
    Q_OBJECT
public:
    GroupPicker(DSPModel& dsp, int ch, QWidget* parent = nullptr);

    static QString labelFor(std::optional<int> group);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    DSPModel& m_dsp;
    int m_ch;
};
