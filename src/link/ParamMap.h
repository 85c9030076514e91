#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Where every device parameter lives: the number of each per-channel block, the
// crosspoint grids, the read-back order and the reverse lookup that channel groups
// rely on. Channels 0 to 3 are the input channels, 4 to 11 the outputs.
struct ParamMap {
    static constexpr int channelCount = 12;
    static constexpr int inputChannelCount = 4;
    static constexpr int inputEQBands = 15;
    static constexpr int outputEQBands = 10;
    static constexpr int deqBands = 3;
    static constexpr uint32_t meters = 366;

    // One per-channel block; eqBand and deq carry their band index.
    struct Block {
        enum class Kind : uint8_t {
            eqBand,
            deq,
            gain,
            highPass,
            lowPass,
            delay,
            compressor,
            compressorOff,
            limiter,
            limiterOff,
            gate,
            gateOff,
        };

        Kind kind = Kind::gain;
        int index = 0;

        static constexpr Block eqBand(int band) { return {Kind::eqBand, band}; }
        static constexpr Block deq(int band) { return {Kind::deq, band}; }
        static constexpr Block gain() { return {Kind::gain}; }
        static constexpr Block highPass() { return {Kind::highPass}; }
        static constexpr Block lowPass() { return {Kind::lowPass}; }
        static constexpr Block delay() { return {Kind::delay}; }
        static constexpr Block compressor() { return {Kind::compressor}; }
        static constexpr Block compressorOff() { return {Kind::compressorOff}; }
        static constexpr Block limiter() { return {Kind::limiter}; }
        static constexpr Block limiterOff() { return {Kind::limiterOff}; }
        static constexpr Block gate() { return {Kind::gate}; }
        static constexpr Block gateOff() { return {Kind::gateOff}; }

        friend constexpr bool operator==(const Block&, const Block&) = default;
    };

    // One crosspoint matrix: rows are destinations, columns sources.
    struct Grid {
        QString title;
        uint32_t base = 0;
        QStringList rows;
        QStringList cols;

        uint32_t crosspoint(int row, int col) const { return base + uint32_t(row * cols.size() + col); }
        int count() const { return int(rows.size() * cols.size()); }
        // "IN A → CH1": source, then destination.
        QString caption(int row, int col) const { return cols[col] + QStringLiteral(" → ") + rows[row]; }
    };

    struct GridLocation {
        const Grid* grid = nullptr;
        int row = 0;
        int col = 0;
    };

    struct Location {
        int channel = 0;
        Block block;
        friend bool operator==(const Location&, const Location&) = default;
    };

    static bool isInput(int channel) { return channel < inputChannelCount; }

    // None for a block the channel's kind lacks or an EQ band beyond the channel's last.
    static std::optional<uint32_t> param(Block block, int channel);
    // No range check of the band: callers pass valid bands.
    static uint32_t eqBandParam(int channel, int band);
    static std::vector<Block> blocks(int channel);
    // Only per-channel blocks are found; names, FIR, routing and sources give none.
    static std::optional<Location> locate(uint32_t number);
    // The 400 numbers of a full read-back, in the order the device is asked.
    static const std::vector<uint32_t>& allParameters();
    static const std::vector<Grid>& grids();
    // The grid, row and column of a crosspoint; none for any other number.
    static std::optional<GridLocation> gridLocation(uint32_t number);
    // The number of words the model reads and writes for a parameter; 0 for the
    // meters and for numbers that are no parameter.
    static int wordCount(uint32_t number);
};

template <>
struct std::hash<ParamMap::Block> {
    size_t operator()(const ParamMap::Block& block) const noexcept {
        return size_t(block.kind) * 31u + size_t(block.index);
    }
};

inline size_t qHash(const ParamMap::Block& block, size_t seed = 0) noexcept {
    return std::hash<ParamMap::Block>{}(block) ^ seed;
}
