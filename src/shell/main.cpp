#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include "cli/CommandLine.h"
#include "shell/ApplicationSetup.h"
#include "shell/ConsoleApplication.h"
#include "shell/EntryMode.h"
#include "shell/MainWindow.h"

namespace {

// The arguments are taken before any Qt application object exists: Qt would
// otherwise consume options of its own (such as -platform) from the list.
QStringList argumentsAfterProgramName(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList arguments = argumentsAfterProgramName(argc, argv);
    if (app::wantsCommandLine(arguments)) {
        QCoreApplication application(argc, argv);
        return cli::runCommandLine(arguments);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline DSP Control"));
    // Wayland shells find the window's icon and title through the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("tessaline-dsp-control"));
    setUpApplication(application);
    ConsoleApplication console;
    console.window().show();
    return application.exec();
}
