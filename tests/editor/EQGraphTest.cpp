// The EQ graph: the channel's response from the band and filter words, and
// retuning bands by dragging their markers.
#include <QSignalSpy>

#include "EditorRig.h"
#include "editor/EQGraph.h"
#include "link/ParamMap.h"
#include "support/WidgetTesting.h"

using namespace editorrig;
using Words = DSPModel::Words;

namespace {

class EQGraphTest : public ::testing::Test {
protected:
    Rig rig;

    // Filters off, every band at 0 dB: a flat channel to add single bands to.
    void flatten(int ch) {
        rig.model.write(154 + ch, {20, 0x100}, std::nullopt, false);
        rig.model.write(166 + ch, {22000, 0x100}, std::nullopt, false);
    }
    void setBand(int ch, int b, Words words) {
        rig.model.write(ParamMap::eqBandParam(ch, b), words, std::nullopt, false);
    }
    std::unique_ptr<EQGraph> graph(int ch) {
        auto g = std::make_unique<EQGraph>(rig.model, ch, 17, 24000, 18);
        g->resize(600, 300);
        g->refresh();
        return g;
    }
};

}  // namespace

TEST_F(EQGraphTest, BandsAddTheirCookbookResponse) {
    flatten(0);
    setBand(0, 2, {1000, bits(6), bits(1), 0x100});  // off
    for (double hz : {20.0, 1000.0, 20000.0}) EXPECT_DOUBLE_EQ(graph(0)->responseAt(hz), 0);

    setBand(0, 0, {1000, bits(6), bits(1), 0});
    auto g = graph(0);
    EXPECT_NEAR(g->responseAt(1000), 6.0, 1e-6);
    EXPECT_LT(g->responseAt(100), 0.5);

    // Zero-gain shelves and any all-pass add nothing.
    setBand(0, 0, {1000, bits(0), bits(1), 1});
    setBand(0, 1, {1000, bits(6), bits(1), 3});
    EXPECT_DOUBLE_EQ(graph(0)->responseAt(1000), 0);

    // A Q at or below 0.1 is taken as 0.1, so a band read as Q 0 still draws.
    setBand(0, 0, {1000, bits(6), bits(0), 0});
    EXPECT_NEAR(graph(0)->responseAt(1000), 6.0, 1e-6);
}

TEST_F(EQGraphTest, FilterSlopesFollowTheirFamilies) {
    flatten(4);
    rig.model.write(154 + 4, {100, quint32(FilterSlope::lr24)}, std::nullopt, false);
    auto g = graph(4);
    EXPECT_NEAR(g->responseAt(100), -6.02, 0.01);
    EXPECT_NEAR(g->responseAt(50), -24.6, 0.05);
    rig.model.write(154 + 4, {100, quint32(FilterSlope::bw24)}, std::nullopt, false);
    EXPECT_NEAR(graph(4)->responseAt(100), -3.01, 0.01);
    // An unknown slope is drawn as BW12.
    rig.model.write(154 + 4, {100, 0x42}, std::nullopt, false);
    EXPECT_NEAR(graph(4)->responseAt(50), -10 * std::log10(1 + 16.0), 1e-9);
}

TEST_F(EQGraphTest, MarkersSitAtTheirBandAndATapOrShortMoveSelects) {
    flatten(0);
    setBand(0, 3, {1000, bits(6), bits(1), 0});
    setBand(0, 4, {5, bits(-3), bits(1), 0});
    auto g = graph(0);
    EXPECT_NEAR(g->markerCentre(3).x(), g->xPosition(1000), 1e-9);
    EXPECT_NEAR(g->markerCentre(3).y(), 150 - 6 * 150 / 18.0, 1e-9);
    EXPECT_NEAR(g->markerCentre(4).x(), g->xPosition(20), 1e-9);  // below 20 Hz drawn at 20

    QSignalSpy selected(g.get(), &EQGraph::selectedChanged);
    const QPointF at = g->markerCentre(3);
    kestrel_test::sendMouse(*g, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    kestrel_test::sendMouse(*g, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].at(0).toInt(), 3);
    EXPECT_EQ(g->selected(), 3);
    EXPECT_EQ(rig.model.words(ParamMap::eqBandParam(0, 3), 4), (Words{1000, bits(6), bits(1), 0}));

    // A short move is a tap, not a drag.
    setBand(0, 1, {300, bits(3), bits(1), 0});
    g->refresh();
    const QPointF other = g->markerCentre(1);
    kestrel_test::drag(*g, other, other + QPointF(6, 6));
    EXPECT_EQ(rig.model.words(ParamMap::eqBandParam(0, 1), 4)[0], 300u);
    EXPECT_EQ(g->selected(), 1);
}

TEST_F(EQGraphTest, DraggingStoresClampedFrequencyAndGain) {
    flatten(0);
    const quint32 number = ParamMap::eqBandParam(0, 0);
    setBand(0, 0, {1000, bits(0), bits(2), quint32(EQBandType::lowShelf) | 0x100});
    auto g = graph(0);
    kestrel_test::drag(*g, g->markerCentre(0), QPointF(-50, -50));
    Words words = rig.model.words(number, 4);
    EXPECT_EQ(words[0], 20u);                                    // fMin is 17 Hz, the device stops at 20
    EXPECT_EQ(single(words[1]), 15.0f);                          // the top is +18 dB, the device +15
    EXPECT_EQ(single(words[2]), 1.0f);                           // the shelf's Q limit
    EXPECT_EQ(words[3], quint32(EQBandType::lowShelf) | 0x100);  // type and off kept

    g->refresh();
    kestrel_test::drag(*g, g->markerCentre(0), QPointF(650, 225));
    words = rig.model.words(number, 4);
    EXPECT_EQ(words[0], 22000u);
    EXPECT_EQ(single(words[1]), -9.0f);
}

TEST_F(EQGraphTest, DraggingAGroupedOutputBandWritesEveryMember) {
    rig.model.setGroup(4, 1);
    rig.model.setGroup(6, 1);
    flatten(4);
    setBand(4, 3, {1000, bits(0), bits(1), 0});
    auto g = graph(4);
    kestrel_test::drag(*g, g->markerCentre(3), QPointF(g->xPosition(2000), g->yPosition(4)));
    const Words written = rig.model.words(77, 4);
    EXPECT_NEAR(double(written[0]), 2000, 2);
    EXPECT_EQ(single(written[1]), 4.0f);
    EXPECT_EQ(rig.model.words(ParamMap::eqBandParam(6, 3), 4), written);
    EXPECT_NE(rig.model.words(ParamMap::eqBandParam(5, 3), 4), written);
}
