#pragma once

#include <QString>

// Texts the device stores. It only keeps printable ASCII; names are filtered with
// printableASCII, cut to their field's width and then packed into the field's words.
// Preset names are the exception: the preset store filters and pads them itself.

// Every Unicode scalar outside U+0020 to U+007E removed, order kept, no length limit.
QString printableASCII(const QString& text);

struct TextField {
    int width;  // characters
    int words;  // 32-bit words the text is packed into

    static const TextField channelName;
    static const TextField firName;
    static const TextField presetName;
    static const TextField deviceName;
    static const TextField deviceGroup;

    // printableASCII, then cut to the width. Not for preset names.
    QString fit(const QString& text) const { return printableASCII(text).left(width); }
};

inline constexpr TextField TextField::channelName{8, 2};
inline constexpr TextField TextField::firName{24, 6};
inline constexpr TextField TextField::presetName{20, 5};
inline constexpr TextField TextField::deviceName{24, 6};
inline constexpr TextField TextField::deviceGroup{24, 6};
