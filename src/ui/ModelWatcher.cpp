#include "ui/ModelWatcher.h"

#include <QTimer>

#include "link/DSPModel.h"

ModelWatcher::ModelWatcher(DSPModel& model, QSet<quint32> params, std::function<void()> refresh,
                           QObject* owner)
    : QObject(owner), m_params(std::move(params)), m_refresh(std::move(refresh)) {
    connect(&model, &DSPModel::paramChanged, this, [this](quint32 number) {
        if (m_params.contains(number)) schedule();
    });
    for (auto signal : {&DSPModel::paramsReset, &DSPModel::groupsChanged, &DSPModel::eqBypassChanged,
                        &DSPModel::connectedChanged, &DSPModel::demoChanged}) {
        connect(&model, signal, this, &ModelWatcher::schedule);
    }
}

void ModelWatcher::schedule() {
    if (m_pending) return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        m_refresh();
    });
}
