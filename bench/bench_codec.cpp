// Throughput of the frame codec on a 1 MB stream of mixed frames: encoding,
// decoding, and TCP stream framing in device-sized chunks.
#include <benchmark/benchmark.h>

#include <QList>
#include <QRandomGenerator>

#include "link/DSPFrame.h"
#include "link/FrameAssembler.h"
#include "link/TCPFrameStream.h"

namespace {

constexpr qsizetype kStreamBytes = 1 << 20;

// Mostly short command and answer frames with the odd FIR chunk, as a busy link carries.
QList<DSPFrame> mixedFrames() {
    QRandomGenerator random(42);
    QList<DSPFrame> frames;
    qsizetype bytes = 0;
    while (bytes < kStreamBytes) {
        const int roll = random.bounded(100);
        const int words = roll < 70 ? random.bounded(8) : roll < 95 ? 24 + random.bounded(40) : 256;
        DSPFrame frame{{0x0B, 0x04, 0x01, 0x04, 0, 0}, quint16(random.bounded(0x300)), {}};
        for (int i = 0; i < words; ++i) frame.words.append(random.generate());
        bytes += 20 + 4 * words;
        frames.append(frame);
    }
    return frames;
}

QByteArray encodeAll(const QList<DSPFrame>& frames) {
    QByteArray stream;
    for (const DSPFrame& frame : frames) stream += frame.encode();
    return stream;
}

void encode(benchmark::State& state) {
    const QList<DSPFrame> frames = mixedFrames();
    const qsizetype size = encodeAll(frames).size();
    for (auto _ : state) {
        for (const DSPFrame& frame : frames) benchmark::DoNotOptimize(frame.encode());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void decode(benchmark::State& state) {
    const QByteArray stream = encodeAll(mixedFrames());
    for (auto _ : state) {
        for (qsizetype offset = 0; offset < stream.size();) {
            const auto view = QByteArrayView(stream).sliced(offset);
            const std::optional<DSPFrame> frame = DSPFrame::decode(view);
            benchmark::DoNotOptimize(frame);
            offset += *DSPFrame::expectedLength(view);
        }
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}

void tcpFraming(benchmark::State& state) {
    const QByteArray stream = encodeAll(mixedFrames());
    const qsizetype chunk = state.range(0);
    for (auto _ : state) {
        TCPFrameStream framing;
        for (qsizetype offset = 0; offset < stream.size(); offset += chunk) {
            benchmark::DoNotOptimize(
                framing.feed(QByteArrayView(stream).sliced(offset, qMin(chunk, stream.size() - offset))));
        }
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}

void reportReassembly(benchmark::State& state) {
    QList<QByteArray> reports;
    qsizetype size = 0;
    for (const DSPFrame& frame : mixedFrames()) {
        reports += frame.reports();
        size += 20 + 4 * frame.words.size();
    }
    for (auto _ : state) {
        FrameAssembler assembler;
        for (const QByteArray& report : reports) benchmark::DoNotOptimize(assembler.feed(report));
    }
    state.SetBytesProcessed(state.iterations() * size);
}

}  // namespace

BENCHMARK(encode)->Unit(benchmark::kMillisecond);
BENCHMARK(decode)->Unit(benchmark::kMillisecond);
BENCHMARK(tcpFraming)->Arg(1460)->Arg(65536)->Arg(kStreamBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(reportReassembly)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
