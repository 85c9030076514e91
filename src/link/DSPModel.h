#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "link/DSPFrame.h"
#include "link/DeviceMoment.h"
#include "link/DeviceVocabulary.h"
#include "link/ParamMap.h"
#include "platform/Tasks.h"

class DSPConnection;
class MeterStore;

// The observable model of the device: the parameter table mirrored as 32-bit words,
// the editing operations on it, read-back, meters, presets, the demo device, project
// files and FIR block transfers. Lives on the main thread; every change is announced
// through the signals below so views can redraw.
class DSPModel : public QObject {
    Q_OBJECT
public:
    using Words = DSPFrame::Words;
    using Table = QMap<quint32, Words>;

    struct Band {
        qint64 freq = 0;
        float gain = 0;
        float q = 0;
        qint64 type = 0;  // EQBandType raw value; other values are kept as they are
        bool on = true;
    };
    struct Filter {
        qint64 freq = 0;
        FilterSlope slope = FilterSlope::bw12;
        bool on = true;
    };
    struct Compressor {
        float threshold = 0;
        float ratio = 0;
        qint64 attack = 0;
        qint64 release = 0;
        qint64 knee = 0;
        bool on = true;
    };
    struct Limiter {
        float threshold = 0;
        qint64 release = 0;
        bool on = true;
    };
    struct DEQBand {
        qint64 freq = 0;
        float maxGain = 0;
        float q = 0;
        DEQMode mode = DEQMode::boostAbove;
        bool active = false;
        float threshold = 0;
        qint64 attack = 0;
        qint64 release = 0;
        float ratio = 0;
    };
    struct Crosspoint {
        float level = 0;
        bool on = false;
    };
    // What the device reported of a channel's EQ; a block never read stays empty and is
    // not pasted, so a paste never sends settings nobody chose.
    struct EQClipboard {
        bool isInput = false;
        QList<std::optional<Words>> bands;
        std::optional<Words> hp;
        std::optional<Words> lp;
    };
    struct PresetSlot {
        int id = 0;
        QString name;
        // False when the device left the name unanswered (the name is then empty and unknown).
        bool nameAnswered = true;
        bool operator==(const PresetSlot&) const = default;
    };
    struct DesignedFIR {
        QString name;
        QList<float> coefficients;
        bool operator==(const DesignedFIR&) const = default;
    };
    struct Project {
        QString format;
        int version = 0;
        QString model;
        QDateTime created;
        Table params;
    };
    // A FIR block as read back. A read in part (a chunk came short, or the filter is longer
    // than the four chunks a read-back reaches) holds the taps read before it stopped: no
    // filter to save, draw or put back, only a count to show.
    struct FIRReadBack {
        Words header;
        QList<float> coefficients;
        // Every coefficient that came, also those a loss left without a known place: what a
        // read in part reports.
        qsizetype received = 0;

        // The tap count the block's header gives.
        qsizetype taps() const { return header.value(1) & 0xFFFF; }
        bool whole() const { return coefficients.size() == taps(); }
        // "256 taps", or for a read in part "400 of 512 taps, read in part".
        QString tapsText() const;
    };
    // What an upload or a clear did, in three parts: what was sent, what the device answered,
    // and what the block holds after as read back, with the name the device then gave. The name
    // always describes the block: the new one only on the filter sent, the old one only on the
    // filter that was there, else empty.
    struct FIROutcome {
        enum class Answer {
            notSent,     // refused here before anything went out (no link, tap count, values)
            taken,       // every step answered as taken
            refused,     // the device answered a step with a refusal
            unanswered,  // a step's answer never came, or the link went
        };
        enum class Holds {
            sent,      // read back as the filter sent
            previous,  // read back as the filter that was there
            other,     // read back whole as some other filter
            inPart,    // read back in part
            notRead,   // not read back
        };
        std::optional<QString> error;  // the upload's own failure text
        Answer answer = Answer::notSent;
        QString step;                 // the step refused or left unanswered
        std::optional<quint32> code;  // the refusal's code; none when the DSP couldn't read the step
        qsizetype taps = 0;           // the taps sent
        bool mayHaveChanged = false;  // a commit went out and was not refused
        Holds holds = Holds::notRead;
        std::optional<FIRReadBack> block;  // the read-back after the upload, when one answered
        std::optional<Words> name;         // as the device reported it at the end; none: not known
        Words nameSent;

