#pragma once

#include <QWidget>
#include <functional>

class DSPModel;
class FlatButton;
class InputQuickMenu;

// The one-letter toggles of a strip: polarity, gate or EQ, delay, FIR, and on
// outputs compressor and limiter. Lit means the block is active (for
// polarity: inverted). Each reads the model on refresh and writes the
// opposite state through the model.
class QuickButtons : public QWidget {
    Q_OBJECT
public:
    QuickButtons(DSPModel& dsp, int ch, QWidget* parent = nullptr);

    struct Quick {
        QString label;
        QString help;
        bool on;
        QColor tint;
        std::function<void(bool)> toggle;  // called with the requested state, !on
        bool known = true;                 // the table holds what the toggle shows and edits
    };
    // The toggles of a channel in grid order, read from the model now.
    static QList<Quick> toggles(DSPModel& dsp, int ch);

    FlatButton* button(const QString& label) const;
    InputQuickMenu* sourceButton() const { return m_source; }

private:
    void refresh();

    DSPModel& m_dsp;
    int m_ch;
    QList<FlatButton*> m_buttons;
    InputQuickMenu* m_source = nullptr;
};
