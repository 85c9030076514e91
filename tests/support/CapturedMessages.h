#pragma once

#include <QStringList>
#include <QtGlobal>

namespace kestrel_test {

// Everything Qt reports (warnings and the like) while it lives, instead of printing it.
class CapturedMessages {
public:
    CapturedMessages() : previous_(qInstallMessageHandler(record)) { captured().clear(); }
    ~CapturedMessages() { qInstallMessageHandler(previous_); }
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;

    QStringList messages() const { return captured(); }

private:
    static QStringList& captured() {
        static QStringList list;
        return list;
    }
    static void record(QtMsgType, const QMessageLogContext&, const QString& message) {
        captured() << message;
    }
    QtMessageHandler previous_;
};

}  // namespace kestrel_test
