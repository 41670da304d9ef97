// The data access component on a table of 1,000,000 rows x 8 mixed columns in MariaDB:
// opening it against the command-line client reading the same rows in the same run, the
// memory it takes, and the filter, sorts, locate and one grid screen on it; and before it, a
// generated workbook (see WorkbookBench.h).
//
// Expects VORLAN_BENCH_ODBC (the ODBC string), VORLAN_BENCH_CLI (the client command line
// that prints the table's rows) and VORLAN_BENCH_TABLE; ./dev bench sets them.
#include "BenchFigures.h"
#include "HelpViewerBench.h"
#include "ImportBench.h"
#include "StartupBench.h"
#include "TableAreaBench.h"
#include "WorkbookBench.h"

#include "access/Connection.h"
#include "access/DataError.h"
#include "access/Dataset.h"
#include "access/ResultMemory.h"
#include "access/RowSort.h"
#include "access/odbc/OdbcProvider.h"
#include "data/controls/DatasetModel.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>

using namespace vrl;
using namespace vrl::bench;

namespace {

constexpr int kRuns = 3;

// The benchmark's server, without a time limit for its statements.
void connectToBenchServer(Connection &connection)
{
    connection.setCommandTimeout(0);
    connection.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                   + qEnvironmentVariable("VORLAN_BENCH_ODBC")
                                   + QStringLiteral("\""));
    connection.open();
}

// The large run: ten million rows opened once, against one run of the client.
void runLarge()
{
    Connection connection;
    connectToBenchServer(connection);
    Dataset data(Dataset::Kind::Table);
    data.setConnection(&connection);
    data.setCommandText(qEnvironmentVariable("VORLAN_BENCH_TABLE"));
    const double openMs = millisecondsOf([&] { data.open(); });
    const int records = data.recordCount();
    const double peak = peakResidentMegabytes();
    data.close();
    const double cliMs = cliMilliseconds(qEnvironmentVariable("VORLAN_BENCH_CLI"), 1);
    std::printf("# %d records; open %.0f ms, client %.0f ms\n", records, openMs, cliMs);
    report("open_10m_peak_rss_mb", peak, "MB");
    report("open_10m_ratio_vs_cli", openMs / cliMs, "");
}

