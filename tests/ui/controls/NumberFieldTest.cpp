#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>

#include "ui/controls/NumberField.h"

class NumberFieldTest : public ::testing::Test {
protected:
    QWidget window;
    NumberField* field = new NumberField(QStringLiteral("Low"), QStringLiteral("Hz"), QStringLiteral("%.1f"));
    QLineEdit* other = new QLineEdit;
    QSignalSpy commits{field, &NumberField::committed};

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        field->setValue(20);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void type(const QString& text) {
        field->lineEdit()->setFocus();
        field->lineEdit()->selectAll();
        QTest::keyClicks(field->lineEdit(), text);
    }
    double committedValue(int i) const { return commits[i].at(0).toDouble(); }
};

TEST_F(NumberFieldTest, ReturnCommitsLenientlyParsedNumbersAndNothingElse) {
    const QList<std::pair<QString, double>> cases{{QStringLiteral("12,5"), 12.5},
                                                  {QStringLiteral(" 7 "), 7},
                                                  {QStringLiteral("1e3"), 1000},
                                                  {QStringLiteral("0x10"), 16},
                                                  {QStringLiteral("-3"), -3}};
    for (const auto& [text, expected] : cases) {
        type(text);
        QTest::keyClick(field->lineEdit(), Qt::Key_Return);
        ASSERT_EQ(commits.size(), 1) << text.toStdString();
        EXPECT_EQ(committedValue(0), expected) << text.toStdString();
        commits.clear();
    }
    // The spellings of infinity and NaN reach the owner, which decides.
    type(QStringLiteral("INF"));
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(commits.size(), 1);
    EXPECT_TRUE(std::isinf(committedValue(0)));

    // Text that is no number returns to the owner's value.
    commits.clear();
    for (const QString& text : {QStringLiteral("abc"), QStringLiteral(" "), QStringLiteral("12 Hz")}) {
        type(text);
        QTest::keyClick(field->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(commits.isEmpty()) << text.toStdString();
        EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("20.0"));
    }
}

TEST_F(NumberFieldTest, FocusLossCommitsAndTheOwnersClampedValueIsShown) {
    QObject::connect(field, &NumberField::committed, field,
                     [this](double v) { field->setValue(std::min(v, 100.0)); });
    type(QStringLiteral("250"));
    other->setFocus();
    ASSERT_EQ(commits.size(), 1);
    EXPECT_EQ(committedValue(0), 250);
    EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("100.0"));
}

// The owner holds more than the format shows; leaving the field untouched must not send
// the rounded copy back, while an edit still commits on leaving.
TEST_F(NumberFieldTest, LeavingAnUntouchedFieldCommitsNothing) {
    field->setValue(20.04);
    field->lineEdit()->setFocus();
    other->setFocus();
    EXPECT_TRUE(commits.isEmpty());
    EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("20.0"));

    type(QStringLiteral("30"));
    other->setFocus();
    ASSERT_EQ(commits.size(), 1);
    EXPECT_EQ(committedValue(0), 30);
    commits.clear();
    field->lineEdit()->setFocus();  // the commit showed the value again: untouched once more
    other->setFocus();
    EXPECT_TRUE(commits.isEmpty());
}

TEST(NumberFieldLayout, ShowsTheUnitOnlyWhenThereIsOne) {
    NumberField withUnit(QStringLiteral("High"), QStringLiteral("Hz"), QStringLiteral("%.0f"));
    NumberField without(QStringLiteral("Q"), QString(), QStringLiteral("%.0f"));
    ASSERT_NE(withUnit.unitLabel(), nullptr);
    EXPECT_EQ(withUnit.unitLabel()->text(), QStringLiteral("Hz"));
    EXPECT_EQ(without.unitLabel(), nullptr);
    EXPECT_EQ(without.lineEdit()->width(), 70);
}

TEST_F(NumberFieldTest, ReturnInAnUntouchedFieldCommitsNothing) {
    field->lineEdit()->setFocus();
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(commits.isEmpty());
}
