#include "app/MainWindow.h"

namespace app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Tessaline DSP Control"));
}

}  // namespace app
