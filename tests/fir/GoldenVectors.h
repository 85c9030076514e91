#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

// The vectors made by reference/make_reference.py from numpy/scipy.
inline QJsonObject goldenVectors() {
    QFile file(QStringLiteral(KESTREL_TEST_DATA_DIR "/fir/reference/golden.json"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

inline QList<float> floatsOf(const QJsonArray& array) {
    QList<float> values;
    for (const QJsonValue& value : array) values.push_back(static_cast<float>(value.toDouble()));
    return values;
}

// Within one single-precision step of the reference, or 1e-7 absolute for values near zero
// where one step is far below the reference's own accuracy.
inline void expectCloseToReference(const QList<float>& actual, const QList<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const float step = std::nextafter(std::abs(expected[i]), INFINITY) - std::abs(expected[i]);
        EXPECT_LE(std::abs(actual[i] - expected[i]), std::max(step, 1e-7f))
            << "tap " << i << ": " << actual[i] << " vs " << expected[i];
    }
}