// Returns the median time of the open, the reference of the table area's figures.
double run()
{
    const QString table = qEnvironmentVariable("VORLAN_BENCH_TABLE");
    Connection connection;
    connectToBenchServer(connection);
    Dataset data(Dataset::Kind::Table);
    data.setConnection(&connection);
    data.setCommandText(table);

    int records = 0;
    const auto open = [&] {
        data.close();
        data.open();
        records = data.recordCount();
    };
    // The first open of the run takes every page fresh from the system.
    const double residentBefore = residentMegabytes();
    const double firstMs = millisecondsOf(open);
    const auto partsOfLastOpen = [&connection] {
        const auto *odbc = dynamic_cast<const OdbcProvider *>(&connection.provider());
        if (!odbc || odbc->lastPartTimes().parts == 0)
            return QString();
        const OdbcProvider::PartTimes times = odbc->lastPartTimes();
        return QStringLiteral("%1 parts: first received in %2 ms, fetched and converted in %3 ms, "
                              "waited for the next %4 ms")
            .arg(times.parts)
            .arg(times.firstMs, 0, 'f', 0)
            .arg(times.convertMs, 0, 'f', 0)
            .arg(times.waitMs, 0, 'f', 0);
    };
    const QString firstParts = partsOfLastOpen();
    const double openMs = medianMilliseconds(kRuns, open);
    const double peak = peakResidentMegabytes();
    const double cliMs = cliMilliseconds(qEnvironmentVariable("VORLAN_BENCH_CLI"));
    std::printf("# %d records; first open %.0f ms, open %.0f ms, client %.0f ms; resident "
                "before the first open %.0f MB\n",
                records, firstMs, openMs, cliMs, residentBefore);
    if (!firstParts.isEmpty())
        std::printf("# first open: %s; the last open: %s\n", qPrintable(firstParts),
                    qPrintable(partsOfLastOpen()));
    report("first_open_ratio_vs_cli", firstMs / cliMs, "");
    report("open_ratio_vs_cli", openMs / cliMs, "");
    report("open_peak_rss_mb", peak, "MB");

    report("filter_ms",
           medianMilliseconds(kRuns,
                              [&] {
                                  data.setFiltered(false);
                                  data.setFilter(QStringLiteral("qty > 500"));
                                  data.setFiltered(true);
                              }),
           "ms");
    data.setFiltered(false);
    const double sortNumericMs
        = medianMilliseconds(kRuns, [&] { data.setSort(QStringLiteral("ratio DESC")); });
    report("sort_numeric_ms", sortNumericMs, "ms");
    // The same rows sorted by a comparison sort in the same process: std::stable_sort of the
    // (value, row) pairs, from the order the table comes in. Then both on the rows shuffled,
    // where no order found beforehand helps the program's sort.
    data.setSort(QString());
    const int ratioField = data.rows().fieldIndex(QStringLiteral("ratio"));
    const Column &ratio = data.rows().column(ratioField);
    const auto stdSortMs = [&](const std::vector<quint32> &order) {
        return medianMilliseconds(kRuns, [&] {
            std::vector<std::pair<double, quint32>> pairs(order.size());
            for (size_t i = 0; i < order.size(); ++i)
                pairs[i] = { ratio.numberAt(order[i]), order[i] };
            std::stable_sort(pairs.begin(), pairs.end(),
                             [](const auto &a, const auto &b) { return a.first > b.first; });
        });
    };
    std::vector<quint32> order(size_t(data.rows().rowCount()));
    std::iota(order.begin(), order.end(), 0);
    report("sort_numeric_ratio_vs_std", sortNumericMs / stdSortMs(order), "");
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    const RowSort byRatio(QStringLiteral("ratio DESC"), data.rows());
    const double shuffledMs = medianMilliseconds(kRuns, [&] {
        std::vector<quint32> rows = order;
        byRatio.apply(rows, QLocale::c());
    });
    report("sort_numeric_shuffled_ratio_vs_std", shuffledMs / stdSortMs(order), "");
    report("sort_text_ms",
           medianMilliseconds(kRuns, [&] { data.setSort(QStringLiteral("name ASC")); }), "ms");
    data.setSort(QString());
    report("locate_ms",
           medianMilliseconds(kRuns,
                              [&] {
                                  data.first();
                                  data.locate(QStringLiteral("id"), Value::integer(records - 10));
                              }),
           "ms");

    // One screen of the grid: 40 rows x 8 columns from the middle of the table, as the view
    // asks for them when it paints.
    DatasetModel model;
    model.setDataset(&data);
    const int top = records / 2;
    const int screens = 100;
    const double all = millisecondsOf([&] {
        for (int s = 0; s < screens; ++s) {
            for (int r = top; r < top + 40; ++r) {
                for (int c = 0; c < model.columnCount(); ++c)
                    model.index(r, c).data();
            }
        }
    });
    report("grid_screen_ms", all / screens, "ms");
    return openMs;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--startup") == 0)
        return runStartupChild(argc, argv);
    // The same memory policy as the program's.
    setResultMemoryPolicy();
    QApplication app(argc, argv);
    try {
        const QString only = qEnvironmentVariable("VORLAN_BENCH_ONLY");
        if (only == QLatin1String("startup")) {
            runStartupBench(argv[0]);
            return 0;
        }
        if (only == QLatin1String("stop") || only == QLatin1String("query")) {
            // The query area alone (its figures have references of their own), or the
            // statements that wait on the server and their stop.
            runTableAreaBench(0);
            return 0;
        }
        if (only == QLatin1String("import")) {
            runImportBenchAlone();
            return 0;
        }
        if (only == QLatin1String("large")) {
            runLarge();
            return 0;
        }
        if (only == QLatin1String("workbook")) {
            runWorkbookBench();
            return 0;
        }
        if (only == QLatin1String("open")) {
            // The opens of the table and what they measure, after the workbook as in a whole run.
            runWorkbookBench();
            resetPeakResident();
            run();
            return 0;
        }
        // The start of a program first, on a machine nothing else has warmed for it yet.
        runStartupBench(argv[0]);
        // The workbook next: its peak memory is its own, before the big table's.
        runWorkbookBench();
        resetPeakResident(); // the table's peak is its own
        const double openMs = run();
        runTableAreaBench(openMs);
        // Last: the browser engine stays resident once started, and would count in every
        // peak measured after it.
        runHelpViewerBench(VORLAN_HELP_DOCUMENT);
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "bench failed: %s\n", failure.what());
        return 1;
    }
    return 0;
}
