#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/Settings.h"

TEST(SettingsTest, ValuesSurviveANewInstanceWithKeysVerbatim) {
    QTemporaryDir dir;
    const QString path = dir.filePath("store.conf");
    {
        Settings settings(path);
        settings.setValue("useNetwork", true);
        settings.setValue("networkHost", "127.0.0.7");
        settings.setValue("firSend.targets", "0,4,11");
        settings.setValue("firDesigner.lastResult", QByteArray("{\"a\":1}\0x", 10));
    }
    Settings reopened(path);
    EXPECT_TRUE(reopened.flag("useNetwork"));
    EXPECT_EQ(reopened.text("networkHost"), "127.0.0.7");
    EXPECT_EQ(reopened.text("firSend.targets"), "0,4,11");
    EXPECT_EQ(reopened.data("firDesigner.lastResult"), QByteArray("{\"a\":1}\0x", 10));
    EXPECT_FALSE(reopened.contains("channelTab"));
    EXPECT_EQ(reopened.text("channelTab", "EQ & Filters"), "EQ & Filters");
    EXPECT_TRUE(reopened.flag("missing", true));
}

TEST(SettingsTest, ChangedFiresOncePerRealChange) {
    QTemporaryDir dir;
    Settings settings(dir.filePath("store.conf"));
    QSignalSpy spy(&settings, &Settings::changed);
    settings.setValue("delayUnit", "ft");
    settings.setValue("delayUnit", "ft");
    settings.setValue("delayUnit", "m");
    settings.remove("delayUnit");
    settings.remove("delayUnit");
    ASSERT_EQ(spy.count(), 3);
    for (const auto& arguments : spy) EXPECT_EQ(arguments.at(0).toString(), "delayUnit");
    EXPECT_FALSE(settings.contains("delayUnit"));
}

TEST(SettingsTest, SharedInstanceLivesInThePrivateConfigHome) {
    Settings::shared().setValue("networkHost", "127.1.2.3");
    const QString expected =
        qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tessaline/Tessaline DSP Control.conf";
    Settings sameFile(expected);
    EXPECT_EQ(sameFile.text("networkHost"), "127.1.2.3");
}
