#include <gtest/gtest.h>

#include <set>

#include "link/ParamMap.h"

using Block = ParamMap::Block;

void PrintTo(const Block& block, std::ostream* os) {
    *os << "Block(" << int(block.kind) << "," << block.index << ")";
}

TEST(ParamMap, BlockNumbers) {
    struct Case {
        Block block;
        int channel;
        std::optional<uint32_t> number;
    };
    const Case cases[] = {
        {Block::eqBand(0), 4, 74u},
        {Block::eqBand(14), 0, 28u},
        {Block::eqBand(15), 0, std::nullopt},
        {Block::eqBand(10), 4, std::nullopt},
        {Block::eqBand(9), 11, 153u},
        {Block::eqBand(-1), 0, std::nullopt},
        {Block::highPass(), 5, 159u},
        {Block::limiter(), 5, 195u},
        {Block::compressor(), 4, 178u},
        {Block::compressor(), 3, std::nullopt},
        {Block::gate(), 4, std::nullopt},
        {Block::deq(2), 3, 365u},
        {Block::deq(0), 4, std::nullopt},
        {Block::gain(), 0, 1u},
        {Block::gain(), 11, 12u},
        {Block::lowPass(), 11, 177u},
        {Block::delay(), 0, 330u},
        {Block::compressorOff(), 11, 193u},
        {Block::limiterOff(), 4, 202u},
        {Block::limiterOff(), 0, std::nullopt},
        {Block::gate(), 3, 213u},
        {Block::gateOff(), 0, 214u},
        {Block::gateOff(), 7, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.block) + " ch " + std::to_string(c.channel));
        EXPECT_EQ(ParamMap::param(c.block, c.channel), c.number);
    }
    EXPECT_EQ(ParamMap::eqBandParam(3, 14), 73u);
    EXPECT_EQ(ParamMap::eqBandParam(11, 9), 153u);
}

TEST(ParamMap, LocateFindsOnlyChannelBlocks) {
    EXPECT_EQ(ParamMap::locate(195), (ParamMap::Location{5, Block::limiter()}));
    EXPECT_EQ(ParamMap::locate(28), (ParamMap::Location{0, Block::eqBand(14)}));
    for (uint32_t number :
         {0u, 13u, 342u, 218u, 329u, 346u, 353u, 366u, 378u, 391u, 403u, 414u, 420u, 0xFFFFFFFFu})
        EXPECT_EQ(ParamMap::locate(number), std::nullopt) << number;

    // Every block of every channel is found again at its own number.
    int located = 0;
    for (int ch = 0; ch < ParamMap::channelCount; ++ch) {
        for (Block block : ParamMap::blocks(ch)) {
            const std::optional<uint32_t> number = ParamMap::param(block, ch);
            ASSERT_TRUE(number);
            EXPECT_EQ(ParamMap::locate(*number), (ParamMap::Location{ch, block})) << *number;
            ++located;
        }
    }
    EXPECT_EQ(located, 4 * 24 + 8 * 18);
}

TEST(ParamMap, AllParametersOrderAndCount) {
    const std::vector<uint32_t>& all = ParamMap::allParameters();
    ASSERT_EQ(all.size(), 400u);
    EXPECT_EQ(std::vector<uint32_t>(all.begin(), all.begin() + 9),
              (std::vector<uint32_t>{1, 154, 166, 330, 378, 391, 403, 14, 15}));
    EXPECT_EQ(all.back(), 329u);
    EXPECT_EQ(std::set<uint32_t>(all.begin(), all.end()).size(), 400u);
    EXPECT_EQ(std::count(all.begin(), all.end(), ParamMap::meters), 0);

    // Input 0 ends with gate, gate off and its three dynamic-EQ bands; output 4 follows.
    EXPECT_EQ(std::vector<uint32_t>(all.begin() + 22, all.begin() + 27),
              (std::vector<uint32_t>{210, 214, 354, 355, 356}));
    const size_t firstOutput = 4 * 27;
    EXPECT_EQ(std::vector<uint32_t>(all.begin() + firstOutput, all.begin() + firstOutput + 8),
              (std::vector<uint32_t>{5, 158, 170, 334, 382, 395, 407, 74}));
    EXPECT_EQ(std::vector<uint32_t>(all.begin() + firstOutput + 17, all.begin() + firstOutput + 21),
              (std::vector<uint32_t>{178, 186, 194, 202}));
    const size_t generators = 4 * 27 + 8 * 21;
    EXPECT_EQ(std::vector<uint32_t>(all.begin() + generators, all.begin() + generators + 12),
              (std::vector<uint32_t>{342, 343, 344, 345, 346, 350, 347, 351, 348, 352, 349, 353}));
    EXPECT_EQ(all[generators + 12], 218u);

    // Every number read back is a parameter with words; no other number is.
    for (uint32_t number = 0; number < 430; ++number) {
        const bool listed = std::find(all.begin(), all.end(), number) != all.end();
        EXPECT_EQ(listed, ParamMap::wordCount(number) > 0) << number;
    }
}

TEST(ParamMap, WordCounts) {
    struct Case {
        uint32_t number;
        int words;
    };
    const Case cases[] = {{1, 2},   {74, 4},  {154, 2}, {178, 6}, {186, 1}, {194, 6}, {209, 1}, {213, 6},
                          {217, 1}, {218, 2}, {341, 2}, {342, 1}, {343, 3}, {345, 2}, {353, 1}, {365, 8},
                          {366, 0}, {389, 2}, {390, 0}, {402, 1}, {414, 6}, {415, 0}};
    for (const Case& c : cases) EXPECT_EQ(ParamMap::wordCount(c.number), c.words) << c.number;
}

TEST(ParamMap, Grids) {
    const std::vector<ParamMap::Grid>& grids = ParamMap::grids();
    ASSERT_EQ(grids.size(), 3u);

    EXPECT_EQ(grids[0].title, QStringLiteral("Inputs → Input channels"));
    EXPECT_EQ(grids[0].rows, (QStringList{"CH1", "CH2", "CH3", "CH4"}));
    EXPECT_EQ(grids[0].cols, (QStringList{"IN A", "IN B", "IN C", "IN D"}));
    EXPECT_EQ(grids[0].crosspoint(0, 0), 218u);

    EXPECT_EQ(grids[1].title, QStringLiteral("Input channels → Output channels"));
    EXPECT_EQ(grids[1].rows, (QStringList{"CHA", "CHB", "CHC", "CHD", "CHE", "CHF", "CHG", "CHH"}));
    EXPECT_EQ(grids[1].cols, grids[0].rows);
    EXPECT_EQ(grids[1].crosspoint(1, 1), 239u);

    EXPECT_EQ(grids[2].title, QStringLiteral("Output channels → Outputs"));
    EXPECT_EQ(grids[2].rows, (QStringList{"OUT1", "OUT2", "OUT3", "OUT4", "OUT5", "OUT6", "OUT7", "OUT8"}));
    EXPECT_EQ(grids[2].cols, grids[1].rows);
    EXPECT_EQ(grids[2].crosspoint(1, 1), 275u);
    EXPECT_EQ(grids[2].crosspoint(7, 7), 329u);

    // The grids tile 218 to 329 without gaps.
    EXPECT_EQ(grids[0].base + grids[0].count(), grids[1].base);
    EXPECT_EQ(grids[1].base + grids[1].count(), grids[2].base);
}
