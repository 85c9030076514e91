#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace kestrel_test {

// A `kestrel-sim` process on a free random loopback address, for end-to-end
// runs of the command line as a real program. Its state is dumped to a file in
// a private folder after every frame, and every connection opened or closed and
// every frame received is recorded there. Killed when the object goes.
class SimProcess {
public:
    SimProcess(const QString& program, const QStringList& extraArguments);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return !host_.isEmpty(); }
    const QString& host() const { return host_; }
    // The simulator's latest state dump ("params": number -> words, ...).
    QJsonObject state() const;
    // What happened so far, oldest first: "open N", "frame N COMMAND" (decimal) and
    // "close N", connections numbered from 1 in the order they were accepted.
    QStringList events() const;
    // A file path inside the private folder.
    QString path(const QString& name) const { return folder_.filePath(name); }

private:
    QTemporaryDir folder_;
    QProcess process_;
    QString host_;
};

#ifdef KESTREL_SIM_PATH
inline std::unique_ptr<SimProcess> startSimulator(const QStringList& extraArguments = {}) {
    return std::make_unique<SimProcess>(QStringLiteral(KESTREL_SIM_PATH), extraArguments);
}
#endif

}  // namespace kestrel_test
