#include "query/SuperSearch.h"

#include "areas/WorkAreaHost.h"
#include "basic/FieldSearch.h"
#include "basic/GaugeSteps.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "data/VRLDM.h"
#include "regional/Regional.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTime>

#include <cmath>

namespace vrl {

namespace {

constexpr int kStatusPanel = 1;
// Window messages run between records, but not more often than this: a repaint per record
// would cost more than the search itself.
constexpr qint64 kEventsEveryMs = 40;

} // namespace

SuperSearch::SuperSearch(WorkAreaHost &host, const SuperSearchControls &controls, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , ui(controls)
{
    connect(ui.sSearchBtn, &QPushButton::clicked, this, guarded([this] { sSearchBtnClick(); }));
}

void SuperSearch::sSearchBtnClick()
{
    // A second start while the search waits at a hit would walk the same dataset anew.
    if (m_running)
        return;
    QScopedValueRollback<bool> running(m_running, true);
    run();
}

void SuperSearch::run()
{
    QElapsedTimer started;
    started.start();
    const auto elapsed = [&started] {
        return QTime(0, 0)
            .addMSecs(int(started.elapsed()))
            .toString(Regional::system().timeFormat());
    };
    const QString key = Regional::system().upperCase(ui.tSearchE->text());
    const QString quotedKey = quotedText(key);
    Prompts &prompts = m_host.prompts();
    QProgressBar &gauge = m_host.gauge();
    Dataset &table = m_host.dataModule().ssTbl;
    QElapsedTimer sinceEvents;
    sinceEvents.start();

    bool goOn = true;
    try {
        const QStringList names = m_host.dataModule().vrlConnect.tableNames();
        for (const QString &name : names) {
            if (!goOn)
                break;
            ui.tblSB->setPanelText(kStatusPanel,
                                   QStringLiteral(" SuperSearch: ") + name + QStringLiteral("..."));
            QApplication::processEvents();
            sinceEvents.restart();
            table.close();
            table.setCommandText(name);
            table.open();
            table.first();
            gauge.setValue(0);

            const FieldSearch search(table, key);
            const int count = table.recordCount();
            int shownPercent = 0;
            for (int row = 0; row < count && goOn; ++row) {
                const int field = search.firstHit(row);
                const int percent = gaugePercent(row + 1, count);
                if (percent != shownPercent)
                    gauge.setValue(shownPercent = percent);
                if (field >= 0) {
                    goOn = false;
                    table.moveTo(row + 1);
                    ui.tblSB->setPanelText(
                        kStatusPanel,
                        QStringLiteral(" výraz %1 nalezen v tabulce %2, záznam číslo %3, "
                                       "položka %4... v čase %5")
                            .arg(quotedKey, name, QString::number(row + 1),
                                 table.field(field).name(), elapsed()));
                    if (prompts.confirm(QStringLiteral("výraz ") + quotedKey
                                        + QStringLiteral(" nalezen; pokračovat?"))) {
                        goOn = true;
                        if (!prompts.confirm(QStringLiteral("zůstat v tabulce?")))
                            break; // on with the next table
                    } else {
                        ui.tblGrid->setFocus();
                    }
                }
                if (sinceEvents.elapsed() >= kEventsEveryMs) {
                    QApplication::processEvents();
                    sinceEvents.restart();
                }
            }
            gauge.setValue(0);
            table.close();
        }
    } catch (const std::exception &failure) {
        table.close();
        prompts.show(PromptKind::Message,
                     QStringLiteral("chyba SuperSearch:\n\r[") + failureMessage(failure)
                         + QLatin1Char(']'));
    }
    gauge.setValue(0);
    QApplication::processEvents();
    if (goOn) {
        ui.tblSB->setPanelText(kStatusPanel,
                               QStringLiteral(" výraz ") + quotedKey
                                   + QStringLiteral(" nebyl procesem SuperSearch nalezen; doba "
                                                    "trvání ")
                                   + elapsed());
        prompts.show(PromptKind::Message, QStringLiteral("konec procesu SuperSearch"));
    }
}

} // namespace vrl
