#pragma once

#include <QString>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "ui/Dialogs.h"

// A question about the device connected as it is asked. A modal question waits while the link
// may close, or another device connect; its answer was given for the device it named, so once
// that link has ended it does nothing, and its text says so.
class AskedOnLink {
public:
    explicit AskedOnLink(const DSPModel& model)
        : m_model(&model), m_session(model.link().session()), m_wasUp(!m_session.isCancelled()) {}

    // The link the question was asked on has closed since. Asked without a link, nothing ends:
    // what the answer does then fails as it did at the question.
    bool ended() const { return m_wasUp && m_session.isCancelled(); }

    // `consequence` while the link is up; once it has ended, that the answer changes nothing.
    Dialogs::LiveText consequence(const QString& consequence) const {
        return Dialogs::LiveText(
                   m_model, &DSPModel::connectedChanged,
                   [asked = *this, consequence] { return asked.ended() ? endedText : consequence; })
            .alsoShowing({endedText});
    }

    static inline const QString endedText =
        QStringLiteral("The DSP this was asked for is no longer connected: the answer changes nothing.");

private:
    const DSPModel* m_model;
    DSPConnection::Session m_session;
    bool m_wasUp;
};
