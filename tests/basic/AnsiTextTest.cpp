#include "basic/AnsiText.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using vrl::AnsiTextWriter;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(AnsiText, CzechLinesAreWindows1250WithCrLfAndNoByteOrderMark)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    vrl::writeAnsiLines(
        path, { QStringLiteral("Příliš žluťoučký kůň"), QString(), QStringLiteral("úpěl") });
    // ř=F8 í=ED š=9A ž=9E ť=9D č=E8 ý=FD ů=F9 ň=F2 ú=FA ě=EC
    EXPECT_EQ(
        bytesOf(path),
        QByteArray("P\xF8\xEDli\x9A \x9Elu\x9Do\x75\xE8k\xFD k\xF9\xF2\r\n\r\n\xFAp\xECl\r\n"));
    EXPECT_EQ(
        vrl::readAnsiLines(path),
        QStringList({ QStringLiteral("Příliš žluťoučký kůň"), QString(), QStringLiteral("úpěl") }));
}

TEST(AnsiText, ReadsLfAndCrLfLinesAndALastLineWithoutEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.txt"));
    writeBytes(path, QByteArray("jedna\r\ndv\xEC\n\ntri;\r\nposledn\xED"));
    EXPECT_EQ(vrl::readAnsiLines(path),
              QStringList({ QStringLiteral("jedna"), QStringLiteral("dvě"), QString(),
                            QStringLiteral("tri;"), QStringLiteral("poslední") }));
    writeBytes(path, QByteArray());
    EXPECT_TRUE(vrl::readAnsiLines(path).isEmpty());
}

TEST(AnsiText, AppendsAndReplacesCharactersOutsideTheCodePage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.vrh"));
    vrl::writeAnsiLines(path, { QStringLiteral("#_") });
    vrl::writeAnsiLines(path, { QStringLiteral("emoji \U0001F600 a \u4E2D") },
                        AnsiTextWriter::Mode::Append);
    EXPECT_EQ(bytesOf(path), QByteArray("#_\r\nemoji ? a ?\r\n"));

    // Each character written as "?" is counted once, a pair of surrogates as one.
    AnsiTextWriter writer(path, AnsiTextWriter::Mode::Replace);
    writer.write(QStringLiteral("\U0001F600 € ł \u4E2D"));
    writer.writeLine(QStringLiteral("|"));
    writer.close();
    EXPECT_EQ(writer.replacedCount(), 2);
    EXPECT_EQ(bytesOf(path), QByteArray("? \x80 \xB3 ?|\r\n"));
    EXPECT_EQ(vrl::ansiMissingCount(QStringLiteral("\U0001F600 € ł \u4E2D")), 2);
}

TEST(AnsiText, FailuresNameTheFile)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.csv"));
    try {
        vrl::writeAnsiLines(missing, { QStringLiteral("x") });
        FAIL() << "writing into a missing folder succeeded";
    } catch (const std::runtime_error &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(missing)) << error.what();
    }
    EXPECT_THROW(vrl::readAnsiLines(dir.filePath(QStringLiteral("none.txt"))), std::runtime_error);
}
