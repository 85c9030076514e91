#pragma once

#include <QObject>
#include <QSet>
#include <functional>

class DSPModel;

// Calls a view's refresh once per event-loop turn after any change it cares
// about: the parameters it shows, a whole-table replacement, groups, the EQ
// bypass set, and the connected and demo flags. Many changes in one turn
// (a preset recall, a group copy) cost one refresh.
class ModelWatcher : public QObject {
    Q_OBJECT
public:
    ModelWatcher(DSPModel& model, QSet<quint32> params, std::function<void()> refresh, QObject* owner);

    // Asks for a refresh at the end of this turn; repeated calls coalesce.
    void schedule();
    bool pending() const { return m_pending; }

private:
    QSet<quint32> m_params;
    std::function<void()> m_refresh;
    bool m_pending = false;
};
