#include "fir/FIRFile.h"

#include <QFile>
#include <QStringDecoder>

#include <bit>
#include <cmath>

#include "fir/Single.h"
#include "fir/TextLines.h"
#include "platform/NumText.h"
#include "platform/UserFile.h"

namespace FIRFile {

namespace {

constexpr qsizetype maxTaps = 512;
constexpr qsizetype shortTaps = 256;

QString baseNameOf(const QString& path) {
    QString name = path.section(u'/', -1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) name.truncate(dot);
    return name;
}

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

// Text never holds a NUL byte, and only now and then another control character besides
// tab, line feed, vertical tab, form feed and carriage return. Binary data (an AIFF impulse,
// a spreadsheet) would otherwise be read as Latin-1 text, and a stray digit in it would
// become a filter.
bool looksBinary(QByteArrayView bytes) {
    qsizetype controls = 0;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == 0) return true;
        if ((c < 0x20 && (c < 0x09 || c > 0x0D)) || c == 0x7F) ++controls;
    }
    return controls * 100 > bytes.size();
}

bool isWAV(const QByteArray& bytes) {
    return bytes.size() >= 13 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE";
}

// Little-endian readers; callers check the bounds first.
quint32 u16At(QByteArrayView bytes, qint64 at) {
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8;
}

quint32 u32At(QByteArrayView bytes, qint64 at) {
    return u16At(bytes, at) | u16At(bytes, at + 2) << 16;
}

quint64 u64At(QByteArrayView bytes, qint64 at) {
    return quint64(u32At(bytes, at)) | quint64(u32At(bytes, at + 4)) << 32;
}

struct Format {
    quint32 tag = 0;
    quint32 channels = 1;
    qint64 sampleRate = 48000;
    quint32 bits = 0;
};

void readFormat(QByteArrayView bytes, qint64 body, Format& format) {
    if (body + 16 > bytes.size()) return;
    format.tag = u16At(bytes, body);
    format.channels = std::max<quint32>(u16At(bytes, body + 2), 1);
    format.sampleRate = u32At(bytes, body + 4);
    format.bits = u16At(bytes, body + 14);
    if (format.tag == 0xFFFE && body + 26 <= bytes.size()) format.tag = u16At(bytes, body + 24);
}

// One sample of the first channel, or none for a format we do not take.
std::optional<float> sampleAt(QByteArrayView bytes, qint64 at, const Format& format) {
    if (format.tag == 1 && format.bits == 16) return qint16(u16At(bytes, at)) / 32768.0f;
    if (format.tag == 1 && format.bits == 24) {
        const qint32 value = qint32(u16At(bytes, at) << 8 | quint32(quint8(bytes[at + 2])) << 24) >> 8;
        return static_cast<float>(value / 8388608.0);
    }
    if (format.tag == 1 && format.bits == 32)
        return static_cast<float>(qint32(u32At(bytes, at)) / 2147483648.0);
    if (format.tag == 3 && format.bits == 32) return std::bit_cast<float>(u32At(bytes, at));
    if (format.tag == 3 && format.bits == 64) return toSingle(std::bit_cast<double>(u64At(bytes, at)));
    return std::nullopt;
}

QString padNote(qsizetype count, qsizetype target) {
    return QStringLiteral("%1, padded to %2.").arg(numtext::counted(count, u"tap", u"taps")).arg(target);
}

}  // namespace

Result load(const QString& path) {
    const std::optional<QByteArray> bytes = userfile::read(path);
    if (!bytes) return LoadError::unreadable();
    return decode(*bytes, baseNameOf(path));
}

Result decode(const QByteArray& bytes, const QString& name) {
    if (!isWAV(bytes)) {
        if (looksBinary(bytes)) return LoadError::unreadable();
        return finish(parseText(decodeText(bytes)), name, std::nullopt);
    }

    const std::optional<WAV> wav = readWAV(bytes);
    if (!wav) return LoadError::unreadable();
    std::optional<QString> rateNote;
    if (wav->sampleRate != 48000)
        rateNote =
            QStringLiteral("This file is %1 Hz; the DSP's FIR runs at 48 kHz, so the response will shift.")
                .arg(wav->sampleRate);
    return finish(wav->samples, name, rateNote);
}

QList<float> parseText(QStringView text) {
    QList<float> values;
    for (QStringView line : textlines::dataLines(text, {u"#", u"*", u";", u"//"}))
        for (QStringView field : textlines::fields(line))
            if (const std::optional<double> value = numtext::parseDouble(field))
                values.push_back(toSingle(*value));
    return values;
}

std::optional<WAV> readWAV(QByteArrayView bytes) {
    Format format;
    std::optional<QByteArrayView> data;
    const qint64 size = bytes.size();
    // 64-bit positions: a chunk size near 4 GiB must not wrap past the end.
    for (qint64 at = 12; at + 8 <= size;) {
        const QByteArrayView id = bytes.sliced(at, 4);
        const qint64 chunkSize = u32At(bytes, at + 4);
        const qint64 body = at + 8;
        if (id == "fmt ") readFormat(bytes, body, format);
        if (id == "data") data = bytes.sliced(body, std::min(body + chunkSize, size) - body);
        at = body + chunkSize + (chunkSize & 1);
    }
    if (!data || format.bits < 1) return std::nullopt;

    const qint64 sampleBytes = format.bits / 8;
    const qint64 frameBytes = qint64(format.channels) * sampleBytes;
    WAV wav{{}, format.sampleRate};
    if (data->size() < sampleBytes) return wav;
    if (frameBytes == 0) return std::nullopt;  // under 8 bits: no width we read
    for (qint64 at = 0; at + sampleBytes <= data->size(); at += frameBytes) {
        const std::optional<float> sample = sampleAt(*data, at, format);
        if (!sample) return std::nullopt;
        wav.samples.push_back(*sample);
    }
    return wav;
}

Result finish(QList<float> values, const QString& name, const std::optional<QString>& rateNote) {
    for (float value : values)
        if (!std::isfinite(value)) return LoadError::unreadable();
    while (qsizetype(values.size()) > maxTaps) {
        if (values.back() != 0.0f) return LoadError::tooManyTaps(values.size());
        values.pop_back();
    }
    if (values.empty()) return LoadError::empty();

    const qsizetype count = values.size();
    const qsizetype target = count <= shortTaps ? shortTaps : maxTaps;
    values.resize(target, 0.0f);
    QStringList notes;
    if (rateNote) notes << *rateNote;
    if (count < target) notes << padNote(count, target);
    std::optional<QString> note;
    if (!notes.isEmpty()) note = notes.join(u' ');
    return Loaded{name, std::move(values), note};
}

QString errorMessage(const LoadError& error) {
    switch (error.kind) {
        case LoadError::Kind::tooManyTaps:
            return QStringLiteral(
                       "That filter has %1 taps. The DSP takes at most 512 — export it with 512 or 256 taps "
                       "at 48 kHz.")
                .arg(error.count);
        case LoadError::Kind::empty:
            return QStringLiteral("That file doesn't contain any coefficients.");
        case LoadError::Kind::unreadable:
            break;
    }
    return QStringLiteral("Couldn't read FIR coefficients from that file.");
}

}  // namespace FIRFile