        bool done() const { return answer == Answer::taken && holds == Holds::sent && name == nameSent; }
        // No commit this upload sent could have changed the block: none went out, or the device
        // refused each one.
        bool unchanged() const { return !mayHaveChanged; }
        // "256 taps sent, no answer to the commit; FIR block holds the filter sent, name "EQ""; for
        // what never went out, only why.
        QString text() const;
        // The text as a sentence, with its one full stop.
        QString sentence() const;
        // "taken", "refused at the header (code 5)", "no answer to the commit"
        QString answerText() const;
        // "holds the filter sent", "holds another filter (200 taps)", "was not read back", ...
        QString blockText() const;
        // The name in quotes, or "?" when the device could not be asked.
        QString nameText() const;
        // None when done; the failure alone when nothing changed, else the whole outcome.
        std::optional<QString> failure() const;
    };

    static constexpr quint32 meterParameter = 366;
    static inline const QString projectFormat = QStringLiteral("Tessaline DSP Control project");
    static inline const QString notConnectedText = QStringLiteral("Not connected to a DSP.");

    // The application's model: its own link and the bundled demo data.
    explicit DSPModel(QObject* parent = nullptr);
    // Takes over a link made by the caller (tests give it their own environment) and
    // reads the demo data from the given path, so the missing-file path can be tried.
    DSPModel(DSPConnection* link, QString demoDataPath, QObject* parent = nullptr);
    ~DSPModel() override;
    static QString defaultDemoDataPath();

    DSPConnection& link() const { return *link_; }
    MeterStore& meterStore() const { return *meterStore_; }

    // Published state.
    const Table& params() const { return params_; }
    std::optional<double> loading() const { return loading_; }
    bool connected() const { return connected_; }
    bool demo() const { return demo_; }
    // The device the model mirrors (the link's identity, "demo" for the demo device, empty for
    // none). Groups and the EQ-bypass state are this system's, never read from a device, so
    // they are kept per device: another device starts without them, and a return to one
    // brings back what was made on it.
    const QString& device() const { return device_; }
    // The device in front of the window now; stillAt tells whether it still is. Every link
    // coming up or going, the demo device starting or ending and every other device moves it on.
    DeviceMoment moment() const;
    bool stillAt(const DeviceMoment& moment) const;
    // Whether an edit can reach the device whose table this is: its link is up, or it is the
    // demo device. Once a device's link went, no setter changes its table: nothing could be
    // written. A table of no device (as at start) holds nothing an edit could build on.
    bool canWrite() const { return connected_ || demo_ || device_.isEmpty(); }
    // While one lives, what is done is done for `moment`: once the model has moved on from it,
    // no write changes the table or reaches a device. An answer to a question acts inside one,
    // so whatever it sets off on the device it was asked for goes nowhere else.
    class ActingAt {
    public:
        ActingAt(DSPModel& model, const DeviceMoment& moment)
            : model_(model), previous_(std::exchange(model.actingAt_, moment)) {}
        ~ActingAt() { model_.actingAt_ = previous_; }
        ActingAt(const ActingAt&) = delete;
        ActingAt& operator=(const ActingAt&) = delete;

    private:
        DSPModel& model_;
        std::optional<DeviceMoment> previous_;
    };
    // Whether a write now would reach the device in front of the window (canWrite, and inside
    // an ActingAt only while its moment holds).
    bool mayWrite() const;
    static inline const QString demoDevice = QStringLiteral("demo");
    const QMap<int, int>& groupOf() const { return groupOf_; }
    const QSet<int>& eqBypassed() const { return eqBypassed_; }
    const std::optional<EQClipboard>& eqClipboard() const { return eqClipboard_; }
    const std::optional<DesignedFIR>& designedFIR() const { return designedFIR_; }
    const QList<PresetSlot>& presets() const { return presets_; }
    std::optional<int> currentPreset() const { return currentPreset_; }
    bool presetBusy() const { return presetBusy_; }

