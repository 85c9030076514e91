#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include "link/DeviceVocabulary.h"
#include "ui/Navigator.h"
#include "ui/controls/FlatButton.h"

class DSPModel;
class QLabel;
class QMenu;
class QPushButton;

// A labelled toggle of the input panel: the title at the left, a symbol in a
// small lit or dark box at the right.
class PanelToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit PanelToggle(const QString& title, QWidget* parent = nullptr);
    void setState(Symbol symbol, bool on, const QColor& tint, const QString& help);
    bool isOn() const { return m_on; }
    QSize sizeHint() const override { return {120, 34}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol m_symbol = Symbol::plus;
    bool m_on = false;
    QColor m_tint;
};

// The popover of an input strip: phase and mute, the three physical sources,
// and the test-signal state with a way to turn it off or set it up.
class InputPanel : public QWidget {
    Q_OBJECT
public:
    InputPanel(DSPModel& dsp, Navigator* navigator, int ch, QWidget* parent = nullptr);

    PanelToggle* phaseToggle() const { return m_phase; }
    PanelToggle* muteToggle() const { return m_mute; }
    FlatButton* sourceButton(InputSource source) const;
    QLabel* testSignalStatus() const { return m_status; }
    QPushButton* turnOffButton() const { return m_turnOff; }
    QPushButton* settingsButton() const { return m_settings; }

    // The physical source kept while the test signal feeds the input.
    static InputSource keptSource(const DSPModel& dsp, int ch);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    DSPModel& m_dsp;
    int m_ch;
    QLabel* m_title;
    PanelToggle* m_phase;
    PanelToggle* m_mute;
    QList<QPair<InputSource, FlatButton*>> m_sources;
    QLabel* m_status;
    QPushButton* m_turnOff;
    QPushButton* m_settings;
};

// The source button under an input strip's toggles: shows the source badge
// and opens the input panel below itself.
class InputQuickMenu : public FlatButton {
    Q_OBJECT
public:
    InputQuickMenu(DSPModel& dsp, int ch, QWidget* parent = nullptr);

    // Where the panel's "Setting…" button asks for the sources page.
    void setNavigator(Navigator* navigator) { m_navigator = navigator; }
    void togglePanel();
    void openPanel(bool userOpened);
    InputPanel* panel() const { return m_panel; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    // Sizes the open panel to its content and places it below the button.
    void fitPanel();

    DSPModel& m_dsp;
    int m_ch;
    QPointer<Navigator> m_navigator;
    QPointer<InputPanel> m_panel;
    bool m_shownOnce = false;
};

// The strip's context menu: phase and mute for every channel, and for an input
// its source (with "Test Signal" only while the test signal feeds it).
void addStripQuickMenuItems(QMenu& menu, DSPModel& dsp, int ch);
