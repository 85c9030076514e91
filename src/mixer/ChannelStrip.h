#pragma once

#include <QWidget>

class CompactNumberField;
class DSPModel;
class Fader;
class FlatButton;
class GroupBadge;
class GroupPicker;
class LiveMeterBar;
class Navigator;
class QToolButton;
class QuickButtons;
class StripHeader;

// One channel of the mixer: colour bar, name and group badge, level meter and
// fader, gain field, mute, quick toggles, group picker and the editor button.
// It keeps no state: every refresh reads the channel's words from the model.
class ChannelStrip : public QWidget {
    Q_OBJECT
public:
    ChannelStrip(DSPModel& dsp, Navigator* navigator, int ch, QWidget* parent = nullptr);

    int channel() const { return m_ch; }
    StripHeader* header() const { return m_header; }
    Fader* fader() const { return m_fader; }
    LiveMeterBar* meter() const { return m_meter; }
    CompactNumberField* gainField() const { return m_gain; }
    FlatButton* muteButton() const { return m_mute; }
    QuickButtons* quickButtons() const { return m_quick; }
    GroupPicker* groupPicker() const { return m_group; }
    QToolButton* editButton() const { return m_edit; }

    void setGain(double dB);
    void toggleMute(bool muted);

    static QString headerHelp(const QString& name, int ch);

Q_SIGNALS:
    // The user asked for this channel's editor.
    void openRequested(int ch);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void refresh();

    DSPModel& m_dsp;
    int m_ch;
    StripHeader* m_header;
    LiveMeterBar* m_meter;
    Fader* m_fader;
    CompactNumberField* m_gain;
    FlatButton* m_mute;
    QuickButtons* m_quick;
    GroupPicker* m_group;
    QToolButton* m_edit;
};

// The strip's header: the colour bar, the name (shrinking to fit) and the
// group badge. Double-click opens the editor; right-click the quick menu.
class StripHeader : public QWidget {
    Q_OBJECT
public:
    StripHeader(DSPModel& dsp, int ch, QWidget* parent = nullptr);
    // `shown` is drawn, `spoken` is the name in the help text (they differ while it is not read).
    void setState(const QString& shown, const QString& spoken, std::optional<int> group);
    QString name() const { return m_name; }
    std::optional<int> group() const { return m_group; }
    // The badge of the channel's group; hidden without a group.
    QWidget* groupBadge() const;
    // The channel's quick menu (phase, mute, source), as a right-click opens it.
    void showQuickMenu(const QPoint& globalPos);
    QSize sizeHint() const override { return {80, 3 + 3 + 4 + 18}; }

Q_SIGNALS:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct NameRow {
        QFont font;
        double left;
        double width;  // of the name, after shrinking
        double room;   // for the name
        QRectF badge;  // empty without a group
    };
    NameRow nameRow() const;

    DSPModel& m_dsp;
    int m_ch;
    QString m_name;
    std::optional<int> m_group;
    GroupBadge* m_badge;
};
