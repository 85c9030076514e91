#include "SimProcess.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace kestrel_test {

SimProcess::SimProcess(const QString& program, const QStringList& extraArguments) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, QStringList{QStringLiteral("--random-host"), QStringLiteral("--dump"),
                                        path(QStringLiteral("state.json")), QStringLiteral("--events"),
                                        path(QStringLiteral("events.txt"))} +
                                extraArguments);
    if (!process_.waitForStarted()) return;
    static const QRegularExpression listening(QStringLiteral(R"(^listening on ([0-9.]+):\d+)"));
    while (process_.waitForReadyRead(10000) || process_.canReadLine()) {
        if (!process_.canReadLine()) continue;
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(process_.readLine()));
        if (match.hasMatch()) {
            host_ = match.captured(1);
            return;
        }
    }
}

SimProcess::~SimProcess() {
    process_.kill();
    process_.waitForFinished();
}

QJsonObject SimProcess::state() const {
    QFile file(folder_.filePath(QStringLiteral("state.json")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList SimProcess::events() const {
    QFile file(folder_.filePath(QStringLiteral("events.txt")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace kestrel_test
