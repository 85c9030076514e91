#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include "designer/FIRDesignerView.h"
#include "link/LiveModel.h"
#include "platform/Settings.h"
#include "support/ScriptedDialogs.h"
#include "ui/AppContext.h"

// Readable failure messages for texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace designertest {

// A designer page on an offline model, with scripted dialogs and a clean store.
struct Page {
    livemodel::Offline offline;
    kestrel_test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<FIRDesignerView> view;

    Page() { clearStore(); }
    ~Page() { view.reset(); }

    static void clearStore() {
        for (const char* key :
             {"firDesigner.settings", "firDesigner.measurement", "firDesigner.lastResult", "firSend.targets"})
            Settings::shared().remove(QString::fromLatin1(key));
    }

    AppContext context() {
        AppContext c;
        c.model = offline.model.get();
        c.settings = &Settings::shared();
        c.dialogs = &dialogs;
        return c;
    }

    // Builds the page and shows it, which loads the stored state.
    FIRDesignerView& open() {
        view = std::make_unique<FIRDesignerView>(context());
        view->resize(1200, 900);
        view->show();
        return *view;
    }

    // Lets the pending store, redesign and refresh happen.
    static void settle() { QCoreApplication::processEvents(); }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
};

// Measurement text: `points` lines from 20 Hz upwards, a phase on the first `withPhase` of them.
inline QByteArray measurementText(int points, int withPhase = 0, double db = 0) {
    QByteArray text = "* Freq(Hz) Magnitude(dB) Phase(degrees)\n";
    for (int i = 0; i < points; ++i) {
        const double hz = 20 * std::pow(1000.0, i / double(std::max(points - 1, 1)));
        text += QByteArray::number(hz) + "\t" + QByteArray::number(db + (i % 3) - 1);
        if (i < withPhase) text += "\t" + QByteArray::number(-90 + i % 180);
        text += "\n";
    }
    return text;
}

}  // namespace designertest
