#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <limits>

#include "support/WidgetTesting.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Theme.h"

using namespace kestrel_test;

TEST(CompactNumberFieldTest, ParsesWholeNumbersWithEitherDecimalSeparatorInAnyLocale) {
    EXPECT_EQ(parseTypedNumber(QStringLiteral(" -3,5 ")), -3.5);
    EXPECT_EQ(parseTypedNumber(QStringLiteral("1e2")), 100);
    EXPECT_EQ(parseTypedNumber(QStringLiteral("+4.25")), 4.25);
    for (const char* bad : {"", "abc", "3 dB", "1,000.5", "1..2", "nan", "-NaN"}) {
        EXPECT_FALSE(parseTypedNumber(QString::fromLatin1(bad))) << bad;
    }
    // Infinities are numbers, clamped by each field's owner like any other.
    EXPECT_EQ(parseTypedNumber(QStringLiteral("inf")), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseTypedNumber(QStringLiteral(" -Infinity")), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseTypedNumber(QStringLiteral("1e999")), std::numeric_limits<double>::infinity());
    // The user's locale changes neither parsing nor formatting.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(parseTypedNumber(QStringLiteral("2.5")), 2.5);
    EXPECT_EQ(formatNumber(QStringLiteral("%.1f"), 2.5), QStringLiteral("2.5"));
    QLocale::setDefault(saved);
}

class CompactFieldTest : public ::testing::Test {
protected:
    QWidget window;
    CompactNumberField* field = new CompactNumberField(QStringLiteral("%.1f"), QStringLiteral("dB"), 52);
    QLineEdit* other = new QLineEdit;
    QSignalSpy commits{field, &CompactNumberField::committed};

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        field->setValue(-2);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void type(const QString& text) {
        field->lineEdit()->setFocus();
        field->lineEdit()->selectAll();
        QTest::keyClicks(field->lineEdit(), text);
    }
};

TEST_F(CompactFieldTest, ReturnAndLeavingCommitTheParsedNumberAndShowTheOwnersValue) {
    type(QStringLiteral(" -3,5 "));
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(commits.size(), 1);
    EXPECT_EQ(commits[0].at(0).toDouble(), -3.5);
    EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("-2.0"));  // until the owner stores the new value
    field->setValue(-3.5);
    EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("-3.5"));

    // Leaving the field commits an edit, but passing through sends nothing back.
    type(QStringLiteral("4,25"));
    other->setFocus();
    ASSERT_EQ(commits.size(), 2);
    EXPECT_EQ(commits[1].at(0).toDouble(), 4.25);

    field->lineEdit()->setFocus();
    other->setFocus();
    EXPECT_EQ(commits.size(), 2);
}

TEST_F(CompactFieldTest, RejectedTextCommitsNothingAndRestoresTheValue) {
    for (const char* typed : {"loud", "nan"}) {
        type(QString::fromLatin1(typed));
        QTest::keyClick(field->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("-2.0")) << typed;
    }
    type(QStringLiteral("x"));
    other->setFocus();
    EXPECT_EQ(field->lineEdit()->text(), QStringLiteral("-2.0"));
    EXPECT_TRUE(commits.isEmpty());
}

TEST_F(CompactFieldTest, AFocusingClickLeavesTheWholeTextSelected) {
    other->setFocus();
    QTest::mouseClick(field->lineEdit(), Qt::LeftButton, {}, QPoint(10, 5));
    QTest::qWait(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(field->lineEdit()->selectedText(), QStringLiteral("-2.0"));
    // A later click, with focus already in the field, places the cursor as usual.
    QTest::mouseClick(field->lineEdit(), Qt::LeftButton, {}, QPoint(10, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(field->lineEdit()->selectedText().isEmpty());
}

TEST(CompactNumberFieldTest, UnitTakesNoSpaceWhenEmpty) {
    CompactNumberField withUnit(QStringLiteral("%.0f"), QStringLiteral("dBu"), 52);
    CompactNumberField bare(QStringLiteral("%.0f"), QString(), 52);
    ASSERT_NE(withUnit.unitLabel(), nullptr);
    EXPECT_EQ(bare.unitLabel(), nullptr);
    EXPECT_EQ(bare.sizeHint().width(), 52);
}

// The shown text is the owner's value formatted: Return there sends nothing back.
TEST_F(CompactFieldTest, ReturnInAnUntouchedFieldCommitsNothing) {
    type(QStringLiteral("3"));
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);  // the commit shows the value: untouched again
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(commits.size(), 1);
}
