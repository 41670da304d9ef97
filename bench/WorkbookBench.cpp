#include "WorkbookBench.h"

#include "BenchFigures.h"
#include "GeneratedWorkbook.h"

#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/Dataset.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace vrl::bench {

namespace {

constexpr int kRows = 100'000;

} // namespace

// Ten columns as spreadsheet programs write them: shared strings, numbers, dates, booleans.
void generateBenchWorkbook(const QString &path)
{
    test::GeneratedWorkbook book;
    static const char *const names[] = { "Novák", "Šťastná", "Čermák", "Dvořák", "Úlehla" };
    for (int i = 0; i < kRows; ++i)
        book.addSharedString(
            QStringLiteral("<si><t>%1 %2</t></si>").arg(QString::fromUtf8(names[i % 5])).arg(i));
    QString rows = QStringLiteral("<row r=\"1\">");
    const char *const titles[]
        = { "Id", "Jméno", "Cena", "Datum", "Podíl", "Pozn", "Počet", "Kód", "Ok", "Město" };
    for (int c = 0; c < 10; ++c)
        rows += QStringLiteral("<c r=\"%1%2\" t=\"inlineStr\"><is><t>%3</t></is></c>")
                    .arg(QChar(u'A' + c))
                    .arg(1)
                    .arg(QString::fromUtf8(titles[c]));
    rows += QStringLiteral("</row>");
    for (int i = 0; i < kRows; ++i) {
        const int r = i + 2;
        rows += QStringLiteral(
                    "<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\" t=\"s\"><v>%2</v></c>"
                    "<c r=\"C%1\"><v>%3</v></c><c r=\"D%1\" s=\"1\"><v>%4</v></c>"
                    "<c r=\"E%1\"><v>%5</v></c>%6<c r=\"G%1\"><v>%7</v></c>"
                    "<c r=\"H%1\" t=\"inlineStr\"><is><t>K%8</t></is></c>"
                    "<c r=\"I%1\" t=\"b\"><v>%9</v></c>"
                    "<c r=\"J%1\" t=\"inlineStr\"><is><t>Brno</t></is></c></row>")
                    .arg(r)
                    .arg(i)
                    .arg(double(i % 100000) / 100 + 0.01)
                    .arg(36526 + i % 9000)
                    .arg(double(i) / 7, 0, 'g', 15)
                    .arg(i % 3 == 0 ? QString()
                                    : QStringLiteral("<c r=\"F%1\" t=\"inlineStr\"><is><t>pozn. "
                                                     "%2</t></is></c>")
                                          .arg(r)
                                          .arg(i % 1000))
                    .arg(i % 1000)
                    .arg(i % 65536, 6, 16, QLatin1Char('0'))
                    .arg(i % 2);
    }
    book.addSheet(QStringLiteral("Data"), rows);
    book.save(path);
}

void runWorkbookBench()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.xlsx"));
    generateBenchWorkbook(path);

    Connection connection;
    Dataset table(Dataset::Kind::Table);
    table.setConnection(&connection);
    table.setCommandText(QStringLiteral("[Data$]"));
    connection.setConnectionString(excelWorkbook(path));
    // The first open, then two more on a new connection: the median of the three.
    std::vector<double> opens;
    for (int run = 0; run < 3; ++run) {
        connection.close();
        opens.push_back(millisecondsOf([&] {
            connection.open();
            table.open();
        }));
    }
    // A statement at once after the open waits for the embedded database, which is filled
    // after the open: shown apart, and the posts below come after it, as a user's would.
    const double statementMs = millisecondsOf(
        [&] { connection.provider().run(QStringLiteral("SELECT COUNT(*) FROM [Data$]")); });
    const double openMs = median(opens);
    std::printf("# workbook of %d records, %lld bytes\n", table.recordCount(),
                qint64(QFileInfo(path).size()));
    report("workbook_open_ms", openMs, "ms");
    report("workbook_first_statement_ms", statementMs, "ms");
    report("workbook_peak_rss_mb", peakResidentMegabytes(), "MB");

    table.moveTo(kRows / 2);
    const QStringList towns { QStringLiteral("Ostrava"), QStringLiteral("Plzeň"),
                              QStringLiteral("Jihlava") };
    std::vector<double> posts;
    for (const QString &town : towns) {
        posts.push_back(millisecondsOf([&] {
            table.fieldByName(QStringLiteral("Město")).setText(town);
            table.post();
        }));
    }
    report("workbook_post_ms", median(posts), "ms");
}

} // namespace vrl::bench
