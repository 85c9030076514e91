#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace kestrel_test {

struct AppRun {
    int exitCode = -1;
    bool finished = false;  // false when the program crashed or had to be killed
    QByteArray out;
    QByteArray error;

    QString outText() const { return QString::fromUtf8(out); }
    QStringList outLines() const;
};

// The test process's environment as the program should see it: TSL_* cleared
// and a private user-defaults store, so a run never picks up a remembered link.
QProcessEnvironment cleanAppEnvironment();

// Runs a program with the arguments in the given environment and waits for it
// to end (killed after timeoutSeconds).
AppRun runProgram(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment, int timeoutSeconds = 120,
                  const QString& workingDirectory = QString());

#ifdef KESTREL_APP_PATH
// Runs `tessaline-dsp-control` itself.
inline AppRun runApp(const QStringList& arguments,
                     const QProcessEnvironment& environment = cleanAppEnvironment(), int timeoutSeconds = 120,
                     const QString& workingDirectory = QString()) {
    return runProgram(QStringLiteral(KESTREL_APP_PATH), arguments, environment, timeoutSeconds,
                      workingDirectory);
}
#endif

}  // namespace kestrel_test
