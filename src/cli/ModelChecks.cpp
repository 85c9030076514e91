#include <bit>
#include <cmath>

#include "cli/SelfChecks.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"

namespace selfcheck {

namespace {

float asFloat(quint32 word) {
    return std::bit_cast<float>(word);
}
quint32 bits(float value) {
    return std::bit_cast<quint32>(value);
}

// The channel editor's delay rule: nothing below 0, at most 2000 ms, 0.01 ms steps.
float delayRule(float ms) {
    if (ms <= 0) return 0;
    return std::round(std::fmin(ms, 2000.0f) / 0.01f) * 0.01f;
}

// Runs the checks in order on one model; each sees what the earlier ones left.
class ModelCheckRun {
public:
    explicit ModelCheckRun(DSPModel& model) : model_(model) {}

    QList<CheckResult> run() {
        add("demo device loaded", model_.demo() && model_.params().size() > 300);
        gainClamps();
        delayClamps();
        shelfQClamps();
        limiterClamps();
        groups();
        eqClipboard();
        channelCopy();
        projectRoundTrip();
        deqEncoding();
        crosspoints();
        inputSources();
        return results_;
    }

private:
    void add(const char* name, bool passed) { results_.append({QString::fromUtf8(name), passed}); }

    float word0(quint32 p) const { return asFloat(model_.words(p, 2)[0]); }
    bool muted(quint32 p) const { return (model_.words(p, 2)[1] & 1u) != 0; }
    std::optional<DSPModel::Words> stored(quint32 p) const {
        const auto it = model_.params().constFind(p);
        if (it == model_.params().cend()) return std::nullopt;
        return *it;
    }

    void gainClamps() {
        model_.setGain(4, 40.0f);
        add("gain clamps to +15", word0(5) == 15.0f);
    }

    void delayClamps() {
        DSPModel::Words w = model_.words(334, 2);
        w[0] = bits(delayRule(2500.0f));
        model_.write(334, w);
        add("delay clamps to 2000 ms", word0(334) == 2000.0f);
    }

    void shelfQClamps() {
        const DSPModel::Words w = model_.words(74, 4);
        DSPModel::Band band;
        band.freq = w[0];
        band.gain = asFloat(w[1]);
        band.q = 5.0f;
        band.type = 1;
        band.on = (w[3] & 0x100u) == 0;
        DSPModel::Words v = model_.words(74, 4);
        DSPModel::encodeBand(v, band);
        model_.write(74, v);
        add("shelf Q clamps to 1", asFloat(model_.words(74, 4)[2]) == 1.0f);
    }

    void limiterClamps() {
        DSPModel::Limiter limiter = model_.limiter(4);
        limiter.threshold = -20.0f;
        model_.setLimiter(4, limiter);
        add("limiter threshold clamps to 0", model_.limiter(4).threshold == 0.0f);
    }

    void groups() {
        model_.setGain(4, -3.0f);
        DSPModel::Words w = model_.words(334, 2);
        w[0] = bits(12.5f);
        w[1] = 0;
        model_.write(334, w);
        model_.setGroup(4, 1);
        model_.setGroup(5, 1);
        add("joining a group copies the leader's settings", word0(6) == -3.0f && word0(335) == 12.5f);

        model_.setGain(4, -7.0f);
        add("group mirrors gain edits", word0(6) == -7.0f);

        model_.setMute(5, true);
        add("group mirrors from any member", muted(5));

        add("non-members untouched", std::abs(word0(7) - -5.5f) <= 0.01f && !muted(7));

        // Only the membership entry goes; nothing else is done on leaving.
        model_.setGroup(5, std::nullopt);
        model_.setGain(4, -1.0f);
        add("leaving a group stops mirroring", word0(6) == -7.0f);
    }

    void eqClipboard() {
        const DSPModel::Words w = model_.words(77, 4);
        DSPModel::Band band;
        band.freq = 333;
        band.gain = 4.5f;
        band.q = asFloat(w[2]);
        band.type = w[3] & 0xFFu;
        band.on = (w[3] & 0x100u) == 0;
        DSPModel::Words v = model_.words(77, 4);
        DSPModel::encodeBand(v, band);
        model_.write(77, v);
        model_.copyEQ(4);
        model_.pasteEQ(6);
        const DSPModel::Words pasted = model_.words(97, 4);
        add("EQ paste copies bands", asFloat(pasted[1]) == 4.5f && pasted[0] == 333);

        add("EQ can't paste output \u2192 input", !model_.canPasteEQ(0));

        model_.flatEQ(6);
        bool flat = true;
        for (quint32 p = 94; p <= 103; ++p) flat = flat && asFloat(model_.words(p, 4)[1]) == 0.0f;
        add("EQ reset flattens", flat);
    }

    void channelCopy() {
        model_.copyChannelSettings(4, 11);
        add("channel copy", word0(12) == -1.0f && model_.words(147, 4)[0] == 333);
    }

    void projectRoundTrip() {
        const QByteArray data = model_.projectData(QStringLiteral("test"));
        const std::optional<DSPModel::Words> before = stored(77);
        model_.setGain(4, -20.0f);
        if (!data.isEmpty()) model_.loadProject(data);
        add("project save/load round-trip", word0(5) == -1.0f && stored(77) == before);
    }

    void deqEncoding() {
        DSPModel::DEQBand band = model_.deqBand(0, 0);
        band.freq = 200;
        band.maxGain = 6.0f;
        band.q = 2.0f;
        band.mode = DEQMode::cutAbove;
        band.active = true;
        band.threshold = -20.0f;
        band.attack = 50;
        band.release = 300;
        band.ratio = 3.0f;
        DSPModel::Words v = model_.words(354, 8);
        DSPModel::encodeDEQBand(v, band);
        model_.write(354, v);
        add("DEQ encoding matches original",
            stored(354) ==
                DSPModel::Words{0xC8, 0x40C00000, 0x40000000, 0x201, 0xC1A00000, 0x32, 0x12C, 0x40400000});
    }

    void crosspoints() {
        const quint32 p = ParamMap::grids()[2].crosspoint(1, 1);
        DSPModel::Words w = model_.words(p, 2);
        DSPModel::encodeCrosspoint(w, false, std::nullopt);
        model_.write(p, w);
        add("crosspoint off", !model_.crosspoint(p).on);

        w = model_.words(p, 2);
        DSPModel::encodeCrosspoint(w, true, 30.0f);
        model_.write(p, w);
        const DSPModel::Crosspoint point = model_.crosspoint(p);
        add("crosspoint on + clamps to +12", point.on && point.level == 12.0f);
    }

    void inputSources() {
        model_.setInputSource(2, InputSource::dante);
        model_.setInputSource(3, InputSource::analog);
        add("input sources set independently", model_.inputSource(2) == InputSource::dante &&
                                                   model_.inputSource(3) == InputSource::analog &&
                                                   stored(352) == DSPModel::Words{1});

        model_.setInputSource(2, InputSource::testSignal);
        add("test signal keeps the input's source", model_.inputSource(2) == InputSource::testSignal &&
                                                        stored(352) == DSPModel::Words{1} &&
                                                        model_.inputSource(3) == InputSource::analog);

        model_.setInputSource(2, InputSource::aes);
        add("source back from test signal",
            model_.inputSource(2) == InputSource::aes && stored(348) == DSPModel::Words{0});
    }

    DSPModel& model_;
    QList<CheckResult> results_;
};

}  // namespace

QList<CheckResult> modelChecks(DSPModel& freshModel) {
    return ModelCheckRun(freshModel).run();
}

}  // namespace selfcheck
