// Model lifecycle: creation, the link's callbacks, the full read-back and the meter
// poller, and the published fields they change.
#include "link/DSPModel.h"

#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/Levels.h"
#include "link/MeterStore.h"
#include "link/ParamWords.h"
#include "platform/Tasks.h"

namespace {

constexpr double parameterTimeout = 0.4;
constexpr double meterPollPause = 0.1;
constexpr double demoTick = 0.08;
// Progress is published only in steps this large, so a read-back of 400 parameters
// wakes the views about fifty times, not four hundred.
constexpr double progressStep = 0.02;

}  // namespace

DSPModel::DSPModel(QObject* parent) : DSPModel(new DSPConnection, defaultDemoDataPath(), parent) {}

DSPModel::DSPModel(DSPConnection* link, QString demoDataPath, QObject* parent)
    : QObject(parent),
      link_(link),
      meterStore_(new MeterStore(this)),
      designedFIR_(loadDesignedFIR()),
      demoDataPath_(std::move(demoDataPath)) {
    link_->setParent(this);
    meterTimer_.setSingleShot(true);
    QObject::connect(&meterTimer_, &QTimer::timeout, this, &DSPModel::meterTick);
    // Installed before control returns to the event loop, so no link event is missed.
    QPointer<DSPModel> self(this);
    link_->onConnectionChange = [self](bool up) {
        if (self) self->onConnectionChange(up);
    };
    link_->onOtherDevice = [self] {
        if (self) self->forgetDevice();
    };
    link_->onFrame = [self](const DSPFrame& frame) {
        if (self) self->onFrame(frame);
    };
    // In offline mode the link stays off, so the demo device is what the user sees.
    if (link_->status() == DSPConnection::Status::error(DSPConnection::offlineText)) enterDemo();
}

DSPModel::~DSPModel() {
    cancelMeterTask();
    releaseFIRWaiters();
}

QString DSPModel::defaultDemoDataPath() {
    return QStringLiteral(":/DemoDevice.json");
}

// ---- published fields ------------------------------------------------------

void DSPModel::storeParam(quint32 number, const Words& words) {
    params_.insert(number, words);
    storedAt_.insert(number, ++storeSerial_);
    Q_EMIT paramChanged(number);
}

void DSPModel::keepStoresSince(quint64 serial, Table& collected) const {
    // The table holds the words last stored for each of them.
    for (auto it = storedAt_.constBegin(); it != storedAt_.constEnd(); ++it)
        if (it.value() > serial && params_.contains(it.key()))
            collected.insert(it.key(), params_.value(it.key()));
}

void DSPModel::replaceParams(Table table) {
    params_ = std::move(table);
    Q_EMIT paramsReset();
}

void DSPModel::setLoading(std::optional<double> progress) {
    if (progress == loading_) return;
    const bool starts = !loading_ && progress;
    loading_ = progress;
    if (starts) Q_EMIT momentChanged();
    Q_EMIT loadingChanged();
}

void DSPModel::setDemo(bool on) {
    demo_ = on;
    moveDeviceOn();
    meterStore_->setLive(connected_ || demo_);
    Q_EMIT demoChanged();
}

void DSPModel::moveDeviceOn() {
    ++deviceSerial_;
    Q_EMIT momentChanged();
}

DeviceMoment DSPModel::moment() const {
    return DeviceMoment(deviceSerial_, link_->session(), connected_);
}

bool DSPModel::stillAt(const DeviceMoment& moment) const {
    // The session as well as the count: a link's end is known to its session before the model
    // hears of it.
    return moment.m_device == deviceSerial_ && !(moment.m_onLink && moment.m_session.isCancelled());
}

bool DSPModel::mayWrite() const {
    return canWrite() && (!actingAt_ || stillAt(*actingAt_));
}

