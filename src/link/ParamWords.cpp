#include "link/ParamWords.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "link/DeviceVocabulary.h"
#include "link/ParamMap.h"
#include "platform/NumText.h"

namespace {

// What one word may hold. Ranges are those the setters clamp to; words a setter keeps
// without reading their meaning take anything.
enum class Kind {
    any,
    whole,             // an unsigned integer from low to high: a quantity its control shows
    pick,              // an unsigned integer from low to high: a switch or a choice
    level,             // a single-precision value from low to high
    bandQ,             // the EQ band's Q, up to the largest its type allows
    bandType,          // an EQBandType, plus the off bit
    slope,             // a FilterSlope, plus the off bit
    deqSwitch,         // active (0 or 1) plus a DEQMode in the second byte
    crosspointSwitch,  // 0x100 on, 0x101 off, or the 0 a device reports for on
};

struct Rule {
    Kind kind = Kind::any;
    float low = 0;
    float high = 0;
};

constexpr Rule any{};
constexpr Rule whole(float low, float high) {
    return {Kind::whole, low, high};
}
constexpr Rule pick(float low, float high) {
    return {Kind::pick, low, high};
}
constexpr Rule level(float low, float high) {
    return {Kind::level, low, high};
}
constexpr Rule hertz = whole(20, 22000);
constexpr Rule milliseconds = whole(1, 2895);
constexpr Rule onOff = pick(0, 1);
constexpr Rule ratio = level(1, 100);
constexpr Rule generatorLevel = level(-90, 0);
constexpr quint32 offBit = 0x100;
constexpr quint32 limiterParamFirst = 194;
constexpr quint32 limiterParamLast = 201;

bool within(uint32_t n, uint32_t first, uint32_t last) {
    return n >= first && n <= last;
}

// One rule per word, in word order; empty for numbers that are no parameter and for texts.
QList<Rule> rulesOf(uint32_t n) {
    if (within(n, 1, 12)) return {level(-60, 15), any};  // gain; the flags keep other bits
    if (within(n, 14, 153)) return {hertz, level(-15, 15), {Kind::bandQ}, {Kind::bandType}};
    if (within(n, 154, 177)) return {hertz, {Kind::slope}};
    if (within(n, 178, 185)) return {level(-90, 24), ratio, any, milliseconds, milliseconds, whole(0, 30)};
    if (within(n, limiterParamFirst, limiterParamLast))
        return {level(0, 24), any, any, milliseconds, any, any};
    if (within(n, 210, 213)) return {level(-90, 0), any, any, any, any, any};
    if (within(n, 186, 193) || within(n, 202, 209) || within(n, 214, 217) || within(n, 346, 349) ||
        within(n, 391, 402))
        return {onOff};  // the off switches, test-signal routes and FIR bypass
    if (within(n, 218, 329)) return {level(-60, 12), {Kind::crosspointSwitch}};
    if (within(n, 330, 341)) return {level(0, 2000), onOff};
    if (n == 342) return {pick(0, 2)};  // sine, pink or white noise
    if (n == 343) return {hertz, generatorLevel, any};
    if (within(n, 344, 345)) return {generatorLevel, any};
    if (within(n, 350, 353)) return {pick(0, 2)};  // analog, Dante, AES
    if (within(n, 354, 365))
        return {hertz,          level(0, 12), level(0.27f, 15), {Kind::deqSwitch},
                level(-90, 24), milliseconds, milliseconds,     ratio};
    return {};
}

bool choiceAllowed(Kind kind, quint32 w) {
    switch (kind) {
        case Kind::bandType:
            return (w & ~(offBit | 0xFFu)) == 0 && EQBandType::fromRaw(w & 0xFF).has_value();
        case Kind::slope:
            return (w & ~(offBit | 0xFFu)) == 0 && FilterSlope::fromRaw(w & 0xFF).has_value();
        case Kind::deqSwitch:
            return (w & ~0xFFFFu) == 0 && (w & 0xFF) <= 1 && DEQMode::fromRaw(w >> 8).has_value();
        case Kind::crosspointSwitch:
            return w == 0 || w == 0x100 || w == 0x101;
        default:
            return true;
    }
}

bool inRange(float value, Rule rule) {
    return value >= rule.low && value <= rule.high;
}

// The value a number word holds; a level's as the single-precision value it carries.
float valueOf(Kind kind, quint32 w) {
    return kind == Kind::level ? std::bit_cast<float>(w) : float(w);
}

float largestAnyQ() {
    static const float largest = [] {
        float most = EQBandType::largestQForRaw(-1);
        for (EQBandType type : EQBandType::allCases()) most = std::max(most, type.largestQ());
        return most;
    }();
    return largest;
}

// A band's Q may go as high as its type allows; what the Q control holds at all is the
// most any type allows.
Rule resolved(const QList<quint32>& words, Rule rule, bool anyType) {
    if (rule.kind != Kind::bandQ) return rule;
    return level(0.25f, anyType ? largestAnyQ() : EQBandType::largestQForRaw(words.value(3) & 0xFF));
}

// Words are counted from 0, as the device's layouts count them.
QString outsideText(uint32_t n, const QList<quint32>& words, qsizetype i, Rule rule) {
    const quint32 w = words[i];
    const QString where = QStringLiteral("Parameter %1 holds %2 in word %3").arg(n);
    if (rule.kind == Kind::level) {
        const float value = std::bit_cast<float>(w);
        if (!std::isfinite(value))
            return QStringLiteral("Parameter %1 holds a level that is %2 (word %3).")
                .arg(n)
                .arg(std::isnan(value) ? QStringLiteral("not a number") : QStringLiteral("infinite"))
                .arg(i);
        return where.arg(numtext::shortest(value)).arg(i) +
               QStringLiteral(", outside %1 to %2.")
                   .arg(numtext::shortest(rule.low), numtext::shortest(rule.high));
    }
    if (rule.kind == Kind::whole || rule.kind == Kind::pick)
        return where.arg(w).arg(i) +
               QStringLiteral(", outside %1 to %2.").arg(qint64(rule.low)).arg(qint64(rule.high));
    return where.arg(numtext::format("0x%X", w)).arg(i) + QStringLiteral(", which names no choice.");
}

bool wordAllowed(const QList<quint32>& words, qsizetype i, Rule rule) {
    switch (rule.kind) {
        case Kind::any:
            return true;
        case Kind::whole:
        case Kind::pick:
        case Kind::level:
            return inRange(valueOf(rule.kind, words[i]), rule);
        default:
            return choiceAllowed(rule.kind, words[i]);
    }
}

// Whether a control could show the word: a number within its range, or zero, which a device
// reports for a setting never made and the controls show at their lowest. A choice the
// vocabulary does not name is shown by its own control, so only numbers are asked.
bool wordShowable(const QList<quint32>& words, qsizetype i, Rule rule) {
    if (rule.kind != Kind::whole && rule.kind != Kind::level) return true;
    const float value = valueOf(rule.kind, words[i]);
    return value == 0 || inRange(value, rule);
}

// The first word a project may not hold or, with onlyUnshowable, the first no control could show.
std::optional<QString> firstProblem(uint32_t n, const QList<quint32>& words, bool onlyUnshowable) {
    const QList<Rule> rules = rulesOf(n);
    for (qsizetype i = 0; i < words.size() && i < rules.size(); ++i) {
        const Rule rule = resolved(words, rules[i], onlyUnshowable);
        const bool fine = onlyUnshowable ? wordShowable(words, i, rule) : wordAllowed(words, i, rule);
        if (!fine) return outsideText(n, words, i, rule);
    }
    return std::nullopt;
}

}  // namespace

