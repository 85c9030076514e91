#include <gtest/gtest.h>

#include <QByteArray>

#include "platform/hid/ReportDescriptor.h"
#include "support/CannedHidDescriptors.h"

using hid::ReportDescriptorInfo;

namespace {

ReportDescriptorInfo parse(const QByteArray& bytes) {
    return hid::parseReportDescriptor(
        {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

}  // namespace

TEST(ReportDescriptorTest, TypicalDevices) {
    struct Case {
        const char* name;
        QByteArray descriptor;
        ReportDescriptorInfo expected;
    };
    const Case cases[] = {
        {"vendor 64", kestrel_test::vendor64Descriptor(), {0xFF00, 0x01, 64, 64, 0, false}},
        {"keyboard", kestrel_test::keyboardDescriptor(), {0x01, 0x06, 8, 1, 0, false}},
        {"mouse", kestrel_test::mouseDescriptor(), {0x01, 0x02, 3, 0, 0, false}},
        {"numbered", kestrel_test::numberedDescriptor(), {0x0C, 0x01, 33, 17, 5, true}},
    };
    for (const auto& c : cases) EXPECT_EQ(parse(c.descriptor), c.expected) << c.name;
}

TEST(ReportDescriptorTest, GlobalStateAndItemForms) {
    // Push/pop restores the report size, a long item is skipped whole, and a
    // usage page set after the usage still applies to the short usage.
    const auto info =
        parse(hex("0509"    // usage page button (overridden below)
                  "0901"    // usage 1
                  "0600ff"  // usage page vendor
                  "a101"
                  "7508a4"        // report size 8, push
                  "750195048102"  // size 1 x4 input
                  "b4"            // pop: size 8 again
                  "95028102"      // 2 x 8 bits input
                  "fe0200aabb"    // long item with two data bytes
                  "95019102"      // 1 byte output
                  "c0"));
    EXPECT_EQ(info, (ReportDescriptorInfo{0xFF00, 1, 3, 1, 0, false}));
}

TEST(ReportDescriptorTest, MalformedInputYieldsWhatCameBeforeTheFault) {
    EXPECT_EQ(parse({}), ReportDescriptorInfo{});
    // The last item announces two data bytes but has one.
    EXPECT_EQ(parse(hex("0600ffa1017508950281022601")), (ReportDescriptorInfo{0xFF00, 0, 2, 0, 0, false}));
    // A long item cut short, unbalanced end-collections and pops are harmless.
    EXPECT_EQ(parse(hex("c0c0b4b4fe")), ReportDescriptorInfo{});
    // Sizes from huge counts stay bounded instead of overflowing.
    const auto huge = parse(hex("a10177ffffffff97ffffffff8102810281028102c0"));
    EXPECT_EQ(huge.maxInputReport, INT_MAX);
}
