// Thousands of requests against a simulator that drops, delays, garbles and hangs up at random.

#include "link/DSPConnection.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <random>

#include "link/ParamMap.h"
#include "support/LinkRig.h"

namespace {

using kestrel_test::LinkRig;
using kestrel_test::Outcome;
using kestrel_test::spinUntil;
using kestrel_test::startRequest;

TEST(LinkSoakTest, EveryRequestCompletesExactlyOnceUnderRandomFaults) {
    constexpr int requestCount = 3000;
    constexpr int outstanding = 16;
    constexpr double timeout = 0.03;
    constexpr qint64 boundMs = 25000;

    LinkRig rig;
    SimFaults faults;
    faults.dropRate = 0.01;
    faults.lateRate = 0.01;
    faults.lateMs = 45;  // past the timeout: the answer arrives while another request is in flight
    faults.garbageRate = 0.05;
    faults.disconnectRate = 0.002;
    faults.seed = 20261206;
    rig.simulator.setFaults(faults);
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());

    std::mt19937 random(7);
    const auto& numbers = ParamMap::allParameters();
    std::vector<std::shared_ptr<Outcome>> outcomes;
    int invariantBreaks = 0;
    QElapsedTimer clock;
    clock.start();

    QTimer driver;
    driver.setInterval(0);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (!link.isBusy() && link.queuedCount() > 0) ++invariantBreaks;
        if (!link.hasNetworkLink()) link.connect(rig.simulator.host());
        int running = 0;
        for (const auto& outcome : outcomes) running += outcome->done ? 0 : 1;
        while (running < outstanding && int(outcomes.size()) < requestCount && clock.elapsed() < boundMs) {
            const quint32 number = numbers[random() % numbers.size()];
            if (random() % 4 == 0) {
                link.writeParam(number, DSPFrame::Words(ParamMap::wordCount(number), quint32(random())));
            }
            DSPFrame frame{link.address(), 6, {0, number}};
            outcomes.push_back(startRequest(link, frame, timeout, [number](const DSPFrame& answer) {
                return DSPConnection::isParameterAnswer(answer, number);
            }));
            ++running;
        }
    });
    driver.start();
    const bool allIssued =
        spinUntil([&] { return int(outcomes.size()) >= requestCount || clock.elapsed() >= boundMs; },
                  boundMs / 1000.0 + 5);
    driver.stop();
    ASSERT_TRUE(allIssued);
    ASSERT_TRUE(spinUntil([&] {
        return std::all_of(outcomes.begin(), outcomes.end(),
                           [](const auto& outcome) { return outcome->done; });
    })) << "a request never completed";

    int answered = 0;
    for (const auto& outcome : outcomes) {
        EXPECT_EQ(outcome->completions, 1);
        answered += outcome->answer ? 1 : 0;
    }
    EXPECT_EQ(invariantBreaks, 0);
    EXPECT_GT(answered, int(outcomes.size()) / 2);
    // Give the writes and the remaining handshake a moment, then nothing may be left behind.
    ASSERT_TRUE(spinUntil([&] { return !link.isBusy(); }));
    EXPECT_EQ(link.queuedCount(), 0);
}

}  // namespace
