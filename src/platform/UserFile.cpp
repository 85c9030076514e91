#include "platform/UserFile.h"

#include <QFile>
#include <QFileInfo>

namespace userfile {

std::optional<QByteArray> read(const QString& path, QString* error) {
    const QFileInfo info(path);
    const QString quoted = QLatin1Char('"') + info.fileName() + QLatin1Char('"');
    const auto fail = [error](const QString& text) -> std::optional<QByteArray> {
        if (error) *error = text;
        return std::nullopt;
    };
    const QString tooLarge = quoted + QStringLiteral(" is larger than 16 MiB, far too large to be read.");
    if (!info.exists())
        return fail(QStringLiteral("Couldn't open ") + quoted + QStringLiteral(": it does not exist."));
    // Checked before opening: opening a FIFO would already block.
    if (!info.isFile()) return fail(quoted + QStringLiteral(" is not a regular file."));
    if (info.size() > maxBytes) return fail(tooLarge);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Couldn't open ") + quoted + QStringLiteral(": ") + file.errorString());
    // The file may have grown since it was looked at: never read past the cap.
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Couldn't read ") + quoted + QStringLiteral(": ") + file.errorString());
    if (bytes.size() > maxBytes) return fail(tooLarge);
    return bytes;
}

}  // namespace userfile
