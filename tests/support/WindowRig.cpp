#include "WindowRig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "Spin.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "platform/Tasks.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/ReadingDisplay.h"
#include "shell/Sidebar.h"
#include "shell/StatusBar.h"

namespace kestrel_test {

WindowRig::WindowRig() : WindowRig(Options{}) {}

WindowRig::WindowRig(const Options& options)
    : settings(dir.filePath(QStringLiteral("settings.ini"))), hid(log, backend), udp(log), tcp(log) {
    if (!simulator.listenOnRandomLoopback()) ADD_FAILURE() << "no free loopback address";
    if (options.prepare) options.prepare(simulator);
    DSPConnection::Environment environment;
    environment.hid = &backend;
    environment.settings = &settings;
    environment.offline = false;
    model_ = new DSPModel(new DSPConnection(environment),
                          options.demoPath.isEmpty() ? DSPModel::defaultDemoDataPath() : options.demoPath);
    QObject::connect(model_, &DSPModel::presetsChanged, [this] { ++presetLists_; });
    context_.model = model_;
    context_.link = &model_->link();
    context_.meters = &model_->meterStore();
    context_.hid = &hid;
    context_.udp = &udp;
    context_.tcp = &tcp;
    context_.log = &log;
    context_.settings = &settings;
    context_.navigator = &navigator;
    context_.dialogs = &dialogs;

    if (!options.startPage.isEmpty()) qputenv("TSL_PAGE", options.startPage.toUtf8());
    window_ = std::make_unique<MainWindow>(context_);
    qunsetenv("TSL_PAGE");
    window_->resize(1360, 820);
    if (!options.show) {
        if (options.connect && !connect()) ADD_FAILURE() << "no connection to the simulator";
        return;
    }
    QElapsedTimer shown;
    shown.start();
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) ADD_FAILURE() << "the window was never exposed";
    if (options.connect && !connect()) ADD_FAILURE() << "no connection to the simulator";
    // The window clears the keyboard focus a moment after it first appears; a test that
    // types must not have that focus change commit its text for it.
    spinUntil([&] { return shown.elapsed() > 400; }, 1);
    window_->resize(1360, 820);
    turn();
}

WindowRig::~WindowRig() {
    window_.reset();
    delete model_;
    // Let coroutines that were waiting take their posted resumptions and end.
    spinUntil([] { return false; }, 0.02);
}

ConsoleView& WindowRig::console() {
    return *window_->console();
}

QStringList WindowRig::statusTexts() {
    QStringList texts;
    for (QLabel* label : console().statusBar()->findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    return texts;
}

bool WindowRig::connect() {
    const int lists = presetLists_;
    model_->link().connect(simulator.host());
    const bool settled =
        spinUntil([&] { return model_->connected() && !model_->loading() && presetLists_ > lists; }, 60);
    turn();
    return settled;
}

bool WindowRig::startReadBack() {
    tasks::startTask([model = QPointer<DSPModel>(model_)]() -> QCoro::Task<> {
        if (model) co_await model->loadSettings();
    });
    return spinUntil([&] { return model_->loading().has_value(); }, 20);
}

bool WindowRig::finishReadBack() {
    return spinUntil([&] { return !model_->loading().has_value(); }, 60);
}

void WindowRig::readBackInNextDialog() {
    // Spinning here is the dialog's own event loop: the read-back's signals, the page
    // host's reaction and any deferred deletions all happen inside it.
    dialogs.whileOpen = [this] {
        if (startReadBack() && finishReadBack()) ++readBacksDuringDialogs_;
    };
}

void WindowRig::showPage(const Page& page) {
    Sidebar* sidebar = console().sidebar();
    QListWidgetItem* item = sidebar->itemFor(page);
    if (!item) {
        ADD_FAILURE() << "no sidebar row for the page";
        return;
    }
    sidebar->scrollToItem(item);
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(item).center());
    turn();
}

void WindowRig::resizeContent(const QSize& size) {
    window_->resize(size + window_->size() - console().size());
    turn();
}

QWidget* WindowRig::pageView() {
    QWidget* content = console().pageContent();
    return qobject_cast<ReadingDisplay*>(content) ? nullptr : content;
}

void WindowRig::turn() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

bool WindowRig::waitFor(const std::function<bool()>& condition, double seconds) {
    const bool held = spinUntil(condition, seconds);
    turn();
    return held;
}

QImage WindowRig::onScreen() {
    // Widgets paint on the window's next update request, which the platform delivers from a
    // short timer: let that run, then read what reached the backing store.
    turn();
    spinUntil([] { return false; }, 0.02);
    turn();
    return window_->screen()->grabWindow(window_->winId()).toImage();
}

QRect WindowRig::onScreenRect(const QWidget& widget) {
    return QRect(widget.mapTo(window_.get(), QPoint(0, 0)), widget.size());
}

QList<DSPFrame> WindowRig::receivedSince(qsizetype mark, quint16 command) const {
    QList<DSPFrame> frames;
    for (qsizetype i = mark; i < simulator.received().size(); ++i)
        if (simulator.received()[i].command == command) frames.append(simulator.received()[i]);
    return frames;
}

void holdDemoSettings(DeviceSimulator& simulator) {
    QFile file(DSPModel::defaultDemoDataPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject demo = QJsonDocument::fromJson(file.readAll()).object();
    ASSERT_TRUE(simulator.device().loadJson(QJsonObject{{"params", demo}}));
}

}  // namespace kestrel_test