namespace paramwords {

int shortest(uint32_t number) {
    // Older firmware reports the limiter without its last word.
    if (within(number, limiterParamFirst, limiterParamLast)) return 5;
    return ParamMap::wordCount(number);
}

bool isWhole(uint32_t number, const QList<quint32>& words) {
    return words.size() >= shortest(number);
}

std::optional<QString> problem(uint32_t number, const QList<quint32>& words) {
    const int count = ParamMap::wordCount(number);
    if (count > 0 && words.size() > count)
        return QStringLiteral("Parameter %1 holds %2, but it has only %3.")
            .arg(number)
            .arg(numtext::counted(words.size(), u"word", u"words"))
            .arg(count);
    if (!isWhole(number, words))
        return QStringLiteral("Parameter %1 holds %2, but it needs %3.")
            .arg(number)
            .arg(numtext::counted(words.size(), u"word", u"words"))
            .arg(shortest(number));
    return firstProblem(number, words, false);
}

std::optional<QString> unshowable(uint32_t number, const QList<quint32>& words) {
    return firstProblem(number, words, true);
}

bool showable(uint32_t number, const QList<quint32>& words, qsizetype index) {
    const QList<Rule> rules = rulesOf(number);
    if (index < 0 || index >= words.size() || index >= rules.size()) return true;
    return wordShowable(words, index, resolved(words, rules[index], true));
}

}  // namespace paramwords
