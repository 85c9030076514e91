#pragma once

#include <QString>

#include <utility>

#include "link/DSPModel.h"
#include "link/DeviceMoment.h"
#include "ui/Dialogs.h"

class QObject;
class QWidget;

// What every question of the window says once the device it was asked for has left, whichever
// way it left (the link went, another device or the demo device took its place).
inline const QString answerChangesNothingText =
    QStringLiteral("The DSP this was asked for is no longer connected: the answer changes nothing.");

// A question about the device in front of the window as it is asked. A modal question waits
// while the link may close, another device connect, or the demo device give way to a real one;
// its answer was given for the device it named, so once that device has left it does nothing,
// and its text says so. "No device" is a device of its own too: a question asked without one
// ends when one comes up. The question also ends with the object it was asked from (`asker`).
class AskedAt {
public:
    explicit AskedAt(DSPModel& model, const QObject* asker = nullptr)
        : m_model(&model), m_moment(model.moment()), m_asker(asker), m_hasAsker(asker) {}

    bool ended() const { return !m_model || (m_hasAsker && !m_asker) || !m_model->stillAt(m_moment); }

    // `consequence` while the question stands; once it has ended, that the answer changes nothing.
    Dialogs::LiveText consequence(const QString& consequence) const;

    // Runs the answer when the question still stands, as done for its device: whatever the answer
    // sets off writes to that device or to none. Whether it ran.
    template <typename Answer>
    bool act(Answer&& answer) const {
        if (ended()) return false;
        const DSPModel::ActingAt acting(*m_model, m_moment);
        std::forward<Answer>(answer)();
        return true;
    }

private:
    QPointer<DSPModel> m_model;
    DeviceMoment m_moment;
    QPointer<const QObject> m_asker;
    bool m_hasAsker;
};

// A menu or popover opened on a page acts only for the device and the read-back it was opened
// on: when the link goes, another device connects or a read-back starts, it closes.
void closeWhenDeviceMovesOn(QWidget& popup, const DSPModel& model);
