#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

// One page of the console: a channel's editor or one of the fixed pages.
struct Page {
    enum class Kind { channel, mixer, routing, sources, presets, device, codes, firDesigner, diagnostics };

    Kind kind = Kind::mixer;
    int channel = 0;  // only for Kind::channel

    static Page channelPage(int ch) { return {Kind::channel, ch}; }
    static Page of(Kind kind) { return {kind, 0}; }

    // The start page chosen by TSL_PAGE: a channel index 0-11, or one of the
    // names "mixer", "routing", "sources", "presets", "device", "codes", "fir"
    // and "diagnostics"; anything else is the mixer.
    static Page fromEnvironment();
    static Page fromText(const QString& value);

    bool operator==(const Page& other) const {
        return kind == other.kind && (kind != Kind::channel || channel == other.channel);
    }
};

inline size_t qHash(const Page& page, size_t seed = 0) {
    return qHashMulti(seed, int(page.kind), page.kind == Page::Kind::channel ? page.channel : 0);
}

Q_DECLARE_METATYPE(Page)
