// The zip files the workbook writer makes itself: entries given whole or packed in pieces on
// two threads, read back by libzip (which checks every header against the central directory
// and every CRC) and by python's zipfile; a failure on either thread, and a file larger than
// the classic zip fields hold.
#include "access/workbook/ZipWriter.h"
#include "access/DataError.h"
#include "access/workbook/PackageWriter.h"
#include "access/workbook/PiecePacking.h"
#include "access/workbook/ZipArchive.h"
#include "support/PythonJson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <random>

using namespace vrl;
using namespace vrl::workbook;

namespace {

// What python's zipfile makes of a file: its check of every entry's CRC (null when all hold),
// and each entry's name, size and content as text.
const char kReadZip[] = R"(
import json, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    entries = [[i.filename, i.file_size, i.compress_type,
                z.read(i).decode('utf-8', 'replace') if i.file_size < 50000000 else '']
               for i in z.infolist()]
print(json.dumps({'bad': bad, 'entries': entries}))
)";

// Text that packs well, cut into pieces at odd places, some inside a character.
std::string sampleText(size_t bytes)
{
    std::string text;
    for (int row = 0; text.size() < bytes; ++row)
        text += "<row r=\"" + std::to_string(row) + "\"><c><v>Žluťoučký kůň "
            + std::to_string(row * 7) + "</v></c></row>";
    text.resize(bytes);
    return text;
}

// Bytes that do not pack at all: deflate stores them as they are.
std::string noiseOf(size_t bytes)
{
    std::mt19937 random(7);
    std::string noise(bytes, '\0');
    for (char &c : noise)
        c = char(random() & 0xFF);
    return noise;
}

QByteArray readEntry(const QString &path, const QString &entry)
{
    return ZipArchive(path).read(entry);
}

} // namespace

TEST(ZipWriter, EntriesWholeAndPackedInPiecesOnTwoThreadsReadBackExactly)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("package.zip"));
    const std::string text = sampleText(5'300'000);
    const std::string noise = noiseOf(2'500'000);
    // Piece sizes: empty ones, a byte, a cut inside a two-byte character, large ones.
    const std::vector<size_t> cuts { 0, 1, 0, 17, 1'048'576, 3, 2'000'000, 0, 999'999 };
    const std::string joined = text + noise;

    std::vector<Qt::HANDLE> writtenOn;
    std::vector<int> progress;
    {
        ZipWriter zip(path, path, time(nullptr));
        zip.addWhole("[Content_Types].xml", "<Types/>", 6);
        zip.addWhole("stored.bin", noise.substr(0, 1000), 0);
        size_t given = 0;
        size_t next = 0;
        const PieceMaker make = [&](RawPiece &piece) {
            const size_t size = next < cuts.size() ? cuts[next] : 1 << 20;
            ++next;
            if (next % 2 == 0) {
                piece.bytes = std::string_view(joined).substr(given, size);
            } else {
                piece.owned.assign(joined, given, size); // made into the piece's own room
            }
            given += std::min(size, joined.size() - given);
            piece.progress = int(next);
            return given < joined.size();
        };
        writeEntryInPieces(zip, "xl/worksheets/sheet1.xml", make, [&](int done) {
            writtenOn.push_back(QThread::currentThreadId());
            progress.push_back(done);
        });
        zip.addWhole("after.xml", "<after/>", 1);
        zip.finish();
    }

    // libzip opens the file with its consistency check and verifies the CRCs as it reads.
    EXPECT_EQ(readEntry(path, QStringLiteral("xl/worksheets/sheet1.xml")),
              QByteArray::fromStdString(joined));
    EXPECT_EQ(readEntry(path, QStringLiteral("stored.bin")),
              QByteArray::fromStdString(noise.substr(0, 1000)));
    EXPECT_EQ(readEntry(path, QStringLiteral("after.xml")), QByteArray("<after/>"));

    const QJsonObject read = test::pythonJson(QString::fromLatin1(kReadZip), { path }).object();
    EXPECT_TRUE(read[QStringLiteral("bad")].isNull());
    const QJsonArray entries = read[QStringLiteral("entries")].toArray();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0][0].toString(), QStringLiteral("[Content_Types].xml"));
    EXPECT_EQ(entries[0][3].toString(), QStringLiteral("<Types/>"));
    EXPECT_EQ(entries[1][2].toInt(), 0); // stored
    EXPECT_EQ(entries[2][0].toString(), QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_EQ(entries[2][1].toDouble(), double(joined.size()));
    EXPECT_EQ(entries[2][2].toInt(), 8); // deflated
    EXPECT_EQ(entries[3][3].toString(), QStringLiteral("<after/>"));

    // Each piece is told once it is in the file, in order, on the calling thread.
    ASSERT_FALSE(progress.empty());
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i], int(i + 1));
        EXPECT_EQ(writtenOn[i], QThread::currentThreadId());
    }
}