void DSPModel::switchDevice(const QString& device) {
    if (device == device_) return;
    moveDeviceOn();
    otherDevices_.insert(device_, DeviceMemory{std::exchange(groupOf_, {}), std::exchange(eqBypassed_, {})});
    DeviceMemory next = otherDevices_.take(device);
    device_ = device;
    Q_EMIT deviceChanged();
    groupOf_ = std::move(next.groupOf);
    eqBypassed_ = std::move(next.eqBypassed);
    Q_EMIT groupsChanged();
    Q_EMIT eqBypassChanged();
}

void DSPModel::forgetPresets() {
    if (!presets_.isEmpty()) {
        presets_.clear();
        Q_EMIT presetsChanged();
    }
    if (currentPreset_) {
        currentPreset_.reset();
        Q_EMIT currentPresetChanged();
    }
}

// A link asked of another host: nothing of the device before is shown as the next one's,
// also while that one refuses or never answers. The demo device is no device of a link.
void DSPModel::forgetDevice() {
    if (demo_) return;
    replaceParams({});
    forgetPresets();
    switchDevice(QString());
}

void DSPModel::setPresetBusy(bool busy) {
    presetBusy_ = busy;
    Q_EMIT presetBusyChanged();
}

// ---- link callbacks --------------------------------------------------------

void DSPModel::onConnectionChange(bool up) {
    if (up) {
        // Whatever was opened with no link, or on the demo device, ends here: before anything
        // of the new device shows, and while nothing can be written yet.
        if (demo_) {
            setDemo(false);
        } else {
            moveDeviceOn();
        }
        // A link that comes up may lead to another device than the last one: nothing the
        // table or the preset list held is this device's until the read-back answers it.
        // Emptied before the read-back shows, so nothing committed at its start builds on
        // words of the device before.
        replaceParams({});
        forgetPresets();
        switchDevice(link_->identity());
        // The read-back is under way from the moment the link is up, not only once its task
        // has begun: whoever waits for a connected, fully read device must never see the turn
        // between.
        setLoading(0.0);
    }
    connected_ = up;
    // A link that goes ends its moment once nothing can be written any more, so what was
    // opened on it and is committed as it closes reaches neither the table nor the device.
    if (!up) moveDeviceOn();
    meterStore_->setLive(connected_ || demo_);
    Q_EMIT connectedChanged();
    // A lost link stops only the live poller: the demo animation keeps running.
    if (up || meterTaskKind_ == MeterTaskKind::poller) cancelMeterTask();
    if (!up) return;
    QPointer<DSPModel> self(this);
    tasks::startTask([self]() -> QCoro::Task<> {
        if (self) co_await self->loadSettings();
    });
}

void DSPModel::onFrame(const DSPFrame& frame) {
    const quint16 command = frame.command;
    if ((command != 5 && command != 6) || frame.words.size() < 2) return;
    const quint32 id = frame.words[1];
    const Words values = frame.words.mid(2);
    if (id == meterParameter) {
        applyMeterWords(values);
        return;
    }
    // During a read-back the read-back itself stores its answers, all at once at the end.
    // An answer shorter than its parameter is no answer.
    if (command == 6 && !values.isEmpty() && paramwords::isWhole(id, values) && !loading_)
        storeParam(id, values);
}

void DSPModel::applyMeterWords(const Words& values) {
    // Only the channels the answer carries get a level: a short answer leaves the others as
    // they were, unheard when they never had one.
    QList<float> levels;
    for (qsizetype k = 0; k < MeterStore::channelCount && 2 * k < values.size(); ++k)
        levels.append(levels::fromBits(values[2 * k]));
    meterStore_->setLevels(levels);
}

// ---- requests --------------------------------------------------------------

tasks::TaskGuard<DSPModel> DSPModel::linkGuard() {
    return tasks::TaskGuard<DSPModel>(this, link_->session());
}

QCoro::Task<std::optional<DSPFrame>> DSPModel::ask(quint16 command, Words words, double timeout,
                                                   Matcher matches) {
    // The link puts its address on the frame when it goes out.
    DSPFrame frame{DSPFrame::broadcast, command, std::move(words)};
    co_return co_await link_->request(std::move(frame), timeout, std::move(matches));
}

