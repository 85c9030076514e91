#include "sim/DeviceSimulator.h"

#include <gtest/gtest.h>

#include <QJsonArray>

// The simulator's answers are exercised by every link test; its state file is read
// back by the command line's end-to-end tests and must refuse words that are no words.
TEST(DeviceSimulatorTest, StateRoundTripsThroughJson) {
    SimDevice device;
    device.params[1] = {0x40A00000, 0x100};
    device.name = "Bench";
    SimDevice copy;
    ASSERT_TRUE(copy.loadJson(device.toJson()));
    EXPECT_EQ(copy.params, device.params);
    EXPECT_EQ(copy.name, device.name);
    EXPECT_FALSE(copy.loadJson(QJsonObject{{"params", QJsonObject{{"1", QJsonArray{-1}}}}}));
}
