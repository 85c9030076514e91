#include "ui/DeviceMoments.h"

#include <QEvent>
#include <QWidget>

Dialogs::LiveText AskedAt::consequence(const QString& consequence) const {
    return Dialogs::LiveText(m_model.data(), &DSPModel::momentChanged, [asked = *this, consequence] {
        return asked.ended() ? answerChangesNothingText : consequence;
    }).alsoShowing({answerChangesNothingText});
}

void closeWhenDeviceMovesOn(QWidget& popup, const DSPModel& model) {
    // Every move of the moment is a move away from the one the popup was opened on.
    QObject::connect(&model, &DSPModel::momentChanged, &popup, [&popup] {
        if (popup.isVisible()) popup.close();
    });
}