QCoro::Task<std::optional<DSPFrame>> DSPModel::readParameter(quint32 id) {
    return ask(6, {0, id}, parameterTimeout,
               [id](const DSPFrame& frame) { return DSPConnection::isParameterAnswer(frame, id); });
}

// ---- full read-back --------------------------------------------------------

QCoro::Task<> DSPModel::loadSettings() {
    const auto guard = linkGuard();
    // Half a table from a device that is gone is worth nothing: the table keeps what it had.
    const auto abandon = [&guard] {
        if (DSPModel* self = guard.get()) self->setLoading(std::nullopt);
    };
    if (!guard) {
        abandon();  // the link went away before the read-back began
        co_return;
    }
    const std::vector<uint32_t>& list = ParamMap::allParameters();
    const size_t n = list.size();
    // A write made while the reads go out reaches the device in its turn, before or after the
    // read of its parameter: either way the device ends holding the words written, so those
    // are what the table ends with, never an answer read before them.
    const quint64 storesBefore = storeSerial_;
    setLoading(0.0);
    // Only what this read-back answers is known: a parameter without an answer, or with
    // fewer words than it has, ends unread, as at a first connect. The earlier table stays
    // shown until the end, so a recall does not blank every view meanwhile.
    Table collected;
    for (size_t i = 0; i < n; ++i) {
        const quint32 id = list[i];
        const std::optional<DSPFrame> answer = co_await readParameter(id);
        if (!guard) {
            abandon();  // cut by a lost link
            co_return;
        }
        if (answer) {
            Words values = answer->words.mid(2);
            if (paramwords::isWhole(id, values)) collected.insert(id, std::move(values));
        }
        const double progress = double(i + 1) / double(n);
        const bool moved = loading_ ? progress - *loading_ >= progressStep : progress >= progressStep;
        if (moved || i == n - 1) setLoading(progress);
    }
    // The demo device may have been entered after the link went away; its table and
    // animation win over what a dead link collected.
    if (demo_) {
        setLoading(std::nullopt);
        co_return;
    }
    keepStoresSince(storesBefore, collected);
    replaceParams(std::move(collected));
    setLoading(std::nullopt);
    startMeters();
    // The list is the device's state too: unanswered, it is left unknown, not the earlier one.
    co_await refreshPresets();
}

// ---- meter poller and the meter task slot ---------------------------------

void DSPModel::cancelMeterTask() {
    meterTask_.cancel();
    meterTask_ = tasks::CancelToken();
    meterTimer_.stop();
    meterTaskKind_ = MeterTaskKind::none;
}

void DSPModel::meterTick() {
    if (meterTaskKind_ == MeterTaskKind::poller) {
        pollMeters();
    } else if (meterTaskKind_ == MeterTaskKind::demo) {
        if (!demo_) {
            cancelMeterTask();
            return;
        }
        demoTime_ += demoTick;
        animateDemoMeters(demoTime_);
        meterTimer_.start(std::chrono::milliseconds(qRound64(demoTick * 1000)));
    }
}

void DSPModel::startMeters() {
    cancelMeterTask();
    meterSession_ = link_->session();
    meterTaskKind_ = MeterTaskKind::poller;
    meterTimer_.start(0);
}

void DSPModel::pollMeters() {
    // A poller outlives neither its link nor its cancellation.
    tasks::startTask(
        [guard = tasks::TaskGuard<DSPModel>(this, meterSession_), token = meterTask_]() -> QCoro::Task<> {
            if (!guard || token.isCancelled()) co_return;
            DSPModel* self = guard.get();
            // The poll takes its turn in the queue like an edit does: during a drag the meters
            // keep moving, and an edit waits behind at most one poll, since the writes to a
            // parameter coalesce while they wait. The answer reaches onFrame like every other
            // frame; that is where the meters are updated.
            co_await self->readParameter(meterParameter);
            if (!guard || token.isCancelled()) co_return;
            self->meterTimer_.start(std::chrono::milliseconds(qRound64(meterPollPause * 1000)));
        });
}