    // Parameter table and editing.
    Words words(quint32 number, int minimumCount) const;
    // Whether the device reported the parameter's whole word list. One it never reported (an
    // answer lost during this read-back, or the link lost in the middle of it) reads as zero
    // words, and an edit built on those would send settings nobody chose.
    bool reported(quint32 number) const;
    // Why a reported parameter holds a number no control could show (a level that is no
    // number, a frequency of 4294967295 Hz), as a sentence for the user; none otherwise.
    std::optional<QString> unshowable(quint32 number) const;
    // Whether the table holds the parameter as a value: reported, and every number one its
    // control could show. The views draw anything else as unknown, and edits leave it alone,
    // since an edit of part of a block sends the rest of it back as it stands.
    bool holds(quint32 number) const;
    // The same for a block of a channel; false for a block the channel does not have.
    bool holds(ParamMap::Block block, int ch) const {
        const std::optional<uint32_t> number = ParamMap::param(block, ch);
        return number && holds(*number);
    }
    // The words of a held parameter, padded like words(); none when the table lacks it.
    // Edits that change part of a block start from this.
    std::optional<Words> heldWords(quint32 number, int minimumCount) const;
    // How many parameters of the read-back list the device has not reported.
    int unreadCount() const;
    // How many held parameters a project leaves out because their words are not valid.
    int invalidCount() const;
    void write(quint32 number, const Words& words, std::optional<int> count = std::nullopt,
               bool propagate = true);
    QList<int> groupMembers(int ch) const;
    void setGroup(int ch, std::optional<int> group);
    void copyChannelSettings(int from, int to);
    // Whether any band or filter of ch's EQ was read, so there is something to copy.
    bool canCopyEQ(int ch) const;
    void copyEQ(int ch);
    bool canPasteEQ(int ch) const;
    // Writes the copied parts onto ch; returns the parts of ch left alone because the device
    // never reported them ("band 3", "the high-pass filter"), in the channel's order.
    QStringList pasteEQ(int ch);
    void flatEQ(int ch);
    void setEQBypass(int ch, bool bypassed);
    QString channelName(int ch) const;
    void setChannelName(int ch, const QString& name);

    // Readers.
    Band band(int ch, int b) const;
    Filter highPass(int ch) const;
    Filter lowPass(int ch) const;
    Compressor compressor(int ch) const;
    Limiter limiter(int ch) const;
    DEQBand deqBand(int ch, int b) const;
    Crosspoint crosspoint(quint32 number) const;
    float generatorLevel(Generator g) const;
    bool generatorIsOn(Generator g) const;
    InputSource inputSource(int input) const;
    static Band decodeBand(const Words& words);
    static Filter decodeFilter(const Words& words);

    // Encoders change the words their caller read; they return false and leave the
    // words alone when a value is not finite.
    static bool encodeBand(Words& words, const Band& band);
    static bool encodeFilter(Words& words, const Filter& filter);
    static bool encodeLimiter(Words& words, const Limiter& limiter);
    static bool encodeDEQBand(Words& words, const DEQBand& band);
    static bool encodeCrosspoint(Words& words, std::optional<bool> on, std::optional<float> level);

    // Setters: clamp, round, then write with group propagation. Non-finite values
    // are ignored, and so is an edit of a block the table does not hold: nothing is
    // stored or sent.
    void setGain(int ch, float dB);
    void setMute(int ch, bool muted);
    void setPolarity(int ch, bool inverted);
    void setCompressor(int ch, const Compressor& compressor);
    void setLimiter(int ch, const Limiter& limiter);
    void setGate(int ch, std::optional<float> threshold, std::optional<bool> on);
    void setDEQBand(int ch, int b, const DEQBand& band);
    void setSineFrequency(qint64 hz);
    void setGenerator(Generator g, std::optional<float> level, std::optional<bool> on);
    void setInputSource(int input, InputSource source);