TEST(ZipWriter, AFailureOnEitherThreadEndsThePackingAndIsThrownWithItsReason)
{
    QTemporaryDir folder;
    const std::string text = sampleText(40 << 20);
    // The maker fails after some pieces: its error comes out, nothing hangs.
    {
        const QString path = folder.filePath(QStringLiteral("maker.zip"));
        ZipWriter zip(path, path, time(nullptr));
        int made = 0;
        const PieceMaker make = [&](RawPiece &piece) {
            if (++made == 9)
                throw DataError(QStringLiteral("výsledek nelze číst"));
            piece.bytes = std::string_view(text).substr(size_t(made) << 20, 1 << 20);
            return true;
        };
        try {
            writeEntryInPieces(zip, "sheet.xml", make);
            FAIL() << "the maker's failure was not thrown";
        } catch (const DataError &failure) {
            EXPECT_EQ(failure.message(), QStringLiteral("výsledek nelze číst"));
        }
    }
    // The file cannot grow past a limit: the write fails in the calling thread, the other
    // thread stops, and the reason names the file the user chose.
    {
        const QString path = folder.filePath(QStringLiteral("limit.zip"));
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous {};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 2 << 20;
        setrlimit(RLIMIT_FSIZE, &limited);
        size_t given = 0;
        const PieceMaker make = [&](RawPiece &piece) {
            piece.bytes = std::string_view(text).substr(given, 1 << 20);
            given += piece.bytes.size();
            return given < text.size();
        };
        QString message;
        try {
            ZipWriter zip(path, QStringLiteral("/data/výsledek.xlsx"), time(nullptr));
            writeEntryInPieces(zip, "sheet.xml", make);
            zip.finish();
        } catch (const DataError &failure) {
            message = failure.message();
        }
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousSignal);
        EXPECT_EQ(message,
                  QStringLiteral("Sešit výsledek.xlsx nelze uložit: zápis souboru selhal"));
    }
    // A file that exists is never written over: the writer makes a new one.
    {
        const QString path = folder.filePath(QStringLiteral("there.zip"));
        QFile there(path);
        ASSERT_TRUE(there.open(QIODevice::WriteOnly));
        there.write("mine");
        there.close();
        EXPECT_THROW(ZipWriter(path, path, time(nullptr)), DataError);
        ASSERT_TRUE(there.open(QIODevice::ReadOnly));
        EXPECT_EQ(there.readAll(), QByteArray("mine"));
    }
}

// An entry of more than 4 GiB: its sizes go to the zip64 fields of its local header and of
// the central directory, and both readers take them.
TEST(ZipWriter, AnEntryLargerThanTheClassicFieldsHoldGetsZip64Sizes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("large.zip"));
    const std::string zeros(64 << 20, '0');
    const int pieces = 65; // 4.06 GiB
    {
        ZipWriter zip(path, path, time(nullptr));
        int made = 0;
        const PieceMaker make = [&](RawPiece &piece) {
            piece.bytes = zeros;
            return ++made < pieces;
        };
        writeEntryInPieces(zip, "large.xml", make);
        zip.addWhole("small.xml", "<small/>", 6);
        zip.finish();
    }
    quint64 size = 0;
    ZipArchive archive(path);
    archive.stream(QStringLiteral("large.xml"), [&](const char *bytes, qsizetype count) {
        if (size == 0) {
            EXPECT_EQ(bytes[0], '0');
        }
        size += quint64(count);
    });
    EXPECT_EQ(size, quint64(pieces) * zeros.size());
    EXPECT_EQ(archive.read(QStringLiteral("small.xml")), QByteArray("<small/>"));

    const QJsonArray entries
        = test::pythonJson(QStringLiteral("import json, sys, zipfile\n"
                                          "z = zipfile.ZipFile(sys.argv[1])\n"
                                          "print(json.dumps([[i.filename, i.file_size] for i "
                                          "in z.infolist()]))\n"),
                           { path })
              .array();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0][1].toDouble(), double(quint64(pieces) * zeros.size()));
    EXPECT_EQ(entries[1][0].toString(), QStringLiteral("small.xml"));
}

