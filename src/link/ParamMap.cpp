#include "link/ParamMap.h"

#include <array>

namespace {

using Kind = ParamMap::Block::Kind;

constexpr uint32_t u(int value) {
    return uint32_t(value);
}

std::optional<uint32_t> inputOnly(int channel, int number) {
    if (!ParamMap::isInput(channel)) return std::nullopt;
    return u(number);
}

std::optional<uint32_t> outputOnly(int channel, int number) {
    if (ParamMap::isInput(channel)) return std::nullopt;
    return u(number);
}

QStringList labels(const QString& prefix, const QString& suffixes) {
    QStringList result;
    for (QChar suffix : suffixes) result << prefix + suffix;
    return result;
}

std::vector<ParamMap::Grid> makeGrids() {
    const QStringList physicalInputs = labels(QStringLiteral("IN "), QStringLiteral("ABCD"));
    const QStringList inputChannels = labels(QStringLiteral("CH"), QStringLiteral("1234"));
    const QStringList outputChannels = labels(QStringLiteral("CH"), QStringLiteral("ABCDEFGH"));
    const QStringList physicalOutputs = labels(QStringLiteral("OUT"), QStringLiteral("12345678"));
    return {
        {QStringLiteral("Inputs → Input channels"), 218, inputChannels, physicalInputs},
        {QStringLiteral("Input channels → Output channels"), 234, outputChannels, inputChannels},
        {QStringLiteral("Output channels → Outputs"), 266, physicalOutputs, outputChannels},
    };
}

std::vector<uint32_t> makeAllParameters() {
    std::vector<uint32_t> numbers;
    for (int ch = 0; ch < ParamMap::channelCount; ++ch) {
        for (int base : {1, 154, 166, 330, 378, 391, 403}) numbers.push_back(u(base + ch));
        const int bands = ParamMap::isInput(ch) ? ParamMap::inputEQBands : ParamMap::outputEQBands;
        for (int b = 0; b < bands; ++b) numbers.push_back(ParamMap::eqBandParam(ch, b));
        if (ParamMap::isInput(ch)) {
            for (int number : {210 + ch, 214 + ch, 354 + 3 * ch, 355 + 3 * ch, 356 + 3 * ch})
                numbers.push_back(u(number));
        } else {
            for (int base : {174, 182, 190, 198}) numbers.push_back(u(base + ch));
        }
    }
    for (uint32_t number : {342u, 343u, 344u, 345u}) numbers.push_back(number);
    for (uint32_t i = 0; i < 4; ++i) {
        numbers.push_back(346 + i);
        numbers.push_back(350 + i);
    }
    for (const ParamMap::Grid& grid : ParamMap::grids())
        for (int n = 0; n < grid.count(); ++n) numbers.push_back(grid.base + u(n));
    return numbers;
}

// Highest number any block can have is below this; the table is indexed directly.
constexpr uint32_t locateTableSize = 420;

std::array<std::optional<ParamMap::Location>, locateTableSize> makeLocateTable() {
    std::array<std::optional<ParamMap::Location>, locateTableSize> table{};
    for (int ch = 0; ch < ParamMap::channelCount; ++ch) {
        for (ParamMap::Block block : ParamMap::blocks(ch)) {
            const std::optional<uint32_t> number = ParamMap::param(block, ch);
            // The first pair in scanning order wins.
            if (number && *number < locateTableSize && !table[*number])
                table[*number] = ParamMap::Location{ch, block};
        }
    }
    return table;
}

struct WordRange {
    uint32_t first;
    uint32_t last;
    int words;
};

constexpr WordRange wordRanges[] = {
    {1, 12, 2},     // gain
    {14, 153, 4},   // EQ bands
    {154, 177, 2},  // high-pass, low-pass
    {178, 185, 6},  // compressor
    {186, 193, 1},  // compressor off
    {194, 201, 6},  // limiter
    {202, 209, 1},  // limiter off
    {210, 213, 6},  // gate
    {214, 217, 1},  // gate off
    {218, 329, 2},  // crosspoints
    {330, 341, 2},  // delay
    {342, 342, 1},  // generator type
    {343, 343, 3},  // sine
    {344, 345, 2},  // pink and white noise
    {346, 353, 1},  // test-signal routes, sources
    {354, 365, 8},  // dynamic EQ
    {378, 389, 2},  // channel names
    {391, 402, 1},  // FIR bypass
    {403, 414, 6},  // FIR names
};

}  // namespace

std::optional<uint32_t> ParamMap::param(Block block, int channel) {
    const int ch = channel;
    switch (block.kind) {
        case Kind::eqBand: {
            const int bands = isInput(ch) ? inputEQBands : outputEQBands;
            if (block.index < 0 || block.index >= bands) return std::nullopt;
            return eqBandParam(ch, block.index);
        }
        case Kind::deq:
            return inputOnly(ch, 354 + 3 * ch + block.index);
        case Kind::gain:
            return u(ch + 1);
        case Kind::highPass:
            return u(154 + ch);
        case Kind::lowPass:
            return u(166 + ch);
        case Kind::delay:
            return u(330 + ch);
        case Kind::compressor:
            return outputOnly(ch, 174 + ch);
        case Kind::compressorOff:
            return outputOnly(ch, 182 + ch);
        case Kind::limiter:
            return outputOnly(ch, 190 + ch);
        case Kind::limiterOff:
            return outputOnly(ch, 198 + ch);
        case Kind::gate:
            return inputOnly(ch, 210 + ch);
        case Kind::gateOff:
            return inputOnly(ch, 214 + ch);
    }
    return std::nullopt;
}

uint32_t ParamMap::eqBandParam(int channel, int band) {
    if (isInput(channel)) return u(14 + 15 * channel + band);
    return u(74 + 10 * (channel - 4) + band);
}

std::vector<ParamMap::Block> ParamMap::blocks(int channel) {
    std::vector<Block> result;
    const int bands = isInput(channel) ? inputEQBands : outputEQBands;
    for (int b = 0; b < bands; ++b) result.push_back(Block::eqBand(b));
    result.insert(result.end(), {Block::gain(), Block::highPass(), Block::lowPass(), Block::delay()});
    if (isInput(channel)) {
        result.insert(result.end(), {Block::gate(), Block::gateOff()});
        for (int b = 0; b < deqBands; ++b) result.push_back(Block::deq(b));
    } else {
        result.insert(result.end(),
                      {Block::compressor(), Block::compressorOff(), Block::limiter(), Block::limiterOff()});
    }
    return result;
}

std::optional<ParamMap::Location> ParamMap::locate(uint32_t number) {
    static const auto table = makeLocateTable();
    if (number >= locateTableSize) return std::nullopt;
    return table[number];
}

const std::vector<uint32_t>& ParamMap::allParameters() {
    static const std::vector<uint32_t> numbers = makeAllParameters();
    return numbers;
}

const std::vector<ParamMap::Grid>& ParamMap::grids() {
    static const std::vector<Grid> all = makeGrids();
    return all;
}

std::optional<ParamMap::GridLocation> ParamMap::gridLocation(uint32_t number) {
    for (const Grid& grid : grids()) {
        const int64_t offset = int64_t(number) - int64_t(grid.base);
        if (offset >= 0 && offset < grid.count()) {
            const int cols = int(grid.cols.size());
            return GridLocation{&grid, int(offset / cols), int(offset % cols)};
        }
    }
    return std::nullopt;
}

int ParamMap::wordCount(uint32_t number) {
    for (const WordRange& range : wordRanges)
        if (number >= range.first && number <= range.last) return range.words;
    return 0;
}
