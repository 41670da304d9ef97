#include "QueryAreaBench.h"

#include "BenchFigures.h"

#include "app/VRLMain.h"
#include "basic/QueryColumnSum.h"
#include "data/VRLDM.h"
#include "query/QueryArea.h"
#include "widgets/StatusBar.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>

#include <stdexcept>

namespace vrl::bench {

void runQueryAreaBench(TvrlForm &form)
{
    QueryArea &area = form.queryArea();
    auto *status = form.findChild<StatusBar *>(QStringLiteral("querySB"));
    const QString table = qEnvironmentVariable("VORLAN_BENCH_TABLE");
    form.findChild<QPlainTextEdit *>(QStringLiteral("qMemo"))
        ->setPlainText(QStringLiteral("SELECT * FROM ") + table);
    // The reference open runs in turn with the Go, five times each, on the program's connection
    // and in the same state of the program's memory: a million rows read at the start of the
    // process, into memory nothing has used yet, come noticeably faster than any later read,
    // and two reads in a row differ by up to a seventh on a shared machine. The reference runs
    // the same statement (a table's own open reads it in parts, a statement is read whole).
    Dataset reference(Dataset::Kind::Query);
    reference.setConnection(&DM().vrlConnect);
    reference.setCommandText(QStringLiteral("SELECT * FROM ") + table);
    std::vector<double> goMs, referenceMs;
    for (int run = 0; run < 5; ++run) {
        goMs.push_back(millisecondsOf([&] {
            status->setPanelText(0, QString());
            area.qGoBtnClick();
        }));
        if (!status->panelText(0).startsWith(QStringLiteral(" 1. záznam z ")))
            throw std::runtime_error("the result was not shown");
        form.vrxQuery().close();
        referenceMs.push_back(millisecondsOf([&] { reference.open(); }));
        reference.close();
    }
    area.qGoBtnClick(); // the result stays for the figures below
    std::printf("# query shown in %.0f ms, the reference open in turn %.0f ms\n", median(goMs),
                median(referenceMs));
    report("query_show_ratio", median(goMs) / median(referenceMs), "");

    auto *gauge = form.findChild<QProgressBar *>(QStringLiteral("qGauge"));
    QString sum;
    report("auto_sum_ms",
           medianMilliseconds(
               3, [&] { sum = SumQueryColumn(form.vrxQuery(), *gauge, QStringLiteral("price")); }),
           "ms");
    if (!sum.startsWith(QStringLiteral(" price: ")))
        throw std::runtime_error("the auto-sum failed: " + sum.toStdString());

    form.findChild<QLineEdit *>(QStringLiteral("qSearchE"))
        ->setText(QStringLiteral("tohle tam není"));
    report("query_search_full_ms", millisecondsOf([&] { area.qSearchBtnClick(); }), "ms");

    // The exports write the whole result into a temporary folder.
    QTemporaryDir folder;
    const auto exportMs = [&](ResultExport::Form kind, const QString &name) {
        return medianMilliseconds(3, [&] {
            const auto outcome = area.resultExport().writeFile(kind, folder.filePath(name));
            if (outcome.records != form.vrxQuery().recordCount())
                throw std::runtime_error("the export did not write every record");
        });
    };
    const double csvMs = exportMs(ResultExport::Form::Csv, QStringLiteral("result.csv"));
    report("export_csv_ms", csvMs, "ms");
    report("export_xml_ms", exportMs(ResultExport::Form::Xml, QStringLiteral("result.xml")), "ms");
    // The workbook of the same result, against the CSV export of this run.
    const double workbookMs = exportMs(ResultExport::Form::Workbook, QStringLiteral("result.xlsx"));
    std::printf(
        "# workbook of %lld bytes\n",
        static_cast<long long>(QFileInfo(folder.filePath(QStringLiteral("result.xlsx"))).size()));
    report("export_xlsx_ms", workbookMs, "ms");
    report("export_xlsx_ratio", workbookMs / csvMs, "");
    area.qcloseBtnClick();
}

} // namespace vrl::bench
