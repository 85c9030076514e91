#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

// FIR coefficients that another tool produced: text or CSV with numbers per
// line, or a WAV file whose first channel holds the impulse response. The result
// always fits the device: at most 512 taps, padded with zeros to 256 or 512.
namespace FIRFile {

struct Loaded {
    QString name;                 // the file name without its extension
    QList<float> coefficients;    // 256 or 512 values
    std::optional<QString> note;  // for the user: sample rate and padding remarks

    friend bool operator==(const Loaded&, const Loaded&) = default;
};

struct LoadError {
    enum class Kind { tooManyTaps, empty, unreadable };
    Kind kind = Kind::unreadable;
    qsizetype count = 0;  // the taps found, for tooManyTaps only

    static LoadError tooManyTaps(qsizetype count) { return {Kind::tooManyTaps, count}; }
    static LoadError empty() { return {Kind::empty, 0}; }
    static LoadError unreadable() { return {Kind::unreadable, 0}; }
    friend bool operator==(const LoadError&, const LoadError&) = default;
};

using Result = std::variant<Loaded, LoadError>;

struct WAV {
    QList<float> samples;  // the first channel
    qint64 sampleRate = 48000;
};

// Reads a file-system path; never throws.
Result load(const QString& path);

// What load does with the file's bytes: WAV when they begin like one, text otherwise;
// bytes holding a NUL or more than 1 % other control characters are no text (unreadable).
Result decode(const QByteArray& bytes, const QString& name);

// Every number of every line that is not a comment ("#", "*", ";", "//"), whatever its column.
QList<float> parseText(QStringView text);

// None when the bytes hold no data chunk or an unsupported sample format.
std::optional<WAV> readWAV(QByteArrayView bytes);

// The device's tap rules. A non-finite value (or one beyond single precision) is unreadable.
Result finish(QList<float> values, const QString& name, const std::optional<QString>& rateNote);

QString errorMessage(const LoadError& error);

}  // namespace FIRFile
