#pragma once

#include <QWidget>
#include <functional>

#include "link/DSPModel.h"

class BandColumn;
class QScrollArea;

// The band editor: one narrow column per EQ band (on/off, type, frequency,
// gain and Q), after a column of row titles. It scrolls sideways only when the
// columns do not fit.
class BandColumns : public QWidget {
    Q_OBJECT
public:
    BandColumns(DSPModel& model, int ch, QWidget* parent = nullptr);

    void refresh();
    void setSelected(int band);
    int selected() const { return m_selected; }
    int bandCount() const { return int(m_columns.size()); }
    BandColumn* column(int band) const { return m_columns[band]; }
    QScrollArea* scrollArea() const { return m_scroll; }

    // The one write path: selects the band, applies the change to the band as
    // stored and writes all four words to the channel and its group.
    void writeBand(int band, const std::function<void(DSPModel::Band&)>& change);

    const DSPModel& model() const { return m_model; }
    // The type menu's choice: a new type, with Q 1.0 for a shelf; the band's own writes nothing.
    void chooseType(int band, qint64 type);

    // Selects a band as a user action (tells the page).
    void choose(int band);

    static double maxQ(qint64 type);

Q_SIGNALS:
    void selectedChanged(int band);

protected:
    bool event(QEvent* event) override;

private:
    void fitHeight();

    DSPModel& m_model;
    int m_ch;
    int m_selected = 0;
    QList<BandColumn*> m_columns;
    QScrollArea* m_scroll;
};
