#include "ImportBench.h"

#include "BenchFigures.h"
#include "WorkbookBench.h"

#include "access/ConnectionTemplates.h"
#include "access/Dataset.h"
#include "access/ServerWait.h"
#include "app/Program.h"
#include "app/VRLMain.h"
#include "basic/AnsiText.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "import/qZ_dImport.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>

#include "GeneratedWorkbook.h"

#include <sys/resource.h>

#include <functional>
#include <stdexcept>
#include <vector>

namespace vrl::bench {

namespace {

// Fills the MySQL dialog with the benchmark's source database and says yes to every question.
class ImportPrompts : public Prompts
{
public:
    void show(PromptKind, const QString &text) override { shown = text; }
    bool confirm(const QString &) override { return true; }
    bool runFileDialog(FileDialog &dialog) override
    {
        dialog.fileName = file;
        return !file.isEmpty();
    }
    int runModal(QDialog &dialog) override
    {
        const auto set = [&dialog](const char *name, const QString &text) {
            dialog.findChild<QLineEdit *>(QString::fromLatin1(name))->setText(text);
        };
        set("MySEdit", QStringLiteral("127.0.0.1"));
        set("MyDEdit", QStringLiteral("impbench"));
        set("MyUEdit", QStringLiteral("vorlan"));
        set("MyPEdit", QStringLiteral("vorlan"));
        set("MyPortEdit", qEnvironmentVariable("VORLAN_TEST_MARIADB_PORT"));
        dialog.findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
        return dialog.result();
    }
    bool login(QString &, QString &) override { return false; }

    QString shown;
    QString file; // the answer of the file dialog
};

template<typename T> T &child(QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no control ") + name);
    return *found;
}

// Opens the target table on the main connection.
void openTarget(const QString &connectionString, const QString &table)
{
    Connection &connection = DM().vrlConnect;
    connection.close();
    connection.setConnectionString(connectionString);
    connection.open();
    DM().vrxTbl.close();
    DM().vrxTbl.setCommandText(table);
    DM().vrxTbl.open();
}

QString mariaDbString()
{
    return QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
        + qEnvironmentVariable("VORLAN_BENCH_IMP_ODBC") + QLatin1Char('"');
}

// The milliseconds of a table-to-table INSERT run from the source table of the benchmark's
// MariaDB database into the open target, its three fields paired by position; withControl:
// the first pair is also the control relation, so that a row whose key the target holds is
// passed over.
double tableImportMs(TdImpForm &window, ImportPrompts &answers, const QString &source, int rows,
                     bool withControl = false)
{
    window.show();
    QApplication::processEvents();
    child<RadioGroup>(window, "diTypeRG").setItemIndex(3);
    window.diTypeRGClick();
    window.diConnectBtnClick();
    auto &tables = child<QComboBox>(window, "tblSelCoB");
    tables.setCurrentIndex(tables.findText(source));
    window.tblSelCoBSelect();
    child<QComboBox>(window, "sourceFieldCoB").setCurrentIndex(0);
    child<QComboBox>(window, "destFieldCoB").setCurrentIndex(0);
    if (withControl)
        window.addCtrlBtnClick();
    window.addBtnClick(); // the batch of the three pairs
    window.translateChLBDblClick();
    child<QRadioButton>(window, "insertRB").setChecked(true);
    window.updateGoButton();
    if (!child<QPushButton>(window, "diGoBtn").isEnabled())
        throw std::runtime_error("the import is not ready to run");
    const double ms = millisecondsOf([&] { window.diGoBtnClick(); });
    if (answers.shown != QStringLiteral("Import [I]: %1 rec(s)").arg(rows))
        throw std::runtime_error("the import ended with: " + answers.shown.toStdString());
    window.diExitBtnClick();
    return ms;
}

// The milliseconds of an STV import of answers.file into the open target, which must take
// all of its lines.
double stvImportMs(TdImpForm &window, ImportPrompts &answers, int lines)
{
    window.show();
    QApplication::processEvents();
    child<RadioGroup>(window, "diTypeRG").setItemIndex(0);
    window.diTypeRGClick();
    const double ms = millisecondsOf([&] { window.diGoBtnClick(); });
    if (answers.shown != QStringLiteral("CSV import OK [%1 záznamů]").arg(lines))
        throw std::runtime_error("the STV import ended with: " + answers.shown.toStdString());
    window.diExitBtnClick();
    return ms;
}

// The STV engine into a workbook against the table-to-table run into a copy of it.
void runStvBench(TdImpForm &window, ImportPrompts &answers)
{
    constexpr int kRows = 200;
    QTemporaryDir dir;
    test::GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Cil"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Id</t></is></c>"
                                 "<c r=\"B1\" t=\"inlineStr\"><is><t>Jmeno</t></is></c>"
                                 "<c r=\"C1\" t=\"inlineStr\"><is><t>Cena</t></is></c></row>"));
    const QString stvBook = dir.filePath(QStringLiteral("stv.xlsx"));
    const QString tableBook = dir.filePath(QStringLiteral("tabulka.xlsx"));
    book.save(stvBook);
    book.save(tableBook);
    QStringList lines { QStringLiteral("Id;Jmeno;Cena"), QStringLiteral("INTEGER;STRING;FLOAT") };
    for (int i = 1; i <= kRows; ++i)
        lines << QStringLiteral("%1;Věc %1;%1.25").arg(i);
    answers.file = dir.filePath(QStringLiteral("řádky.csv"));
    writeAnsiLines(answers.file, lines);

