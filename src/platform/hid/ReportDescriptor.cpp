#include "platform/hid/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <vector>

namespace hid {

namespace {

enum ItemType : uint8_t { Main = 0, Global = 1, Local = 2 };

// Main item tags.
constexpr uint8_t InputTag = 0x8, OutputTag = 0x9, CollectionTag = 0xA, FeatureTag = 0xB,
                  EndCollectionTag = 0xC;
// Global item tags.
constexpr uint8_t UsagePageTag = 0x0, ReportSizeTag = 0x7, ReportIdTag = 0x8, ReportCountTag = 0x9,
                  PushTag = 0xA, PopTag = 0xB;
// Local item tags.
constexpr uint8_t UsageTag = 0x0;

// Report sizes add up from device-supplied numbers; capping keeps the sums
// finite and the results representable.
constexpr uint64_t BitCap = uint64_t(INT_MAX) * 8;
constexpr size_t MaxPushDepth = 32;

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct Usage {
    uint32_t value;
    bool extended;  // a four-byte usage carries its own page in the upper half
};

struct ReportBits {
    std::array<uint64_t, 3> bits{};  // input, output, feature
};

struct Parser {
    Globals globals;
    std::vector<Globals> stack;
    std::vector<Usage> usages;  // local usages of the next main item
    std::map<uint32_t, ReportBits> reports;
    int depth = 0;
    bool primaryFound = false;
    ReportDescriptorInfo info;

    void global(uint8_t tag, uint32_t value) {
        switch (tag) {
            case UsagePageTag:
                globals.usagePage = value;
                break;
            case ReportSizeTag:
                globals.reportSize = value;
                break;
            case ReportCountTag:
                globals.reportCount = value;
                break;
            case ReportIdTag:
                globals.reportId = value;
                info.numberedReports = true;
                break;
            case PushTag:
                if (stack.size() < MaxPushDepth) stack.push_back(globals);
                break;
            case PopTag:
                if (!stack.empty()) {
                    globals = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
        }
    }

    void local(uint8_t tag, uint32_t value, int size) {
        if (tag != UsageTag) return;
        // A shorter usage takes the page in force when its main item comes.
        usages.push_back({value, size == 4});
    }

    void addBits(size_t kind) {
        uint64_t& bits = reports[globals.reportId].bits[kind];
        const uint64_t itemBits = std::min(BitCap, uint64_t(globals.reportSize) * globals.reportCount);
        bits = std::min(BitCap, bits + itemBits);
    }

    void collection() {
        if (depth == 0 && !primaryFound) {
            primaryFound = true;
            if (!usages.empty()) {
                const Usage usage = usages.front();
                info.usagePage = int(usage.extended ? usage.value >> 16 : globals.usagePage & 0xFFFF);
                info.usage = int(usage.value & 0xFFFF);
            } else {
                info.usagePage = int(globals.usagePage & 0xFFFF);
            }
        }
        ++depth;
    }

    void main(uint8_t tag) {
        switch (tag) {
            case InputTag:
                addBits(0);
                break;
            case OutputTag:
                addBits(1);
                break;
            case FeatureTag:
                addBits(2);
                break;
            case CollectionTag:
                collection();
                break;
            case EndCollectionTag:
                depth = std::max(0, depth - 1);
                break;
            default:
                break;
        }
        usages.clear();
    }

    void finish() {
        std::array<int*, 3> sizes{&info.maxInputReport, &info.maxOutputReport, &info.maxFeatureReport};
        for (const auto& [reportId, report] : reports) {
            for (size_t kind = 0; kind < 3; ++kind) {
                if (report.bits[kind] == 0) continue;
                const uint64_t bytes = (report.bits[kind] + 7) / 8 + (reportId != 0 ? 1 : 0);
                *sizes[kind] = std::max(*sizes[kind], int(std::min<uint64_t>(bytes, INT_MAX)));
            }
        }
    }
};

uint32_t littleEndian(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) value |= uint32_t(bytes[i]) << (8 * i);
    return value;
}

}  // namespace

ReportDescriptorInfo parseReportDescriptor(std::span<const uint8_t> descriptor) {
    Parser parser;
    size_t at = 0;
    while (at < descriptor.size()) {
        const uint8_t prefix = descriptor[at];
        if (prefix == 0xFE) {
            // A long item: its size is in the next byte; nothing we read is one.
            if (at + 1 >= descriptor.size()) break;
            at += 3 + size_t(descriptor[at + 1]);
            continue;
        }
        const int size = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (at + 1 + size > descriptor.size()) break;
        const uint32_t value = littleEndian(descriptor.subspan(at + 1, size));
        const uint8_t tag = prefix >> 4;
        switch ((prefix >> 2) & 3) {
            case Main:
                parser.main(tag);
                break;
            case Global:
                parser.global(tag, value);
                break;
            case Local:
                parser.local(tag, value, size);
                break;
            default:
                break;
        }
        at += 1 + size;
    }
    parser.finish();
    return parser.info;
}

}  // namespace hid
