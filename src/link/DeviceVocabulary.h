#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

// The values that the device's parameter words carry. Each vocabulary is a small
// value class around its enumeration: cases compare and switch like the plain
// enumeration, a raw value that names no case builds none, and allCases() lists
// the cases in raw-value order.

class FilterSlope {
public:
    enum Value : int32_t {
        bw6 = 0,
        bw12,
        bw18,
        bw24,
        bw36,
        bw48,
        bl6,
        bl12,
        bl18,
        bl24,
        bl36,
        bl48,
        lr12,
        lr24,
        lr36,
        lr48,
    };

    constexpr FilterSlope(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }
    constexpr int32_t rawValue() const { return value_; }

    static std::optional<FilterSlope> fromRaw(int64_t raw);
    static std::span<const FilterSlope> allCases();
    QString name() const;

private:
    Value value_;
};

class EQBandType {
public:
    enum Value : int32_t {
        peak = 0,
        lowShelf,
        highShelf,
        allpass,
        allpass2,
        variQLowPass,
        variQHighPass,
        phase,
        ellipticLowPass,
        ellipticHighPass,
        lowPass1,
        highPass1,
        bandPass,
        notch,
    };

    constexpr EQBandType(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }
    constexpr int32_t rawValue() const { return value_; }

    static std::optional<EQBandType> fromRaw(int64_t raw);
    static std::span<const EQBandType> allCases();
    QString name() const;
    // For narrow columns.
    QString shortName() const;
    // The largest Q the model stores for a band of this type.
    float largestQ() const;
    // A type word whose low byte names no type still gets a Q limit: 128.
    static float largestQForRaw(int64_t raw);

private:
    Value value_;
};

class DEQMode {
public:
    enum Value : int32_t { boostAbove = 0, boostBelow, cutAbove, cutBelow };

    constexpr DEQMode(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }
    constexpr int32_t rawValue() const { return value_; }

    static std::optional<DEQMode> fromRaw(int64_t raw);
    static std::span<const DEQMode> allCases();
    QString name() const;

private:
    Value value_;
};

// testSignal never travels to the device as a source word: the test signal is
// chosen by the input's route word, and the source word keeps 0, 1 or 2.
class InputSource {
public:
    enum Value : int32_t { analog = 0, dante = 1, aes = 2, testSignal = 99 };

    constexpr InputSource(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }
    constexpr int32_t rawValue() const { return value_; }

    static std::optional<InputSource> fromRaw(int64_t raw);
    static std::span<const InputSource> allCases();
    QString label() const;
    // Upper-case short name.
    QString badge() const;

private:
    Value value_;
};

class Generator {
public:
    enum Value : int32_t { sine = 0, pink, white };

    constexpr Generator(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }
    constexpr int32_t rawValue() const { return value_; }

    static std::optional<Generator> fromRaw(int64_t raw);
    static std::span<const Generator> allCases();
    QString name() const;
    // The generator's own settings parameter.
    constexpr uint32_t parameter() const { return 343 + uint32_t(value_); }

private:
    Value value_;
};
