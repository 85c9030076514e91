#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <bit>
#include <map>

#include "link/DeviceVocabulary.h"
#include "link/ParamMap.h"

namespace {

using Table = std::map<uint32_t, std::vector<uint32_t>>;

QByteArray shippedFile() {
    QFile file(QStringLiteral(":/DemoDevice.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads the file strictly: every key a parameter number, every word a whole
// number that fits 32 bits unsigned.
Table parse(const QByteArray& json) {
    Table table;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    EXPECT_TRUE(document.isObject());
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool ok = false;
        const uint32_t number = it.key().toUInt(&ok);
        EXPECT_TRUE(ok) << it.key().toStdString();
        EXPECT_TRUE(it.value().isArray()) << number;
        std::vector<uint32_t>& words = table[number];
        for (const QJsonValue& value : it.value().toArray()) {
            const double word = value.toDouble(-1);
            EXPECT_TRUE(word >= 0 && word <= 4294967295.0 && word == double(uint64_t(word))) << number;
            words.push_back(uint32_t(word));
        }
    }
    return table;
}

float single(uint32_t word) {
    return std::bit_cast<float>(word);
}

}  // namespace

TEST(DemoDeviceData, HoldsEveryReadBackParameterWithItsWordCount) {
    const Table table = parse(shippedFile());
    EXPECT_EQ(table.size(), ParamMap::allParameters().size());
    for (uint32_t number : ParamMap::allParameters()) {
        ASSERT_TRUE(table.count(number)) << number;
        EXPECT_EQ(int(table.at(number).size()), ParamMap::wordCount(number)) << number;
    }
}

TEST(DemoDeviceData, VocabulariesAndRangesAreValid) {
    const Table table = parse(shippedFile());
    for (const auto& [number, words] : table) {
        const std::optional<ParamMap::Location> at = ParamMap::locate(number);
        if (!at) continue;
        switch (at->block.kind) {
            case ParamMap::Block::Kind::eqBand:
                EXPECT_TRUE(EQBandType::fromRaw(words[3] & 0xFF)) << number;
                EXPECT_GE(words[0], 20u) << number;
                EXPECT_LE(single(words[2]), EQBandType::largestQForRaw(words[3] & 0xFF)) << number;
                break;
            case ParamMap::Block::Kind::highPass:
            case ParamMap::Block::Kind::lowPass:
                EXPECT_TRUE(FilterSlope::fromRaw(words[1] & 0xFF)) << number;
                break;
            case ParamMap::Block::Kind::deq:
                EXPECT_TRUE(DEQMode::fromRaw((words[3] >> 8) & 0xFF)) << number;
                break;
            case ParamMap::Block::Kind::gain:
                EXPECT_GE(single(words[0]), -60.0f) << number;
                EXPECT_LE(single(words[0]), 15.0f) << number;
                break;
            default:
                break;
        }
    }
    for (uint32_t number = 218; number <= 329; ++number)
        EXPECT_TRUE(table.at(number)[1] == 0x100 || table.at(number)[1] == 0x101) << number;
    for (uint32_t input = 0; input < 4; ++input) {
        const std::optional<InputSource> source = InputSource::fromRaw(table.at(350 + input)[0]);
        ASSERT_TRUE(source);
        EXPECT_NE(*source, InputSource::testSignal);
    }
    EXPECT_TRUE(Generator::fromRaw(table.at(342)[0]));
}

TEST(DemoDeviceData, CommittedFileIsWhatTheScriptWrites) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed";
    QProcess script;
    script.start(python,
                 {QStringLiteral(KESTREL_SOURCE_DIR "/tools/make-demo-device.py"), QStringLiteral("-")});
    ASSERT_TRUE(script.waitForFinished(60000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    QFile committed(QStringLiteral(KESTREL_SOURCE_DIR "/resources/DemoDevice.json"));
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly));
    const QByteArray written = script.readAllStandardOutput();
    EXPECT_EQ(written, committed.readAll()) << "run tools/make-demo-device.py";
    EXPECT_EQ(written, shippedFile());
}