    // Lifecycle: the link's callbacks, the full read-back and the meter poller.
    void onConnectionChange(bool connected);
    void onFrame(const DSPFrame& frame);
    QCoro::Task<> loadSettings();
    void startMeters();

    // Presets.
    // True when the device answered the list (names it leaves unanswered read "(unnamed)").
    // Without an answer the list is emptied, as unknown: store and delete read it too.
    QCoro::Task<bool> refreshPresets();
    QCoro::Task<bool> storePreset(int slot, QString name);
    QCoro::Task<bool> recallPreset(int slot);
    QCoro::Task<bool> deletePreset(int slot);

    // Demo device.
    void enterDemo();
    void exitDemo();

    // Project files: the bytes, and the files written atomically. Errors are texts
    // the caller can show; a failed open or decode changes nothing.
    // Why a parameter's words cannot be part of a project, or none: fewer or more words than
    // the parameter has, or a value no control could set (a level that is no number among
    // them). Saving leaves such a parameter out and opening refuses it, so every saved
    // project opens again.
    static std::optional<QString> wordsProblem(quint32 number, const Words& words);
    // Every held parameter whose words are valid.
    QByteArray projectData(const QString& model) const;
    // A word list that is not one, or one wordsProblem refuses, fails the whole document,
    // naming the parameter.
    static std::optional<Project> decodeProject(const QByteArray& bytes, QString* error = nullptr);
    // Only regular files of at most 16 MiB are read (a full project is about 17 KB).
    static std::optional<QByteArray> readProjectFile(const QString& path, QString* error = nullptr);
    // Whether a load writes this member: the meters and the FIR names are left alone.
    static bool projectLoads(quint32 number);
    // Applies every member or, when the document fails to decode, none.
    std::optional<QString> loadProject(const QByteArray& bytes);
    std::optional<QString> saveProject(const QString& path, const QString& model) const;
    std::optional<QString> openProject(const QString& path);

    // The designed FIR is remembered in the user-defaults store on every assignment.
    void setDesignedFIR(std::optional<DesignedFIR> fir);
    void saveDesignedFIR() const;
    static std::optional<DesignedFIR> loadDesignedFIR();
    // The stored form of the designed FIR; none for anything that is not one.
    static std::optional<DesignedFIR> decodeDesignedFIR(const QByteArray& bytes);

    // FIR blocks. Each returns none on success or the text of the failed step; sendFIR and
    // clearFIR succeed only when the block reads back as the filter sent under its name, and
    // otherwise say what it holds. The operations are serialised: one started while another
    // runs waits for it.
    QCoro::Task<std::optional<QString>> requestErrorText(quint16 command, Words words, QString step);
    QCoro::Task<std::optional<QString>> uploadFIR(Words header, Words coefficients, quint32 target);
    QCoro::Task<std::optional<QString>> sendFIR(int ch, Words coefficients, std::optional<Words> header,
                                                QString name, int tapLimit = 512);
    QCoro::Task<std::optional<QString>> clearFIR(int ch);
    // As sendFIR and clearFIR, with what the block and its name ended as.
    QCoro::Task<FIROutcome> putFIR(int ch, Words coefficients, std::optional<Words> header, QString name,
                                   int tapLimit = 512);
    QCoro::Task<FIROutcome> putPassThrough(int ch);
    QCoro::Task<std::optional<FIRReadBack>> readFIR(int ch);
    QString firName(int ch) const;
    static quint32 firTarget(int ch);

Q_SIGNALS:
    void paramChanged(quint32 number);
    void paramsReset();
    void loadingChanged();
    void connectedChanged();
    void demoChanged();
    // Announced before the groups and EQ-bypass state of the new device are.
    void deviceChanged();
    // The device in front moved on (see moment()), or a read-back started: what a menu or a
    // popover showed is no longer what it would act on. Announced once the model stands at the
    // new moment, and before connectedChanged, demoChanged and loadingChanged are.
    void momentChanged();
    void groupsChanged();
    void eqBypassChanged();
    void eqClipboardChanged();
    void designedFIRChanged();
    void presetsChanged();
    void currentPresetChanged();
    void presetBusyChanged();
    // A lost link ended an FIR upload to channel `ch` after `done` of its `total` steps (start,
    // header, each chunk of coefficients, commit) were answered.
    void firUploadCut(int ch, int done, int total);

private:
    using Matcher = std::function<bool(const DSPFrame&)>;
    enum class MeterTaskKind { none, poller, demo };
    class FIRTurn;

