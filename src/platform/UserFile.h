#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace userfile {

// Far above any project, measurement or coefficient file this program reads.
constexpr qint64 maxBytes = 16 * 1024 * 1024;

// Reads a file the user named. Only a regular file (links followed) of at most maxBytes
// is read: a FIFO would block the open and a device such as /dev/zero reads without end.
// On refusal, the error (when asked for) is a sentence naming the file.
std::optional<QByteArray> read(const QString& path, QString* error = nullptr);

// Writes a file the user chose, whole or not at all (a failed write leaves the old file).
// Nothing on success; otherwise why nothing was written, as a sentence naming the file.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

// A name proposed for a file, made of texts the user typed elsewhere (a filter's name): a
// "/" would make a folder of its start, control characters are refused, and the file systems
// of USB sticks also refuse a backslash and : * ? " < > |. Each of them becomes "-".
QString safeFileName(const QString& name);

}  // namespace userfile
