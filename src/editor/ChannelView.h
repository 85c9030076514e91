#pragma once

#include <QWidget>
#include <functional>

#include "ui/AppContext.h"

class BandColumns;
class DSPModel;
class EQGraph;
class FIRBox;
class FiltersDelayPanel;
class FlatButton;
class KnobField;
class LiveHorizontalMeter;
class ModelWatcher;
class QAbstractButton;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class SegmentedPicker;
class Settings;
class Tag;

// The tabs of the channel editor; the stored tab is the raw text, so any text
// can stand there and text that names no tab shows the EQ tab.
namespace ChannelTab {
inline const QString eq = QStringLiteral("EQ & Filters");
inline const QString fir = QStringLiteral("FIR");
inline const QString dynamics = QStringLiteral("Dynamics");
inline const QString settingsKey = QStringLiteral("channelTab");
inline const char* environmentVariable = "TSL_TAB";
// A start-up override: TSL_TAB, when set, is stored as the tab once, as the window opens;
// after that the tab is the user's.
void applyStartTab(Settings& settings);
}  // namespace ChannelTab

// The page of one channel: its header (identity, level, gain, mute, copy to),
// the tab picker and the selected tab's content.
class ChannelView : public QWidget {
    Q_OBJECT
public:
    ChannelView(const AppContext& context, int ch, QWidget* parent = nullptr);

    QString tab() const;
    void setTab(const QString& tab);
    // Shows the next (1) or previous (-1) tab, round the end.
    void stepTab(int step);
    int selectedBand() const { return m_selectedBand; }
    void refresh();

    // The EQ graph's height for a tab area of the given height.
    static int graphHeight(int tabAreaHeight);

    // Parts, for tests.
    QLabel* nameLabel() const { return m_name; }
    QList<Tag*> badges() const;
    KnobField* gainKnob() const { return m_gain; }
    FlatButton* muteButton() const { return m_mute; }
    QToolButton* copyToButton() const { return m_copyTo; }
    SegmentedPicker* tabPicker() const { return m_tabPicker; }
    QScrollArea* tabArea() const { return m_area; }
    QWidget* tabContent() const { return m_content; }
    QPushButton* toolbarButton(const QString& title) const;
    EQGraph* eqGraph() const { return m_eqGraph; }
    BandColumns* bandColumns() const { return m_bands; }
    FiltersDelayPanel* filtersPanel() const { return m_filters; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildTabPicker();
    void buildTabContent();
    QWidget* buildEQTab();
    QWidget* buildEQToolbar();
    void refreshHeader();
    void rebuildCopyMenu();
    void pasteEQ();
    void selectBand(int band);
    void fitGraph();

    AppContext m_context;
    DSPModel& m_model;
    int m_ch;
    int m_selectedBand = 0;
    ModelWatcher* m_watcher;
    std::function<void()> m_refreshTab;

    QLabel* m_name = nullptr;
    QWidget* m_badgeRow = nullptr;
    Tag* m_kindTag = nullptr;
    Tag* m_groupTag = nullptr;
    Tag* m_firTag = nullptr;
    LiveHorizontalMeter* m_meter = nullptr;
    KnobField* m_gain = nullptr;
    FlatButton* m_mute = nullptr;
    QToolButton* m_copyTo = nullptr;
    SegmentedPicker* m_tabPicker = nullptr;
    QScrollArea* m_area = nullptr;
    QWidget* m_content = nullptr;
    QList<QPushButton*> m_toolbar;
    EQGraph* m_eqGraph = nullptr;
    BandColumns* m_bands = nullptr;
    FiltersDelayPanel* m_filters = nullptr;
};