    // The check every task started for the current link makes after each suspension: the
    // model is still there and so is the link the task was started for.
    tasks::TaskGuard<DSPModel> linkGuard();
    QCoro::Task<std::optional<DSPFrame>> ask(quint16 command, Words words, double timeout, Matcher matches);
    QCoro::Task<std::optional<DSPFrame>> readParameter(quint32 id);
    void storeParam(quint32 number, const Words& words);
    void replaceParams(Table table);
    // The stores made since `serial`, laid over a table a read-back collected.
    void keepStoresSince(quint64 serial, Table& collected) const;
    void setLoading(std::optional<double> progress);
    void setDemo(bool on);
    void moveDeviceOn();
    void switchDevice(const QString& device);
    void setPresetBusy(bool busy);
    // The preset list as at a first connect: unknown until the device answers it.
    void forgetPresets();
    void forgetDevice();
    void applyMeterWords(const Words& values);
    void cancelMeterTask();
    void meterTick();
    void pollMeters();
    void animateDemoMeters(double t);
    QCoro::Task<bool> enterFIRTurn();
    void leaveFIRTurn();
    void releaseFIRWaiters();
    struct StepsOutcome {
        std::optional<QString> error;
        FIROutcome::Answer answer = FIROutcome::Answer::taken;
        QString step;                 // the step that ended the upload short
        std::optional<quint32> code;  // its refusal's code
        bool mayHaveChanged = false;  // a commit went out and was not refused
    };
    QCoro::Task<StepsOutcome> uploadSteps(Words header, Words coefficients, quint32 target);
    QCoro::Task<FIROutcome> uploadWithRetries(int ch, Words header, Words coefficients, Words name);
    QCoro::Task<std::optional<FIRReadBack>> readSteps(int ch);
    QCoro::Task<std::optional<Words>> writeFIRName(int ch, Words name);

    DSPConnection* link_ = nullptr;  // child object, constant
    Table params_;
    // When the model itself last stored each entry (an edit, a name found unreadable), numbered
    // in order: a read-back ends with what was stored while it ran, not with what it read.
    QHash<quint32, quint64> storedAt_;
    quint64 storeSerial_ = 0;
    MeterStore* meterStore_ = nullptr;  // child object, constant
    std::optional<double> loading_;
    bool connected_ = false;
    bool demo_ = false;
    struct DeviceMemory {
        QMap<int, int> groupOf;
        QSet<int> eqBypassed;
    };
    QString device_;
    // Starts at one, so a moment made by default never holds.
    quint64 deviceSerial_ = 1;
    std::optional<DeviceMoment> actingAt_;
    QMap<int, int> groupOf_;  // the current device's
    QSet<int> eqBypassed_;    // the current device's
    QHash<QString, DeviceMemory> otherDevices_;
    std::optional<EQClipboard> eqClipboard_;
    // The meter poller and the demo animation share one slot: at most one of them runs.
    // Their pauses are a timer rather than a sleeping task, so nothing is left suspended
    // when the model goes away.
    tasks::CancelToken meterTask_;
    tasks::CancelToken meterSession_;  // the link the poller polls
    MeterTaskKind meterTaskKind_ = MeterTaskKind::none;
    QTimer meterTimer_;
    double demoTime_ = 0;
    std::optional<DesignedFIR> designedFIR_;
    QList<PresetSlot> presets_;
    std::optional<int> currentPreset_;
    bool presetBusy_ = false;
    QString demoDataPath_;
    bool firBusy_ = false;
    QList<std::function<void(bool)>> firWaiters_;
};

// The preset-name filter: keeps U+0020 to U+007F (one wider than printableASCII).
QString presetNameText(const QString& name);
