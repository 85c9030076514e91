#include "platform/UserFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// What would block the open (a FIFO), read without end (/dev/zero behind a link) or is far
// too large is refused before a byte is read, with a sentence that names the file.
TEST(UserFile, ReadsRegularFilesUpToTheCapAndRefusesTheRest) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto refusal = [](const QString& path) {
        QString error;
        EXPECT_EQ(userfile::read(path, &error), std::nullopt) << path.toStdString();
        return error;
    };
    const QString fifo = dir.filePath("pipe.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(refusal(fifo), "\"pipe.txt\" is not a regular file.");
    EXPECT_EQ(userfile::read(fifo), std::nullopt);  // without a place for the error
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.txt")));
    EXPECT_EQ(refusal(dir.filePath("zero.txt")), "\"zero.txt\" is not a regular file.");
    EXPECT_EQ(refusal(dir.filePath("missing.txt")), "Couldn't open \"missing.txt\": it does not exist.");

    QFile big(dir.filePath("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(userfile::maxBytes + 1));  // sparse: costs no disk
    EXPECT_EQ(refusal(big.fileName()), "\"big.txt\" is larger than 16 MiB, far too large to be read.");
    ASSERT_TRUE(big.resize(userfile::maxBytes));
    big.close();
    ASSERT_TRUE(QFile::link(big.fileName(), dir.filePath("link.txt")));
    const std::optional<QByteArray> whole = userfile::read(dir.filePath("link.txt"));
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->size(), userfile::maxBytes);
}

}  // namespace
