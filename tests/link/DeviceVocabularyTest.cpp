#include <gtest/gtest.h>

#include <QStringList>

#include "link/DeviceText.h"
#include "link/DeviceVocabulary.h"

// Checks a vocabulary's cases against the expected raw values and names, and that
// raw values around them build none.
template <typename Vocabulary, typename NameOf>
void expectCases(const std::vector<std::pair<int64_t, QString>>& expected, NameOf nameOf) {
    const auto cases = Vocabulary::allCases();
    ASSERT_EQ(cases.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(cases[i].rawValue(), expected[i].first);
        EXPECT_EQ(nameOf(cases[i]), expected[i].second);
        const std::optional<Vocabulary> built = Vocabulary::fromRaw(expected[i].first);
        ASSERT_TRUE(built);
        EXPECT_TRUE(*built == cases[i]);
    }
    EXPECT_FALSE(Vocabulary::fromRaw(-1));
    EXPECT_FALSE(Vocabulary::fromRaw(expected.back().first + 1));
    EXPECT_FALSE(Vocabulary::fromRaw(int64_t(0x100000000) + expected.front().first));
}

TEST(DeviceVocabulary, CasesRawValuesAndNames) {
    std::vector<std::pair<int64_t, QString>> slopes;
    for (const QString& name :
         QStringLiteral("BW6 BW12 BW18 BW24 BW36 BW48 BL6 BL12 BL18 BL24 BL36 BL48 LR12 LR24 LR36 LR48")
             .split(' '))
        slopes.push_back({int64_t(slopes.size()), name});
    expectCases<FilterSlope>(slopes, [](FilterSlope s) { return s.name(); });
    expectCases<DEQMode>({{0, "Boost above"}, {1, "Boost below"}, {2, "Cut above"}, {3, "Cut below"}},
                         [](DEQMode m) { return m.name(); });
    expectCases<InputSource>({{0, "Analog"}, {1, "Dante"}, {2, "AES"}, {99, "Test Signal"}},
                             [](InputSource s) { return s.label(); });
    expectCases<InputSource>({{0, "ANALOG"}, {1, "DANTE"}, {2, "AES"}, {99, "TEST"}},
                             [](InputSource s) { return s.badge(); });
    expectCases<Generator>({{0, "Sine"}, {1, "Pink noise"}, {2, "White noise"}},
                           [](Generator g) { return g.name(); });

    EXPECT_FALSE(InputSource::fromRaw(3));
    EXPECT_EQ(InputSource::fromRaw(99), InputSource::testSignal);
    EXPECT_EQ(FilterSlope::fromRaw(13), FilterSlope::lr24);
    EXPECT_EQ(Generator(Generator::white).parameter(), 345u);
}

TEST(DeviceVocabulary, EQBandTypes) {
    struct Row {
        const char* name;
        const char* shortName;
        float largestQ;
    };
    const Row rows[] = {
        {"Parametric", "PEQ", 128},
        {"Low shelf", "Lo shelf", 1},
        {"High shelf", "Hi shelf", 1},
        {"Allpass", "Allpass", 179},
        {"Allpass 2", "Allpass 2", 179},
        {"Vari-Q low-pass", "VQ LPF", 128},
        {"Vari-Q high-pass", "VQ HPF", 128},
        {"Phase", "Phase", 179},
        {"Elliptic low-pass", "Ell. LPF", 128},
        {"Elliptic high-pass", "Ell. HPF", 128},
        {"Low-pass (1st order)", "LPF 1st", 128},
        {"High-pass (1st order)", "HPF 1st", 128},
        {"Band-pass", "BPF", 128},
        {"Notch", "Notch", 128},
    };
    std::vector<std::pair<int64_t, QString>> names;
    for (int raw = 0; raw < 14; ++raw) names.push_back({raw, rows[raw].name});
    expectCases<EQBandType>(names, [](EQBandType t) { return t.name(); });

    for (EQBandType type : EQBandType::allCases()) {
        EXPECT_EQ(type.shortName(), rows[type.rawValue()].shortName);
        EXPECT_EQ(type.largestQ(), rows[type.rawValue()].largestQ);
        EXPECT_EQ(EQBandType::largestQForRaw(type.rawValue()), rows[type.rawValue()].largestQ);
    }
    EXPECT_FALSE(EQBandType::fromRaw(14));
    EXPECT_EQ(EQBandType::largestQForRaw(14), 128.0f);
    EXPECT_EQ(EQBandType::largestQForRaw(20), 128.0f);
}

TEST(DeviceText, FieldsKeepPrintableASCIIThenCut) {
    EXPECT_EQ(printableASCII(QString::fromUtf8("x\u00e9y\tz")), "xyz");
    EXPECT_EQ(printableASCII(QString::fromUtf8(" ~\x7f\n\U0001F600A")), " ~A");
    const QString longText(100, QChar('a'));
    EXPECT_EQ(printableASCII(longText), longText);
    EXPECT_EQ(TextField::channelName.fit(QString::fromUtf8("K\u00fcche left side")), "Kche lef");
    EXPECT_EQ(TextField::firName.fit(QString(30, QChar('F'))), QString(24, QChar('F')));
    EXPECT_EQ(TextField::deviceName.fit("Main"), "Main");
}