// An entry whose packed bytes or CRC were damaged is reported as damaged, never handed on as
// the sheet's content.
TEST(ZipWriter, ADamagedEntryIsReportedAndNotReadAsItsContent)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("damaged.xlsx"));
    const std::string text = sampleText(200'000);
    {
        ZipWriter zip(path, path, time(nullptr));
        zip.addWhole("a.xml", text, 6);
        zip.finish();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.close();
    ASSERT_EQ(readEntry(path, QStringLiteral("a.xml")), QByteArray::fromStdString(text));

    const auto readDamaged = [&](const QByteArray &bytes) {
        QFile damaged(path);
        EXPECT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(bytes);
        damaged.close();
        try {
            readEntry(path, QStringLiteral("a.xml"));
            return QStringLiteral("read");
        } catch (const DataError &failure) {
            return failure.message();
        }
    };
    const QString expected = QStringLiteral("Sešit damaged.xlsx je poškozen: komprimovaná data "
                                            "jsou porušena");
    // A changed byte in the packed data.
    QByteArray bytes = good;
    bytes[30 + 5 + 1000] = char(bytes[30 + 5 + 1000] ^ 0x5A);
    EXPECT_EQ(readDamaged(bytes), expected);
    // A CRC that does not match, changed alike in the entry's header and in the directory.
    bytes = good;
    const qsizetype end = bytes.size() - 22;
    const auto directory = qsizetype(quint8(bytes[end + 16])) | (quint8(bytes[end + 17]) << 8)
        | (quint8(bytes[end + 18]) << 16);
    bytes[14] = char(bytes[14] ^ 1);
    bytes[directory + 16] = char(bytes[directory + 16] ^ 1);
    EXPECT_EQ(readDamaged(bytes), expected);
}

// A change of a workbook rewrites its package: the replaced sheet is packed anew (in pieces
// when large), the removed part is gone, every other entry is copied packed as it was, bytes
// of any value included.
TEST(ZipWriter, ARewrittenPackageCopiesTheOtherEntriesAsTheyWere)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kniha.xlsx"));
    std::string binary = noiseOf(70'000);
    binary[0] = '\0'; // a copied entry is bytes, not a text ending at its first zero
    {
        ZipWriter zip(path, path, time(nullptr));
        zip.addWhole("docProps/thumbnail.bin", binary, 6);
        zip.addWhole("xl/worksheets/sheet1.xml", "<old/>", 6);
        zip.addWhole("xl/calcChain.xml", "<calcChain/>", 0);
        zip.addWhole("xl/žluťoučký.xml", "<x/>", 6);
        zip.finish();
    }
    const std::string sheet = sampleText(3'500'000);
    rewritePackage(
        path, { { QStringLiteral("xl/worksheets/sheet1.xml"), QByteArray::fromStdString(sheet) } },
        { QStringLiteral("xl/calcChain.xml") });

    EXPECT_EQ(readEntry(path, QStringLiteral("docProps/thumbnail.bin")),
              QByteArray::fromStdString(binary));
    EXPECT_EQ(readEntry(path, QStringLiteral("xl/worksheets/sheet1.xml")),
              QByteArray::fromStdString(sheet));
    EXPECT_EQ(readEntry(path, QStringLiteral("xl/žluťoučký.xml")), QByteArray("<x/>"));
    EXPECT_FALSE(ZipArchive(path).contains(QStringLiteral("xl/calcChain.xml")));
    const QJsonObject read = test::pythonJson(QString::fromLatin1(kReadZip), { path }).object();
    EXPECT_TRUE(read[QStringLiteral("bad")].isNull());
    QStringList names;
    for (const QJsonValue entry : read[QStringLiteral("entries")].toArray())
        names << entry[0].toString();
    EXPECT_EQ(names,
              (QStringList { "docProps/thumbnail.bin", "xl/worksheets/sheet1.xml",
                             QStringLiteral("xl/žluťoučký.xml") }));
}

// Bytes that lie in memory in several parts go into one entry in their order: whole when
// small, cut into pieces across the parts' ends when large.
TEST(ZipWriter, BytesInPartsGoIntoOneEntryInTheirOrder)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("parts.zip"));
    const std::string middle = sampleText(2'500'000);
    {
        ZipWriter zip(path, path, time(nullptr));
        writeBytesInPieces(zip, "large.xml", { "<sst>", "", middle, "</sst>" });
        writeBytesInPieces(zip, "small.xml", { "<a>", "b", "</a>" });
        zip.finish();
    }
    EXPECT_EQ(readEntry(path, QStringLiteral("large.xml")),
              QByteArray::fromStdString("<sst>" + middle + "</sst>"));
    EXPECT_EQ(readEntry(path, QStringLiteral("small.xml")), QByteArray("<a>b</a>"));
}
