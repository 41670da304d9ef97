#include "SuperSearchBench.h"

#include "BenchFigures.h"

#include "app/VRLMain.h"
#include "data/VRLDM.h"
#include "query/SuperSearch.h"
#include "widgets/StatusBar.h"

#include <QLineEdit>

#include <stdexcept>

namespace vrl::bench {

void runSuperSearchBench(TvrlForm &form)
{
    const double cliMs = cliMilliseconds(qEnvironmentVariable("VORLAN_BENCH_SS_CLI"));
    Connection &connection = DM().vrlConnect;
    connection.close();
    connection.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                   + qEnvironmentVariable("VORLAN_BENCH_SS_ODBC")
                                   + QLatin1Char('"'));
    connection.open();
    form.findChild<QLineEdit *>(QStringLiteral("tSearchE"))
        ->setText(QStringLiteral("tohle tam není"));
    auto *status = form.findChild<StatusBar *>(QStringLiteral("tblSB"));
    const double searchMs = medianMilliseconds(3, [&] {
        form.superSearch().sSearchBtnClick();
        if (!status->panelText(1).contains(QStringLiteral("nebyl procesem SuperSearch")))
            throw std::runtime_error("the search did not end as expected");
    });
    std::printf("# ten tables; search %.0f ms, client %.0f ms\n", searchMs, cliMs);
    report("supersearch_ratio", searchMs / cliMs, "");
}

} // namespace vrl::bench
