#include "AppProcess.h"

#include <QProcess>

namespace kestrel_test {

QStringList AppRun::outLines() const {
    QStringList lines = outText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QProcessEnvironment cleanAppEnvironment() {
    // The test main has already given this process a private user-defaults
    // store, which the program inherits.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name.startsWith(QLatin1String("TSL_"))) environment.remove(name);
    }
    return environment;
}

AppRun runProgram(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment, int timeoutSeconds,
                  const QString& workingDirectory) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    AppRun run;
    if (!process.waitForStarted()) return run;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
    } else {
        run.finished = process.exitStatus() == QProcess::NormalExit;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.error = process.readAllStandardError();
    return run;
}

}  // namespace kestrel_test
