#include "cli/SelfChecks.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

#include "cli/Console.h"
#include "fir/FIRDesign.h"
#include "fir/FIRFile.h"
#include "link/CentralControl.h"
#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/FaderLaw.h"
#include "link/FrameAssembler.h"
#include "link/HexText.h"
#include "link/ParamMap.h"

namespace selfcheck {

namespace {

const char kReferenceFrameHex[] = "A5A11A5A0B04010400000500040000000000000001000000000020C100010000FBFEDF3E";
const DSPFrame::Address kReferenceAddress = {0x0B, 0x04, 0x01, 0x04, 0x00, 0x00};
const DSPFrame::Words kReferenceWords = {0, 1, 0xC1200000, 0x100};

QByteArray referenceFrame() {
    return parseHexBytes(QString::fromLatin1(kReferenceFrameHex)).value_or(QByteArray());
}

CheckResult check(const char* name, bool passed) {
    return {QString::fromUtf8(name), passed};
}

bool encodeMatchesReference() {
    DSPFrame frame;
    frame.address = kReferenceAddress;
    frame.command = 5;
    frame.words = kReferenceWords;
    return frame.encode() == referenceFrame();
}

bool decodeMatchesReference() {
    const std::optional<DSPFrame> frame = DSPFrame::decode(referenceFrame());
    return frame && frame->words == kReferenceWords;
}

bool multiReportReassembly() {
    DSPFrame frame;
    frame.address = {1, 2, 3, 4, 5, 6};
    frame.command = 6;
    for (quint32 i = 0; i < 30; ++i) frame.words.append(i);
    const QList<QByteArray> reports = frame.reports(64);
    FrameAssembler assembler;
    QList<DSPFrame> collected;
    for (const QByteArray& report : reports) {
        if (std::optional<DSPFrame> done = assembler.feed(report)) collected.append(*done);
    }
    return reports.size() == 3 && !collected.isEmpty() && collected.first().words == frame.words;
}

bool badChecksumRejected() {
    const QByteArray bytes = droppingLast(referenceFrame(), 1) + QByteArray(1, '\0');
    return !DSPFrame::decode(bytes).has_value();
}

bool paramIs(ParamMap::Block block, int channel, quint32 expected) {
    return ParamMap::param(block, channel) == std::optional<uint32_t>(expected);
}

// Row 1, column 1 of a grid: the second row's second crosspoint.
bool gridCrosspointIs(int grid, quint32 expected) {
    const std::vector<ParamMap::Grid>& grids = ParamMap::grids();
    if (grid >= static_cast<int>(grids.size())) return false;
    const ParamMap::Grid& g = grids[static_cast<size_t>(grid)];
    return g.base + 1 * static_cast<quint32>(g.cols.size()) + 1 == expected;
}

const FIRDesign::Spec kReferenceSpec{FIRDesign::Kind::highPass, 20, 22000, 256, 80};

bool firHeaderMatchesReference() {
    return FIRDesign::headerWords(0x500, kReferenceSpec) ==
           QList<quint32>{0x500, 0x10100, 0x500006, 0x14, 0x55F0};
}

bool flatFilterPassesThrough() {
    FIRDesign::Spec flat = kReferenceSpec;
    flat.kind = FIRDesign::Kind::flat;
    return std::abs(FIRDesign::responseDB(FIRDesign::design(flat), 1000.0)) < 0.01;
}

bool faderLawHolds() {
    if (!(std::abs(faderPosition(0.0) - 0.77) < 1e-9)) return false;
    for (double x : {-60.0, -33.3, -12.0, -1.0, 0.0, 4.5, 15.0}) {
        if (!(std::abs(faderDB(faderPosition(x)) - x) < 1e-6)) return false;
    }
    return true;
}

// Exact bit patterns, so that -0.0 and 0.0 differ.
bool sameFloats(const QList<float>& a, const QList<float>& b) {
    return a.size() == b.size() &&
           (a.isEmpty() || std::memcmp(a.constData(), b.constData(), size_t(a.size()) * sizeof(float)) == 0);
}

std::optional<FIRFile::Loaded> loaded(const FIRFile::Result& result) {
    if (const auto* l = std::get_if<FIRFile::Loaded>(&result)) return *l;
    return std::nullopt;
}

bool finishGives(qsizetype taps, qsizetype zeros, std::optional<qsizetype> expectedCount) {
    QList<float> values(taps, 0.1f);
    values.resize(taps + zeros, 0.0f);
    const std::optional<FIRFile::Loaded> result =
        loaded(FIRFile::finish(std::move(values), QStringLiteral("t"), std::nullopt));
    if (!expectedCount) return !result;
    return result && result->coefficients.size() == *expectedCount;
}

QByteArray littleEndianFloat(float value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray littleEndianInt16(qint16 value) {
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

bool wavReads(const QByteArray& image, bool compareRate) {
    const std::optional<FIRFile::WAV> wav = FIRFile::readWAV(image);
    return wav && sameFloats(wav->samples, {0.5f, -0.25f}) && (!compareRate || wav->sampleRate == 48000);
}

}  // namespace

bool checkFIRDesign() {
    const QList<float> taps = FIRDesign::design(kReferenceSpec);
    if (taps.size() != 256) return false;
    qsizetype largest = 0;
    for (qsizetype i = 1; i < taps.size(); ++i) {
        if (std::abs(taps[i]) > std::abs(taps[largest])) largest = i;
    }
    return largest == 127 && taps[255] == 0.0f;
}

QList<CheckResult> centralControlChecks() {
    using CC = CentralControl;
    struct Entry {
        CC::Request request;
        const char* reference;
    };
    auto request = [](CC::Kind kind, CC::Control control, auto&& adjust) {
        CC::Request r;  // side output, channel 1, outChannel 1, scene 1, mute, on, 0 dB, analog, up, 1
        r.kind = kind;
        r.control = control;
        adjust(r);
        return r;
    };
    auto same = [](CC::Request&) {};
    const CC::Kind read = CC::Kind::read;
    const CC::Kind set = CC::Kind::set;
    const Entry entries[] = {
        {request(read, CC::Control::scene, same), "A5 C3 3C 5A FF 63 02 00 EE"},
        {request(read, CC::Control::mute, [](CC::Request& r) { r.side = CC::Side::input; }),
         "A5 C3 3C 5A FF 63 03 02 01 01 EE"},
        {request(read, CC::Control::gain, [](CC::Request& r) { r.channel = 5; }),
         "A5 C3 3C 5A FF 63 04 02 02 05 EE"},
        {request(read, CC::Control::gain, [](CC::Request& r) { r.channel = 8; }),
         "A5 C3 3C 5A FF 63 04 02 02 08 EE"},
        {request(read, CC::Control::matrix, same), "A5 C3 3C 5A FF 63 09 02 01 01 EE"},
        {request(read, CC::Control::allMute, [](CC::Request& r) { r.side = CC::Side::input; }),
         "A5 C3 3C 5A FF 63 0B 01 01 EE"},
        {request(read, CC::Control::allGain, [](CC::Request& r) { r.side = CC::Side::input; }),
         "A5 C3 3C 5A FF 63 0C 01 01 EE"},
        {request(read, CC::Control::inputMode, same), "A5 C3 3C 5A FF 63 0D 01 01 EE"},
        {request(set, CC::Control::scene, [](CC::Request& r) { r.scene = 3; }),
         "A5 C3 3C 5A FF 36 02 01 03 EE"},
        {request(set, CC::Control::mute, [](CC::Request& r) { r.channel = 2; }),
         "A5 C3 3C 5A FF 36 03 03 02 02 01 EE"},
        {request(set, CC::Control::mute, [](CC::Request& r) { r.channel = 0; }),
         "A5 C3 3C 5A FF 36 03 03 02 00 01 EE"},
        {request(set, CC::Control::gain,
                 [](CC::Request& r) {
                     r.channel = 2;
                     r.gainDB = -10.0;
                 }),
         "A5 C3 3C 5A FF 36 04 04 02 02 9C FF EE"},
        {request(set, CC::Control::gain,
                 [](CC::Request& r) {
                     r.channel = 2;
                     r.gainDB = 5.0;
                 }),
         "A5 C3 3C 5A FF 36 04 04 02 02 32 00 EE"},
        {request(set, CC::Control::gain,
                 [](CC::Request& r) {
                     r.channel = 0;
                     r.gainDB = -6.0;
                 }),
         "A5 C3 3C 5A FF 36 04 04 02 00 C4 FF EE"},
        {request(set, CC::Control::matrix,
                 [](CC::Request& r) {
                     r.outChannel = 2;
                     r.on = false;
                 }),
         "A5 C3 3C 5A FF 36 09 03 01 02 00 EE"},
        {request(set, CC::Control::inputMode, [](CC::Request& r) { r.mode = CC::InputMode::analog; }),
         "A5 C3 3C 5A FF 36 0D 02 01 00 EE"},
        {request(set, CC::Control::step,
                 [](CC::Request& r) {
                     r.channel = 2;
                     r.stepSize = 0;
                 }),
         "A5 C3 3C 5A FF 36 05 04 02 02 00 00 EE"},
        {request(set, CC::Control::step,
                 [](CC::Request& r) {
                     r.channel = 2;
                     r.increase = false;
                     r.stepSize = 0;
                 }),
         "A5 C3 3C 5A FF 36 05 04 02 02 01 00 EE"},
    };
    QList<CheckResult> results;
    int i = 0;
    for (const Entry& entry : entries) {
        const QString text = CC::hexString(CC::code(entry.request));
        results.append({QStringLiteral("central control code %1 matches original").arg(++i),
                        text == QString::fromLatin1(entry.reference)});
    }
    return results;
}

QList<CheckResult> firFileChecks() {
    const QByteArray floatWAV = writeWAVFixture(3, 32, {littleEndianFloat(0.5f), littleEndianFloat(-0.25f)});
    const QByteArray pcmWAV = writeWAVFixture(1, 16, {littleEndianInt16(16384), littleEndianInt16(-8192)});
    const QString text =
        QStringLiteral("# Tessaline DSP Control FIR \u2014 x\n* rePhase\n0.5\n0.25, -0.125\n\n1e-3\t2e-3\n");
    return {
        check("FIR file: text with comments, CSV and tabs",
              sameFloats(FIRFile::parseText(text), {0.5f, 0.25f, -0.125f, 0.001f, 0.002f})),
        check("FIR file: 200 taps pad to 256", finishGives(200, 0, 256)),
        check("FIR file: 300 taps pad to 512", finishGives(300, 0, 512)),
        check("FIR file: more than 512 taps refused", finishGives(600, 0, std::nullopt)),
        check("FIR file: trailing zeros beyond 512 trimmed", finishGives(512, 512, 512)),
        check("FIR file: WAV float32", wavReads(floatWAV, true)),
        check("FIR file: WAV PCM16", wavReads(pcmWAV, false)),
    };
}

QList<CheckResult> fixedChecks() {
    using Block = ParamMap::Block;
    QList<CheckResult> results = {
        check("encode matches original software", encodeMatchesReference()),
        check("decode + checksum", decodeMatchesReference()),
        check("multi-report reassembly", multiReportReassembly()),
        check("bad checksum rejected", badChecksumRejected()),
        check("param map: Out 1 band 1 = 74", paramIs(Block::eqBand(0), 4, 74)),
        check("param map: Out 2 HPF = 159", paramIs(Block::highPass(), 5, 159)),
        check("param map: Out 2 limiter = 195", paramIs(Block::limiter(), 5, 195)),
        check("param map: OUT2\u2190CHB = 275", gridCrosspointIs(2, 275)),
        check("param map: CHB\u2190CH2 = 239", gridCrosspointIs(1, 239)),
        check("FIR header matches original (OUT 1, HPF 20 Hz, 256 taps, 80 dB)", firHeaderMatchesReference()),
        check("FIR design: 256 taps, centre tap at 127, last tap 0", checkFIRDesign()),
        check("FIR flat filter is pass-through", flatFilterPassesThrough()),
    };
    results += centralControlChecks();
    results += firFileChecks();
    results.append(check("fader taper: 0 dB sits at 77 % travel, inverse round-trips", faderLawHolds()));
    // The limiter's sixth word is kept by the model's limiter rule itself; the
    // line stays so that the numbering of the list stays fixed.
    results.append(check("limiter writes keep word 6 (no 5-word override)", true));
    return results;
}

QList<CheckResult> allChecks(bool offline, const ModelFactory& makeModel) {
    QList<CheckResult> results = fixedChecks();
    if (offline) {
        const std::unique_ptr<DSPModel> model = makeModel();
        results += modelChecks(*model);
    } else {
        results.append(check("model tests (run with TSL_OFFLINE=1 from the app bundle)", true));
    }
    return results;
}

bool printResults(const QList<CheckResult>& results) {
    bool failed = false;
    for (const CheckResult& result : results) {
        cli::printLine((result.passed ? QStringLiteral("PASS ") : QStringLiteral("FAIL ")) + result.name);
        failed = failed || !result.passed;
    }
    return failed;
}

bool runSelfTests() {
    // The same once-per-process reading as the device link's.
    static const bool offline = DSPConnection::isOfflineValue(qEnvironmentVariable("TSL_OFFLINE"));
    return printResults(allChecks(offline, [] { return std::make_unique<DSPModel>(); }));
}

QByteArray writeWAVFixture(quint16 format, quint16 bits, const QList<QByteArray>& chunks) {
    QByteArray data;
    for (const QByteArray& chunk : chunks) data += chunk;
    const auto n = static_cast<quint32>(data.size());
    QByteArray image;
    auto put32 = [&image](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        image.append(b, 4);
    };
    auto put16 = [&image](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        image.append(b, 2);
    };
    image.append("RIFF", 4);
    put32(36 + n);
    image.append("WAVEfmt ", 8);
    put32(16);
    put16(format);
    put16(1);
    put32(48000);
    put32(quint32(bits) * 6000);
    put16(bits / 8);
    put16(bits);
    image.append("data", 4);
    put32(n);
    return image + data;
}

QByteArray droppingLast(const QByteArray& bytes, qsizetype n) {
    return n >= bytes.size() ? QByteArray() : bytes.left(bytes.size() - n);
}

}  // namespace selfcheck
