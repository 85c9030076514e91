#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <bit>

#include "link/DSPModel.h"
#include "link/LiveModel.h"
#include "link/MeterStore.h"
#include "platform/Settings.h"
#include "support/ScriptedDialogs.h"
#include "ui/AppContext.h"
#include "ui/controls/CompactNumberField.h"

// What the editor's views are built with in tests: a model without a device
// (edits are stored, nothing is sent), private settings, and helpers to type
// into fields and set the channel levels.
namespace editorrig {

inline quint32 bits(float value) {
    return std::bit_cast<quint32>(value);
}
inline float single(quint32 word) {
    return std::bit_cast<float>(word);
}

struct Rig {
    livemodel::Offline offline;
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("settings.ini"))};
    DSPModel& model = *offline.model;

    Rig() { offline.holdEveryParameter(); }

    void setLevel(int ch, float dB) {
        QList<float> levels = model.meterStore().levels();
        levels[ch] = dB;
        model.meterStore().setLevels(levels);
        model.meterStore().setLive(true);
    }
};

// What a view over any model is given besides the model: private settings and
// scripted dialogs.
struct Context {
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("settings.ini"))};
    kestrel_test::ScriptedDialogs dialogs;
    AppContext of(DSPModel& model) {
        return {&model,  &model.link(), &model.meterStore(), nullptr, nullptr,
                nullptr, nullptr,       &settings,           nullptr, &dialogs};
    }
};

// Types into a field's line edit and presses Return.
inline void enter(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}
inline void enter(CompactNumberField* field, const QString& text) {
    enter(field->lineEdit(), text);
}

// Lets coalesced refreshes and the layout passes they cause run.
inline void settle() {
    for (int turn = 0; turn < 4; ++turn) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

}  // namespace editorrig
