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

}  // namespace userfile
