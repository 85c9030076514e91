#pragma once

#include <QScrollArea>
#include <QSizeF>

class ChannelStrip;
class DSPModel;
class Navigator;
class QLabel;

// The mixer page: the four input strips under "Inputs", a divider, the eight
// output strips under "Outputs". Strips share the width between 70 and 116
// pixels and the height above a floor of 470; below the floors the page scrolls.
class MixerView : public QScrollArea {
    Q_OBJECT
public:
    struct Layout {
        double stripWidth;
        double stripHeight;
        QSizeF content;
    };
    static Layout layoutFor(QSizeF page, double gap, double split, double pad);

    // The console shell builds it with gap 5, split 18 and pad 12.
    MixerView(DSPModel& dsp, Navigator* navigator, double gap = 5, double split = 18, double pad = 12,
              QWidget* parent = nullptr);

    ChannelStrip* strip(int ch) const { return m_strips.at(ch); }
    Layout currentLayout() const;

Q_SIGNALS:
    // A strip asked for its channel's editor page.
    void openChannel(int ch);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeContent();

    double m_gap;
    double m_split;
    double m_pad;
    QList<ChannelStrip*> m_strips;
    QLabel* m_inputsHeading;
    QLabel* m_outputsHeading;
    QWidget* m_divider;
};
