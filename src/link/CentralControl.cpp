#include "link/CentralControl.h"

#include "link/HexText.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Kind = CentralControl::Kind;
using Control = CentralControl::Control;
using Side = CentralControl::Side;
using InputMode = CentralControl::InputMode;

constexpr std::array<Kind, 2> kinds{Kind::read, Kind::set};
constexpr std::array<Control, 8> controls{Control::scene,     Control::mute,    Control::gain,
                                          Control::matrix,    Control::allMute, Control::allGain,
                                          Control::inputMode, Control::step};
constexpr std::array<Side, 2> sides{Side::input, Side::output};
constexpr std::array<InputMode, 4> inputModes{InputMode::analog, InputMode::dante, InputMode::aes,
                                              InputMode::testSignal};

constexpr std::array<const char*, 2> kindTexts{"Read", "Set"};
constexpr std::array<uint8_t, 2> kindBytes{0x63, 0x36};
constexpr std::array<const char*, 8> controlTexts{"Scene",
                                                  "Mute",
                                                  "Gain",
                                                  "Matrix Mixer",
                                                  "All Channel Mute",
                                                  "All Channel Gain",
                                                  "Input Mode",
                                                  "Increase/Decrease"};
constexpr std::array<uint8_t, 8> controlBytes{0x02, 0x03, 0x04, 0x09, 0x0B, 0x0C, 0x0D, 0x05};
constexpr std::array<const char*, 4> inputModeLabels{"Analog", "Dante", "AES", "Test Signal"};

constexpr std::array<uint8_t, 5> start{0xA5, 0xC3, 0x3C, 0x5A, 0xFF};
constexpr uint8_t end = 0xEE;

template <typename Enum, size_t N>
std::optional<Enum> findText(const std::array<Enum, N>& cases, const std::array<const char*, N>& texts,
                             const QString& raw) {
    for (size_t i = 0; i < N; ++i)
        if (raw == QLatin1String(texts[i])) return cases[i];
    return std::nullopt;
}

template <typename Enum, size_t N>
std::optional<Enum> findRaw(const std::array<Enum, N>& cases, int raw) {
    for (Enum entry : cases)
        if (int(entry) == raw) return entry;
    return std::nullopt;
}

QByteArray bytesOf(std::initializer_list<char> bytes) {
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

char clampByte(int value) {
    return char(uint8_t(std::clamp(value, 0, 255)));
}

// Tenths of a dB as a 16-bit two's-complement value. A non-finite gain never comes
// from the page, which bounds it; NaN still gives 0 instead of undefined behaviour.
int16_t gainTenths(double gainDB) {
    if (std::isnan(gainDB)) return 0;
    return int16_t(std::clamp(std::round(gainDB * 10), -32768.0, 32767.0));
}

QByteArray payload(const CentralControl::Request& r) {
    const bool set = r.kind == Kind::set;
    const char side = char(CentralControl::rawValue(r.side));
    switch (r.control) {
        case Control::scene:
            return set ? QByteArray(1, clampByte(r.scene)) : QByteArray();
        case Control::mute: {
            QByteArray bytes = bytesOf({side, clampByte(r.channel)});
            if (set) bytes.append(char(r.mute ? 1 : 0));
            return bytes;
        }
        case Control::gain: {
            QByteArray bytes = bytesOf({side, clampByte(r.channel)});
            if (set) {
                const uint16_t g = uint16_t(gainTenths(r.gainDB));
                bytes.append(char(g & 0xFF)).append(char(g >> 8));
            }
            return bytes;
        }
        case Control::matrix: {
            QByteArray bytes = bytesOf({clampByte(r.channel), clampByte(r.outChannel)});
            if (set) bytes.append(char(r.on ? 1 : 0));
            return bytes;
        }
        case Control::allMute:
        case Control::allGain:
            return QByteArray(1, side);
        case Control::inputMode: {
            QByteArray bytes(1, clampByte(r.channel));
            if (set) bytes.append(char(CentralControl::rawValue(r.mode)));
            return bytes;
        }
        case Control::step:
            return bytesOf({side, clampByte(r.channel), char(r.increase ? 0 : 1), clampByte(r.stepSize)});
    }
    return {};
}

}  // namespace

QString CentralControl::rawValue(Kind kind) {
    return QString::fromLatin1(kindTexts[size_t(kind)]);
}
QString CentralControl::rawValue(Control control) {
    return QString::fromLatin1(controlTexts[size_t(control)]);
}
std::optional<Kind> CentralControl::kindFromRaw(const QString& raw) {
    return findText(kinds, kindTexts, raw);
}
std::optional<Control> CentralControl::controlFromRaw(const QString& raw) {
    return findText(controls, controlTexts, raw);
}
std::optional<Side> CentralControl::sideFromRaw(int raw) {
    return findRaw(sides, raw);
}
std::optional<InputMode> CentralControl::inputModeFromRaw(int raw) {
    return findRaw(inputModes, raw);
}

std::span<const Kind> CentralControl::allKinds() {
    return kinds;
}
std::span<const Control> CentralControl::allControls() {
    return controls;
}
std::span<const Side> CentralControl::allSides() {
    return sides;
}
std::span<const InputMode> CentralControl::allInputModes() {
    return inputModes;
}

QString CentralControl::label(Side side) {
    return side == Side::input ? QStringLiteral("Input") : QStringLiteral("Output");
}
QString CentralControl::label(InputMode mode) {
    return QString::fromLatin1(inputModeLabels[size_t(mode)]);
}

uint8_t CentralControl::byte(Kind kind) {
    return kindBytes[size_t(kind)];
}
uint8_t CentralControl::byte(Control control) {
    return controlBytes[size_t(control)];
}

QByteArray CentralControl::code(const Request& request) {
    const QByteArray body = payload(request);
    QByteArray bytes(reinterpret_cast<const char*>(start.data()), start.size());
    bytes.append(char(byte(request.kind))).append(char(byte(request.control))).append(char(body.size()));
    bytes.append(body).append(char(end));
    return bytes;
}

QString CentralControl::hexString(const QByteArray& bytes) {
    return hexText(bytes);
}
