#pragma once

#include <QWidget>

#include <functional>
#include <optional>

#include "link/ParamMap.h"

class CrosspointInspector;
class DSPModel;
class Dialogs;
class QKeyEvent;
class QScrollArea;
class QPushButton;
class ModelWatcher;

// One square of a routing grid: a crosspoint's level, filled when it is on. A click
// selects it, a double-click switches it. It reads the model each time it is drawn.
class CrosspointCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int cellWidth = 42;
    static constexpr int cellHeight = 26;

    CrosspointCell(DSPModel& model, quint32 id, const std::optional<quint32>& selected,
                   std::function<void(quint32)> select, QWidget* parent = nullptr);

    quint32 id() const { return m_id; }
    bool shownOn() const { return m_shownOn; }
    bool isSelected() const { return m_selected == m_id; }
    // Selects the square, as a click does.
    void select() { m_select(m_id); }
    // Takes the model's current state: tooltip, and a repaint.
    void refresh();
    // Selects the square and writes the opposite of the on state it showed.
    void toggle(bool wasOn);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    DSPModel& m_model;
    quint32 m_id;
    const std::optional<quint32>& m_selected;
    std::function<void(quint32)> m_select;
    bool m_shownOn = false;
};

// One matrix on its rounded surface: title, column and row labels, the squares, and
// the "Reset" and "Clear" buttons. From the keyboard the squares are one stop of the Tab
// chain whose arrows move the selection and whose Space or Return switches the selected
// route, as a double-click does.
class GridView : public QWidget {
    Q_OBJECT
public:
    GridView(DSPModel& model, const ParamMap::Grid& grid, const std::optional<quint32>& selected,
             std::function<void(quint32)> select, QWidget* parent = nullptr);

    const QList<CrosspointCell*>& cells() const { return m_cells; }
    QPushButton* resetButton() const { return m_reset; }
    QPushButton* clearButton() const { return m_clear; }
    // The square that Tab stops at: the one selected or last focused here, else the first.
    CrosspointCell* tabStop() const { return m_tabStop; }
    void refresh();
    // The page selected a crosspoint: when it is one of these squares, Tab stops there.
    void selectionChanged(quint32 crosspoint);

Q_SIGNALS:
    void resetRequested();
    void clearRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setTabStop(CrosspointCell* cell);
    bool keyPressed(CrosspointCell& cell, const QKeyEvent& key);
    // The square next to `cell` in an arrow's direction; `cell` itself at the grid's edge.
    CrosspointCell* neighbour(CrosspointCell& cell, int key) const;

    int m_columns;
    QList<CrosspointCell*> m_cells;
    CrosspointCell* m_tabStop = nullptr;
    QPushButton* m_reset;
    QPushButton* m_clear;
};

// The routing page: the three crosspoint grids, side by side on a wide page and in two
// rows on a narrow one, with the inspector of the selected crosspoint at the right.
class RoutingView : public QWidget {
    Q_OBJECT
public:
    // Grid areas at least this wide show the three grids in one row.
    static constexpr int oneRowWidth = 1040;

    RoutingView(DSPModel& model, Dialogs& dialogs, QWidget* parent = nullptr);

    // The crosspoint named by TSL_ROUTE: an unsigned 32-bit decimal, "+" allowed.
    static std::optional<quint32> parseRoute(const QString& text);
    // Writes every crosspoint of the grid once, in parameter order: the diagonal on at
    // 0 dB for a reset, everything else off with its level kept.
    static void applyToAll(DSPModel& model, const ParamMap::Grid& grid, bool clear);

    std::optional<quint32> selected() const { return m_selected; }
    void select(quint32 crosspoint);
    bool isOneRow() const { return m_oneRow; }
    const QList<GridView*>& grids() const { return m_grids; }
    CrosspointInspector* inspector() const { return m_inspector; }
    QScrollArea* gridArea() const { return m_area; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirmApply(const ParamMap::Grid& grid, bool clear);
    void arrange(bool oneRow);
    void refresh();

    DSPModel& m_model;
    Dialogs& m_dialogs;
    std::optional<quint32> m_selected;
    QScrollArea* m_area;
    QWidget* m_arrangement;
    QList<GridView*> m_grids;
    QList<QWidget*> m_arrows;  // right arrow, right arrow, turn arrow
    CrosspointInspector* m_inspector;
    ModelWatcher* m_refresh;
    bool m_oneRow = false;
    bool m_arranged = false;
};
