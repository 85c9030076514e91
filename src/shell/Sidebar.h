#pragma once

#include <QListWidget>

#include "ui/Page.h"

class DSPModel;
class MeterStore;
enum class Symbol;

// The console's page list: brand header, the fixed pages, the input and output
// channels with their mute badge and level, and diagnostics.
class Sidebar : public QListWidget {
    Q_OBJECT
public:
    Sidebar(DSPModel& model, MeterStore& meters, QWidget* parent = nullptr);

    // Selects the page's row without announcing it.
    void setPage(const Page& page);
    // The row of a page, for tests and for keyboard focus.
    QListWidgetItem* itemFor(const Page& page) const;

Q_SIGNALS:
    void pageSelected(const Page& page);

protected:
    bool viewportEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void addHeader();
    void addPageRow(const QString& text, Symbol symbol, const Page& page, int gapAbove = 0);
    void addSection(const QString& title);
    void addChannelRow(int ch);

    DSPModel& m_model;
    MeterStore& m_meters;
};
