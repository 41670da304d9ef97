#include "ImportBench.h"

#include "BenchFigures.h"

#include "app/Program.h"
#include "app/VRLMain.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "import/qZ_dImport.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <stdexcept>

namespace vrl::bench {

namespace {

// Fills the MySQL dialog with the benchmark's source database and says yes to every question.
class ImportPrompts : public Prompts
{
public:
    void show(PromptKind, const QString &text) override { shown = text; }
    bool confirm(const QString &) override { return true; }
    bool runFileDialog(FileDialog &) override { return false; }
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
};

template<typename T> T &child(QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no control ") + name);
    return *found;
}

} // namespace

void runImportBench(TvrlForm &form)
{
    constexpr double kRows = 100000;
    const double cliMs = cliMilliseconds(qEnvironmentVariable("VORLAN_BENCH_IMP_CLI"), 1);

    Connection &connection = DM().vrlConnect;
    connection.close();
    connection.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                   + qEnvironmentVariable("VORLAN_BENCH_IMP_ODBC")
                                   + QLatin1Char('"'));
    connection.open();
    DM().vrxTbl.close();
    DM().vrxTbl.setCommandText(QStringLiteral("tgt"));
    DM().vrxTbl.open();

    ImportPrompts answers;
    Prompts &before = prompts();
    setPrompts(&answers);
    TdImpForm &window = child<TdImpForm>(form, "dImpForm");
    window.show();
    QApplication::processEvents();
    child<RadioGroup>(window, "diTypeRG").setItemIndex(3);
    window.diTypeRGClick();
    window.diConnectBtnClick();
    auto &tables = child<QComboBox>(window, "tblSelCoB");
    tables.setCurrentIndex(tables.findText(QStringLiteral("src")));
    window.tblSelCoBSelect();
    child<QComboBox>(window, "sourceFieldCoB").setCurrentIndex(0);
    child<QComboBox>(window, "destFieldCoB").setCurrentIndex(0);
    window.addBtnClick(); // the batch of the three pairs
    window.translateChLBDblClick();
    child<QRadioButton>(window, "insertRB").setChecked(true);
    window.updateGoButton();
    if (!child<QPushButton>(window, "diGoBtn").isEnabled())
        throw std::runtime_error("the import is not ready to run");
    const double importMs = millisecondsOf([&] { window.diGoBtnClick(); });
    if (answers.shown != QStringLiteral("Import [I]: 100000 rec(s)"))
        throw std::runtime_error("the import ended with: " + answers.shown.toStdString());
    window.diExitBtnClick();
    setPrompts(&before == &answers ? nullptr : &before);

    std::printf("# 100000 rows; import %.0f ms, client %.0f ms\n", importMs, cliMs);
    report("import_rows_per_s_ratio", (kRows / importMs) / (kRows / cliMs), "");
}

void runImportBenchAlone()
{
    Program program(*qApp);
    runImportBench(program.mainWindow());
}

} // namespace vrl::bench
