#include "shell/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <utility>

#include "link/DSPModel.h"
#include "shell/AboutDialog.h"
#include "shell/ConsoleView.h"
#include "shell/ProductSettings.h"
#include "ui/Dialogs.h"

namespace {

// The target grown to the window's minimum where it is smaller, still centred where it can be,
// with its top left corner inside the available area.
QRect keepingMinimum(const QRect& target, const QSize& minimum, const QRect& available) {
    QRect kept(target.topLeft(), target.size().expandedTo(minimum));
    kept.moveCenter(target.center());
    // Larger than the screen: the title bar and the menus stay on it, the rest reaches past
    // its right or bottom edge.
    kept.moveLeft(std::max(std::min(kept.left(), available.right() + 1 - kept.width()), available.left()));
    kept.moveTop(std::max(std::min(kept.top(), available.bottom() + 1 - kept.height()), available.top()));
    return kept;
}

}  // namespace

MainWindow::MainWindow(AppContext context, QWidget* parent)
    : QMainWindow(parent),
      m_context(context),
      m_work(*context.model, *context.dialogs),
      m_commands(*context.model, *context.dialogs, &m_work) {
    setWindowTitle(QStringLiteral("Tessaline DSP Control"));
    m_context.work = &m_work;
    m_console = new ConsoleView(m_context, Page::fromEnvironment(), this);
    setCentralWidget(m_console);
    m_console->setMinimumSize(kMinimumContent);
    resize(1360, 820);
    buildMenus();
    connect(context.model, &DSPModel::demoChanged, this, &MainWindow::updateActions);
    connect(context.model, &DSPModel::connectedChanged, this, &MainWindow::updateActions);
    connect(context.model, &DSPModel::loadingChanged, this, &MainWindow::updateActions);
    updateActions();
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_saveAction = file->addAction(QStringLiteral("Save Project…"), this,
                                   [this] { Dialogs::askLater(this, [this] { m_commands.saveProject(); }); });
    m_saveAction->setShortcut(QKeySequence::Save);
    m_openAction = file->addAction(QStringLiteral("Open Project…"), this,
                                   [this] { Dialogs::askLater(this, [this] { m_commands.openProject(); }); });
    m_openAction->setShortcut(QKeySequence::Open);
    file->addSeparator();
    m_demoAction = file->addAction(QString(), this, [this] { m_commands.toggleDemo(); });
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"), this, &MainWindow::quit);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* website =
        help->addAction(QStringLiteral("Tessaline Website"), this, [this] { m_commands.openWebsite(); });
    website->setEnabled(!ProductSettings::website().isEmpty());
    QAction* mail =
        help->addAction(QStringLiteral("Email Support…"), this, [this] { m_commands.emailSupport(); });
    mail->setEnabled(!ProductSettings::supportEmail().isEmpty());
    help->addSeparator();
    if (!ProductSettings::supportPhone().isEmpty()) {
        QAction* phone = help->addAction(QStringLiteral("Support: ") + ProductSettings::supportPhone());
        phone->setEnabled(false);
        help->addSeparator();
    }
    help->addAction(QStringLiteral("About Tessaline DSP Control"), this, &MainWindow::showAbout);
}

void MainWindow::updateActions() {
    const DSPModel& model = *m_context.model;
    m_demoAction->setText(model.demo() ? QStringLiteral("Exit Demo Device") : QStringLiteral("Demo Device"));
    m_demoAction->setEnabled(!model.connected());
    m_saveAction->setEnabled(m_commands.projectFilesAvailable());
    m_openAction->setEnabled(m_commands.projectFilesAvailable());
}

QRect MainWindow::placement(const QRect& available) {
    const int width = int(std::min(0.94 * available.width(), 1400.0));
    const int height = int(std::min(0.94 * available.height(), 880.0));
    const QPointF centre = QRectF(available).center();
    return QRect(qRound(centre.x() - width / 2.0), qRound(centre.y() - height / 2.0), width, height);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_placed) return;
    m_placed = true;
    // After the window exists, so the frame it gets is the one we set.
    QTimer::singleShot(0, this, &MainWindow::placeFirstWindow);
}

void MainWindow::placeFirstWindow() {
    QScreen* screen = this->screen();
    if (!screen) return;
    // The placement is for the whole window, frame included.
    const QRect frame = frameGeometry();
    const QMargins margins(geometry().left() - frame.left(), geometry().top() - frame.top(),
                           frame.right() - geometry().right(), frame.bottom() - geometry().bottom());
    layout()->activate();  // the window's minimum follows its content's before it is sized
    setGeometry(keepingMinimum(placement(screen->availableGeometry()).marginsRemoved(margins), minimumSize(),
                               screen->availableGeometry().marginsRemoved(margins)));
    activateWindow();
    raise();
    // No control holds the keyboard at start.
    QTimer::singleShot(300, this, [this] {
        if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
    });
}

void MainWindow::showAbout() {
    // One About window: asking again brings the open one forward.
    if (!m_about) {
        m_about = new AboutDialog(this);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainWindow::quit() {
    // The window asks while it closes; once it is closed, the other windows go with it.
    m_quitWhenClosed = true;
    const bool closed = close();
    m_quitWhenClosed = false;
    if (closed) QApplication::quit();
}

// While work runs the window stays, and asks from the event loop: the answer closes it then.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (std::exchange(m_closeAnswered, false) || m_work.idle()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    const bool quitting = std::exchange(m_quitWhenClosed, false);
    Dialogs::askLater(this, [this, quitting] {
        // A close asked for twice before the first answer finds the window closed already.
        if (!isVisible() || !m_work.mayQuit()) return;
        m_closeAnswered = true;
        if (close() && quitting) QApplication::quit();
    });
}
