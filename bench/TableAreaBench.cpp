#include "TableAreaBench.h"

#include "BenchFigures.h"
#include "ImportBench.h"
#include "QueryAreaBench.h"
#include "StatementStopBench.h"
#include "SuperSearchBench.h"

#include "app/Program.h"
#include "app/VRLMain.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "table/TableArea.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace vrl::bench {

namespace {

// Answers every prompt at once, so that the measured commands never wait for a person.
class SilentPrompts : public Prompts
{
public:
    void show(PromptKind, const QString &) override { }
    bool confirm(const QString &) override { return true; }
    bool runFileDialog(FileDialog &) override { return false; }
    int runModal(QDialog &) override { return 0; }
    bool login(QString &, QString &) override { return false; }
};

} // namespace

void runTableAreaBench(double openMs)
{
    SilentPrompts silent;
    setPrompts(&silent);
    {
        Program program(*qApp);
        TvrlForm &form = program.mainWindow();
        TableArea &area = form.tableArea();
        DM().vrlConnect.setConnectionString(
            QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
            + qEnvironmentVariable("VORLAN_BENCH_ODBC") + QLatin1Char('"'));
        DM().vrlConnect.setCommandTimeout(0);
        DM().vrlConnect.open();
        area.loadTableChoice();
        if (qEnvironmentVariable("VORLAN_BENCH_ONLY") == QLatin1String("query")) {
            runQueryAreaBench(form);
            setPrompts(nullptr);
            return;
        }
        if (qEnvironmentVariable("VORLAN_BENCH_ONLY") == QLatin1String("stop")) {
            runStatementStopBench(form);
            setPrompts(nullptr);
            return;
        }
        auto *choice = form.findChild<QComboBox *>(QStringLiteral("TblSelCoB"));
        auto *status = form.findChild<StatusBar *>(QStringLiteral("tblSB"));
        const QString table = qEnvironmentVariable("VORLAN_BENCH_TABLE");
        const double choiceMs = medianMilliseconds(3, [&] {
            choice->setCurrentIndex(choice->findText(table));
            area.TblSelCoBSelect();
            if (!status->panelText(1).contains(QStringLiteral("záznamů")))
                throw std::runtime_error("the table did not open");
        });
        report("table_choice_ratio", choiceMs / openMs, "");

        form.findChild<QLineEdit *>(QStringLiteral("tSearchE"))
            ->setText(QStringLiteral("tohle tam není"));
        report("grid_search_full_ms", millisecondsOf([&] { area.tSearchBtnClick(); }), "ms");

        report("title_click_sort_ms",
               millisecondsOf([&] { DM().vrxTbl.setSort(QStringLiteral("ratio ASC")); }), "ms");

        DM().vrxTbl.close(); // the query's result gets the memory of the table's
        // On the connection the program made, before the searches and the import connect
        // elsewhere.
        runStatementStopBench(form);
        runQueryAreaBench(form);
        runSuperSearchBench(form);
        runImportBench(form);
    }
    setPrompts(nullptr);
}

} // namespace vrl::bench
