#include <gtest/gtest.h>

#include <QStringList>
#include <cmath>
#include <limits>

#include "link/CentralControl.h"

using CC = CentralControl;
using Kind = CC::Kind;
using Control = CC::Control;
using Side = CC::Side;

namespace {

CC::Request request(Kind kind, Control control) {
    CC::Request r;
    r.kind = kind;
    r.control = control;
    return r;
}

QString codeText(const CC::Request& r) {
    return CC::hexString(CC::code(r));
}

CC::Request gainSet(int channel, double dB) {
    CC::Request r = request(Kind::set, Control::gain);
    r.side = Side::output;
    r.channel = channel;
    r.gainDB = dB;
    return r;
}

}  // namespace

TEST(CentralControl, GainRoundsHalfAwayAndSaturates) {
    auto gainBytes = [](double dB) { return codeText(gainSet(2, dB)).mid(30, 5); };
    EXPECT_EQ(gainBytes(-0.04), "00 00");
    EXPECT_EQ(gainBytes(-0.05), "FF FF");
    EXPECT_EQ(gainBytes(0.05), "01 00");
    EXPECT_EQ(gainBytes(4000), "FF 7F");
    EXPECT_EQ(gainBytes(-4000), "00 80");
    EXPECT_EQ(gainBytes(std::numeric_limits<double>::infinity()), "FF 7F");
    EXPECT_EQ(gainBytes(-std::numeric_limits<double>::infinity()), "00 80");
    EXPECT_EQ(gainBytes(std::nan("")), "00 00");
}

TEST(CentralControl, IntegersAreBoundedToAByte) {
    CC::Request step = request(Kind::read, Control::step);
    step.channel = 300;
    step.stepSize = 1000;
    EXPECT_EQ(codeText(step), "A5 C3 3C 5A FF 63 05 04 02 FF 00 FF EE");
    step.channel = -1;
    step.stepSize = -5;
    EXPECT_EQ(codeText(step), "A5 C3 3C 5A FF 63 05 04 02 00 00 00 EE");

    CC::Request scene = request(Kind::set, Control::scene);
    scene.scene = 256;
    EXPECT_EQ(codeText(scene), "A5 C3 3C 5A FF 36 02 01 FF EE");
}

TEST(CentralControl, ReadAndSetShareThePayloadWhereNoValueIsSet) {
    for (Control control : {Control::allMute, Control::allGain, Control::step}) {
        CC::Request read = request(Kind::read, control);
        CC::Request set = request(Kind::set, control);
        const QByteArray readCode = CC::code(read), setCode = CC::code(set);
        EXPECT_EQ(readCode[5], char(0x63));
        EXPECT_EQ(setCode[5], char(0x36));
        EXPECT_EQ(readCode.mid(6), setCode.mid(6)) << CC::rawValue(control).toStdString();
    }
}

TEST(CentralControl, UnusedFieldsDoNotChangeTheCode) {
    for (Kind kind : CC::allKinds()) {
        for (Control control : CC::allControls()) {
            const CC::Request base = request(kind, control);
            CC::Request other = base;
            switch (control) {
                case Control::scene:
                    other.side = Side::input, other.channel = 7;
                    break;
                case Control::mute:
                    other.scene = 9, other.gainDB = 3, other.on = false;
                    break;
                case Control::gain:
                    other.mute = false, other.outChannel = 5;
                    break;
                case Control::matrix:
                    other.side = Side::input, other.mute = false;
                    break;
                case Control::allMute:
                case Control::allGain:
                    other.channel = 4, other.mute = false, other.gainDB = -20;
                    break;
                case Control::inputMode:
                    other.side = Side::input, other.stepSize = 9;
                    break;
                case Control::step:
                    other.gainDB = 7, other.mode = CC::InputMode::aes;
                    break;
            }
            EXPECT_EQ(CC::code(base), CC::code(other)) << CC::rawValue(control).toStdString();
        }
    }
}

TEST(CentralControl, VocabulariesRoundTripTheirRawValues) {
    // The control names are checked where the codes page offers them.
    QStringList kindTexts, modeLabels;
    for (Kind kind : CC::allKinds()) {
        kindTexts << CC::rawValue(kind);
        EXPECT_EQ(CC::kindFromRaw(CC::rawValue(kind)), kind);
    }
    for (Control control : CC::allControls()) EXPECT_EQ(CC::controlFromRaw(CC::rawValue(control)), control);
    for (CC::InputMode mode : CC::allInputModes()) {
        modeLabels << CC::label(mode);
        EXPECT_EQ(CC::inputModeFromRaw(CC::rawValue(mode)), mode);
    }
    EXPECT_EQ(kindTexts, (QStringList{"Read", "Set"}));
    EXPECT_EQ(modeLabels, (QStringList{"Analog", "Dante", "AES", "Test Signal"}));
    EXPECT_EQ(CC::allSides().size(), 2u);
    EXPECT_EQ(CC::sideFromRaw(1), Side::input);
    EXPECT_EQ(CC::sideFromRaw(2), Side::output);
    EXPECT_EQ(CC::label(Side::output), "Output");

    EXPECT_FALSE(CC::kindFromRaw("read"));
    EXPECT_FALSE(CC::controlFromRaw("Matrix"));
    EXPECT_FALSE(CC::sideFromRaw(0));
    EXPECT_FALSE(CC::sideFromRaw(3));
    EXPECT_FALSE(CC::inputModeFromRaw(4));
    EXPECT_FALSE(CC::inputModeFromRaw(99));
    EXPECT_EQ(CC::hexString({}), "");
}