    openTarget(excelWorkbook(stvBook), QStringLiteral("[Cil$]"));
    const double stvMs = stvImportMs(window, answers, kRows);

    openTarget(excelWorkbook(tableBook), QStringLiteral("[Cil$]"));
    const double tableMs = tableImportMs(window, answers, QStringLiteral("src200"), kRows);
    std::printf("# %d rows into a workbook; STV %.0f ms, table to table %.0f ms\n", kRows, stvMs,
                tableMs);
    report("stv_rows_per_s_ratio", tableMs / stvMs, "");
}

// A thousand STV lines into the workbook of 100,000 rows, against one edited cell of the same
// workbook posted: the import writes the file once, not once a line.
void runStvWorkbookBench(TdImpForm &window, ImportPrompts &answers)
{
    constexpr int kLines = 1000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sešit.xlsx"));
    generateBenchWorkbook(path);
    openTarget(excelWorkbook(path), QStringLiteral("[Data$]"));
    Dataset &table = DM().vrxTbl;
    std::vector<double> posts;
    for (const QString &town :
         { QStringLiteral("Ostrava"), QStringLiteral("Plzeň"), QStringLiteral("Jihlava") }) {
        table.moveTo(50'000);
        posts.push_back(millisecondsOf([&] {
            table.fieldByName(QStringLiteral("Město")).setText(town);
            table.post();
        }));
    }
    QStringList lines { QStringLiteral("Id;Jméno;Cena;Město"),
                        QStringLiteral("INTEGER;STRING;FLOAT;STRING") };
    for (int i = 1; i <= kLines; ++i)
        lines << QStringLiteral("%1;Nový %1;%1.5;Brno").arg(200'000 + i);
    answers.file = dir.filePath(QStringLiteral("řádky.csv"));
    writeAnsiLines(answers.file, lines);
    const double stvMs = stvImportMs(window, answers, kLines);
    DM().vrxTbl.close();
    DM().vrlConnect.close();
    const double postMs = median(posts);
    std::printf("# %d STV lines into the workbook of 100000 rows; one post %.0f ms\n", kLines,
                postMs);
    report("stv_workbook_1000_ms", stvMs, "ms");
    report("stv_workbook_ratio_vs_post", stvMs / postMs, "");
}

// Waits until the server has purged the rows a DELETE took out and written its changed pages,
// at most a minute: otherwise that work runs during the next timed run, on one of two cores,
// and it may fall to either side. The pages are written at once meanwhile, as ./dev does
// before the benchmark starts.
void settleServer()
{
    Connection &connection = DM().vrlConnect;
    const auto number = [&connection](const QString &sql) {
        const StatementResult result = connection.run(sql);
        return result.hasRows && result.rows.rowCount() > 0
            ? result.rows.value(0, 0).toNumber().value_or(0)
            : 0.0;
    };
    const double dirtyPercent = number(QStringLiteral("SELECT @@innodb_max_dirty_pages_pct"));
    const double dirtyLowMark = number(QStringLiteral("SELECT @@innodb_max_dirty_pages_pct_lwm"));
    connection.run(QStringLiteral(
        "SET GLOBAL innodb_max_dirty_pages_pct_lwm = 0, innodb_max_dirty_pages_pct = 0"));
    QElapsedTimer clock;
    clock.start();
    double history = 0, dirty = 0;
    do {
        history = number(QStringLiteral("SELECT `COUNT` FROM information_schema.INNODB_METRICS "
                                        "WHERE NAME = 'trx_rseg_history_len'"));
        dirty = number(QStringLiteral("SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                                      "WHERE VARIABLE_NAME = 'INNODB_BUFFER_POOL_PAGES_DIRTY'"));
        if (history < 100 && dirty < 100)
            break;
        QThread::msleep(250);
    } while (clock.elapsed() < 60000);
    connection.run(QStringLiteral("SET GLOBAL innodb_max_dirty_pages_pct = %1, "
                                  "innodb_max_dirty_pages_pct_lwm = %2")
                       .arg(dirtyPercent)
                       .arg(dirtyLowMark));
    std::printf("# settled in %lld ms (history %.0f, dirty pages %.0f)\n", clock.elapsed(), history,
                dirty);
}

// The rows both table-to-table import figures copy: the benchmark database's source table
// `src` (keys 1 to 100,000), in five tables of 20,000 rows `src_part0` to `src_part4`, which
// the client sends from five files.
constexpr int kParts = 5;
constexpr int kPartRows = 20000;

// One side of a comparison: its timed run of one part, in milliseconds.
using TimedPart = std::function<double(int part)>;

// The client and the program take turns part by part, in rounds of all five parts; each
// round gives the client's time of its five parts against the program's, and the figure is
// the median over three rounds. Every row waits for the server's commit, and on a shared
// machine that wait switches between a fast and a slow state for tens of seconds at a time
// (the median row took 134 µs in one run and 320 µs in the next, for the client as for the
// program): with whole runs of 100,000 rows in turn, one side could meet one state and the
// other side the other. A part takes a few seconds, so both sides meet nearly the same states.
// Each part of the program is a whole import run of its own: what a run costs once (building
// the index of a million target keys) is paid five times a round.
double interleavedRateRatio(const char *what, const std::function<void()> &beforeRound,
                            const TimedPart &client, const TimedPart &program)
{
    constexpr int kRounds = 3;
    // What each side spent of the processor, and how often its threads went to sleep: the
    // program hands its rows to the wait's thread and back, a batch at a time.
    struct Spent
    {
        double ms = 0, userS = 0, systemS = 0;
        long sleeps = 0, preemptions = 0;
    };
    const auto timed = [](int who, const TimedPart &side, int part, Spent &spent) {
        rusage before {}, after {};
        getrusage(who, &before);
        spent.ms += side(part);
        getrusage(who, &after);
        const auto seconds = [](const timeval &t) {
            return double(t.tv_sec) + t.tv_usec / 1e6;
        };
        spent.userS += seconds(after.ru_utime) - seconds(before.ru_utime);
        spent.systemS += seconds(after.ru_stime) - seconds(before.ru_stime);
        spent.sleeps += after.ru_nvcsw - before.ru_nvcsw;
        spent.preemptions += after.ru_nivcsw - before.ru_nivcsw;
    };
    const auto print = [](const char *who, const Spent &spent) {
        std::printf("#   %s %.0f ms: cpu %.2f s user, %.2f s system; %ld sleeps, %ld preemptions\n",
                    who, spent.ms, spent.userS, spent.systemS, spent.sleeps, spent.preemptions);
    };
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        beforeRound();
        Spent clientSpent, programSpent;
        for (int part = 0; part < kParts; ++part) {
            // Who goes first changes from part to part, so that neither always follows the
            // other's last commits.
            if (part % 2 == 0) {
                timed(RUSAGE_CHILDREN, client, part, clientSpent);
                timed(RUSAGE_SELF, program, part, programSpent);
            } else {
                timed(RUSAGE_SELF, program, part, programSpent);
                timed(RUSAGE_CHILDREN, client, part, clientSpent);
            }
        }
        print("client", clientSpent);
        print("program", programSpent);
        ratios.push_back(clientSpent.ms / programSpent.ms);
        std::printf("# %s, round %d; import %.0f ms, client %.0f ms: %.3f\n", what, round + 1,
                    programSpent.ms, clientSpent.ms, ratios.back());
    }
    return median(ratios);
}

QString partCommand(const char *variable, int part)
{
    return qEnvironmentVariable(variable).arg(part);
}

QString partTable(int part)
{
    return QStringLiteral("src_part%1").arg(part);
}

// The same 100,000 rows into a table that already holds a million others, through the
// control relation: each source row is looked up among the target's keys before it is
// written. The client sends the same rows into a copy of that table. The rows of a round are
// taken out again before the next. Runs on the connection the 100,000-row figure left open.
void runImportIntoMillionBench(TdImpForm &window, ImportPrompts &answers)
{
    const double ratio = interleavedRateRatio(
        "100000 rows into a table of 1000000 by a control relation",
        [] {
            DM().vrxTbl.close();
            for (const char *table : { "tgt_1m", "tgt_1m_cli" })
                DM().vrlConnect.run(QStringLiteral("DELETE FROM %1 WHERE id <= %2")
                                        .arg(QLatin1String(table))
                                        .arg(kParts * kPartRows));
            settleServer();
            openTarget(mariaDbString(), QStringLiteral("tgt_1m"));
        },
        [](int part) { return cliMilliseconds(partCommand("VORLAN_BENCH_IMP_1M_CLI", part), 1); },
        [&](int part) { return tableImportMs(window, answers, partTable(part), kPartRows, true); });
    DM().vrxTbl.close();
    report("import_into_1m_rows_per_s_ratio", ratio, "");
}

// What the window's wait adds to a statement the server answers at once: many statements
// run through it and, in turn, where they are made. An import makes one such statement a row.
void runHandOverBench()
{
    constexpr int kStatements = 5000;
    openTarget(mariaDbString(), QStringLiteral("tgt"));
    const auto statements = [] {
        for (int i = 0; i < kStatements; ++i)
            DM().vrlConnect.run(QStringLiteral("SELECT 1"));
    };
    ServerWait *const installed = serverWait();
    std::vector<double> through, direct;
    for (int run = 0; run < 3; ++run) {
        through.push_back(millisecondsOf(statements));
        setServerWait(nullptr);
        direct.push_back(millisecondsOf(statements));
        setServerWait(installed);
    }
    std::printf("# %d statements; through the window's wait %.0f ms, where made %.0f ms\n",
                kStatements, median(through), median(direct));
    report("statement_handover_ratio", median(through) / median(direct), "");
}

} // namespace

void runImportBench(TvrlForm &form)
{
    runHandOverBench();
    ImportPrompts answers;
    Prompts &before = prompts();
    setPrompts(&answers);
    TdImpForm &window = child<TdImpForm>(form, "dImpForm");
    const double ratio = interleavedRateRatio(
        "100000 rows",
        [] {
            DM().vrlConnect.run(QStringLiteral("TRUNCATE TABLE tgt_cli"));
            DM().vrlConnect.run(QStringLiteral("TRUNCATE TABLE tgt"));
            settleServer();
            openTarget(mariaDbString(), QStringLiteral("tgt"));
        },
        [](int part) { return cliMilliseconds(partCommand("VORLAN_BENCH_IMP_CLI", part), 1); },
        [&](int part) { return tableImportMs(window, answers, partTable(part), kPartRows); });
    report("import_rows_per_s_ratio", ratio, "");
    runImportIntoMillionBench(window, answers);

    runStvBench(window, answers);
    runStvWorkbookBench(window, answers);
    setPrompts(&before == &answers ? nullptr : &before);
}

void runImportBenchAlone()
{
    Program program(*qApp);
    runImportBench(program.mainWindow());
}

} // namespace vrl::bench
