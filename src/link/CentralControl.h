#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

// Composes the byte codes that external control systems (RS232 or TCP) send to the
// device. The application only shows and copies them; it never sends one.
struct CentralControl {
    enum class Kind { read, set };
    enum class Control { scene, mute, gain, matrix, allMute, allGain, inputMode, step };
    enum class Side : uint8_t { input = 1, output = 2 };
    // The control protocol's own numbers, not the device's input-source words.
    enum class InputMode : uint8_t { analog = 0, dante = 1, aes = 2, testSignal = 3 };

    // One code to compose. Each control reads only the fields it uses; channels are
    // 1-based and 0 stands for every channel of the side.
    struct Request {
        Kind kind = Kind::read;
        Control control = Control::scene;
        Side side = Side::output;
        int channel = 1;
        int outChannel = 1;
        int scene = 1;
        bool mute = true;
        bool on = true;
        double gainDB = 0;
        InputMode mode = InputMode::analog;
        bool increase = true;
        int stepSize = 1;
    };

    // Raw values: the texts of kinds and controls double as their labels.
    static QString rawValue(Kind kind);
    static QString rawValue(Control control);
    static uint8_t rawValue(Side side) { return uint8_t(side); }
    static uint8_t rawValue(InputMode mode) { return uint8_t(mode); }
    static std::optional<Kind> kindFromRaw(const QString& raw);
    static std::optional<Control> controlFromRaw(const QString& raw);
    static std::optional<Side> sideFromRaw(int raw);
    static std::optional<InputMode> inputModeFromRaw(int raw);

    static std::span<const Kind> allKinds();
    static std::span<const Control> allControls();
    static std::span<const Side> allSides();
    static std::span<const InputMode> allInputModes();

    static QString label(Side side);
    static QString label(InputMode mode);

    static uint8_t byte(Kind kind);
    static uint8_t byte(Control control);

    static QByteArray code(const Request& request);
    // Two upper-case hex digits a byte, single spaces between.
    static QString hexString(const QByteArray& bytes);
};
