#include "platform/UserFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

std::optional<QString> write(const QString& path, const QByteArray& bytes) {
    const QString quoted = QLatin1Char('"') + QFileInfo(path).fileName() + QLatin1Char('"');
    if (QFileInfo(path).isDir())
        return QStringLiteral("Couldn't save ") + quoted + QStringLiteral(": it is a folder.");
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("Couldn't save ") + quoted + QStringLiteral(": the folder \"") +
               folder.filePath() + QStringLiteral("\" does not exist.");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Couldn't save ") + quoted + QStringLiteral(": ") + file.errorString();
    return std::nullopt;
}

QString safeFileName(const QString& name) {
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString safe = name;
    for (QChar& c : safe)
        if (refused.contains(c) || c.category() == QChar::Other_Control) c = QLatin1Char('-');
    return safe;
}

}  // namespace userfile
