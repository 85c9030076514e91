#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

#include "support/AppProcess.h"

using kestrel_test::runApp;

namespace {

QString testFile(const QString& relative) {
    return QStringLiteral(KESTREL_TEST_DATA_DIR "/cli/") + relative;
}

QByteArray golden(const QString& name) {
    QFile file(testFile(QStringLiteral("golden/") + name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

}  // namespace

// The reference high-pass printed with nine significant digits must read back
// as exactly the single-precision values of the independent reference design.
TEST(OfflineTools, FIRDumpPrintsTheReferenceFilter) {
    const auto run = runApp({QStringLiteral("--fir-dump"), QStringLiteral("--bogus")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.error.isEmpty());
    EXPECT_EQ(run.out, golden(QStringLiteral("fir-dump.txt")));
}

// Padding notes, the single-precision sum, the rate note and each error text,
// with the file given relative to the working directory. An AIFF impulse is binary data,
// not text: the digit that happens to stand in it must not become a filter.
TEST(OfflineTools, FIRFileSummariesMatchTheGoldenText) {
    QByteArray combined;
    for (const char* name :
         {"taps300.txt", "pass256.csv", "taps600.txt", "words.txt", "impulse44k.wav", "imp.aif"}) {
        const auto run = runApp({QStringLiteral("--fir-file"), QString::fromLatin1(name)},
                                kestrel_test::cleanAppEnvironment(), 60, testFile(QStringLiteral("data")));
        ASSERT_TRUE(run.finished) << name;
        EXPECT_TRUE(run.error.isEmpty()) << name;
        combined +=
            QStringLiteral("== %1 (status %2)\n").arg(QString::fromLatin1(name)).arg(run.exitCode).toUtf8();
        combined += run.out;
    }
    EXPECT_EQ(QString::fromUtf8(combined), QString::fromUtf8(golden(QStringLiteral("fir-file.txt"))));
}

TEST(OfflineTools, FIRFileWithoutAPathFailsSilently) {
    const auto missingPath = runApp({QStringLiteral("--fir-file")});
    EXPECT_EQ(missingPath.exitCode, 1);
    EXPECT_TRUE(missingPath.out.isEmpty());
    EXPECT_TRUE(missingPath.error.isEmpty());

    const auto missingFile = runApp({QStringLiteral("--fir-file"), QStringLiteral("/nonexistent/taps.txt")});
    EXPECT_EQ(missingFile.exitCode, 1);
    EXPECT_EQ(missingFile.outText(),
              QStringLiteral("ERROR Couldn't read FIR coefficients from that file.\n"));
}

namespace {

struct DesignRow {
    double hz, speaker, fir, corrected;
};

std::vector<DesignRow> designRows(const QStringList& lines) {
    static const QRegularExpression row(QStringLiteral(
        R"(^ *(\d+) Hz  speaker +(-?\d+\.\d) dB   FIR +([+-]\d+\.\d) dB   speaker\x{00D7}FIR +(-?\d+\.\d) dB$)"));
    std::vector<DesignRow> rows;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = row.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        if (m.hasMatch())
            rows.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                            m.captured(4).toDouble()});
    }
    return rows;
}

}  // namespace

// A measurement exported with "*" header lines and tab-separated columns: the
// designed filter flattens the speaker inside the correction range, so the
// corrected column stays level while the speaker column varies by 3 dB.
TEST(OfflineTools, FIRDesignCorrectsAMeasurementExport) {
    const auto run = runApp({QStringLiteral("--firdesign"), testFile(QStringLiteral("data/speaker.txt"))});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.outLines();
    ASSERT_EQ(lines.size(), 13);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral(R"(^points 147, phase true, generated 512 taps in \d+\.\d\ds$)"))
            .match(lines[0])
            .hasMatch())
        << lines[0].toStdString();
    const std::vector<DesignRow> rows = designRows(lines.mid(1));
    ASSERT_EQ(rows.size(), 12u);
    const double hz[] = {100, 200, 300, 500, 800, 1000, 2000, 3000, 5000, 8000, 12000, 16000};
    double lowest = 1e9, highest = -1e9;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].hz, hz[i]);
        EXPECT_NEAR(rows[i].corrected, rows[i].speaker + rows[i].fir, 0.11);
        if (rows[i].hz >= 300) {
            lowest = std::min(lowest, rows[i].corrected);
            highest = std::max(highest, rows[i].corrected);
        }
    }
    // The loudest point (3 kHz) is the reference level.
    EXPECT_EQ(rows[7].speaker, 0.0);
    EXPECT_EQ(rows[0].speaker, -3.0);
    EXPECT_LT(highest - lowest, 0.3);
}

TEST(OfflineTools, FIRDesignRefusesWhatIsNoMeasurement) {
    const auto noPhase =
        runApp({QStringLiteral("--firdesign"), testFile(QStringLiteral("data/speaker-nophase.csv"))});
    EXPECT_EQ(noPhase.exitCode, 0);
    EXPECT_TRUE(noPhase.outText().startsWith(QStringLiteral("points 147, phase false, generated 512 taps")));
    EXPECT_EQ(noPhase.outLines().size(), 13);

    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--firdesign")},
          QStringList{QStringLiteral("--firdesign"), testFile(QStringLiteral("data/too-short.txt"))},
          QStringList{QStringLiteral("--firdesign"), QStringLiteral("/nonexistent/measurement.txt")}}) {
        const auto run = runApp(arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.outText(), QStringLiteral("can't read measurement\n"));
        EXPECT_TRUE(run.error.isEmpty());
    }
}
