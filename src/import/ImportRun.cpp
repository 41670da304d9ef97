// The import run: every row of the source table into the target table through the checked
// relations, in INSERT or EDIT/UPDATE mode, each row on its own; or the STV file through its
// own engine.
#include "import/qZ_dImport.h"

#include "ui_qZ_dImport.h"

#include "access/HeldWrites.h"
#include "basic/GaugeSteps.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "basic/SeparatedItem.h"
#include "basic/StvImport.h"
#include "basic/WindowServerWait.h"
#include "data/VRLDM.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <cmath>
#include <optional>

namespace vrl {

void TdImpForm::diGoBtnClick()
{
    QScopedValueRollback<bool> running(m_running, true);
    m_runningType = ui->diTypeRG->itemIndex();
    emit runStarted();
    const auto ended = qScopeGuard([this] { emit runEnded(); });
    if (ui->diTypeRG->itemIndex() == 0)
        runStvImport();
    else
        runTableImport();
}

void TdImpForm::runStvImport()
{
    const QString table = DM().vrxTbl.commandText();
    qint32 count = 0;
    const quint8 status = ImportCSVFile(table, DM().impQuery, DM().vrlODlg, *ui->diGauge, count);
    QString message;
    switch (status) {
    case StvStatus::Read:
        message = count <= 0 ? QStringLiteral("žádné záznamy nebyly importovány")
                             : QStringLiteral("CSV import OK [%1 záznamů]").arg(count);
        break;
    case StvStatus::NoTable:
        message = QStringLiteral("Tabulka ") + table + QStringLiteral(" nebyla nalezena!");
        break;
    case StvStatus::NoFile:
        message = QStringLiteral("Nebyl vybrán CSV soubor!");
        break;
    case StvStatus::BadHeader:
        message = QStringLiteral("Chybná hlavička CSV souboru!");
        break;
    default:
        message = QStringLiteral("Import přerušen uživatelem...");
        break;
    }
    prompts().show(PromptKind::Message, message);
}

void TdImpForm::runTableImport()
{
    Dataset &source = DM().diSourceTable;
    Dataset &target = DM().vrxTbl;
    const QString control = ui->ctrlFieldsE->text();
    const QString sourceKey = SeparatedItem(control, 0, QLatin1Char(';'));
    const QString targetKey = SeparatedItem(control, 1, QLatin1Char(';'));
    // Each checked relation cut once into its source and target field.
    std::vector<std::pair<QString, QString>> relations;
    for (const QString &entry : checkedRelations())
        relations.emplace_back(SeparatedItem(entry, 0, QLatin1Char(';')),
                               SeparatedItem(entry, 1, QLatin1Char(';')));
    const bool inserting = ui->insertRB->isChecked();
    const bool editing = ui->editRB->isChecked();

    // The source grid catches up at the end instead of following every row.
    ui->tblGrid->detach();
    const auto attach = qScopeGuard([this] { ui->tblGrid->attach(); });
    ui->posLbl->setText(QStringLiteral("wait..."));
    qint32 written = 0;
    QString errors;
    ui->diGauge->setValue(0);
    // A source that is not open ends the run here, in the general error report.
    source.first();
    bool goOn = true;
    bool showErrors = true;
    // Window messages run between rows, but not more often than this: a repaint of the target
    // grid after every row would cost more than writing the row.
    constexpr qint64 kEventsEveryMs = 40;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const auto noteError = [&errors](int record) {
        errors += (errors.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(record);
    };
    const auto copyFields = [&] {
        for (const auto &[from, to] : relations)
            target.fieldByName(to).setValue(source.fieldByName(from).value());
        target.post();
    };

    // The control relation's values of the target, looked up once per source row: an index
    // of them built once, not a walk through the target each time. A row written here holds
    // a value the next rows must find as well.
    std::optional<Dataset::FieldValues> existing;
    if (inserting && !control.isEmpty())
        existing = target.fieldValues(targetKey);
    // A workbook target takes the run's rows into its file once, before the summary counts
    // them (or as an error ends the run), not once a row.
    HeldWrites held(target.connection());
    QuickCalls quickCalls; // a statement a row
    while (goOn && !source.eof()) {
        const int record = source.recNo();
        if (inserting) {
            const bool isNew
                = !existing || !existing->contains(source.fieldByName(sourceKey).value());
            if (isNew) {
                target.append();
                try {
                    copyFields();
                    if (existing)
                        existing->add(target.fieldByName(targetKey).value());
                    ++written;
                } catch (const std::exception &failure) {
                    target.cancel();
                    if (lastWaitStopped()) {
                        // The user stopped the row's statement: the run ends after it.
                        goOn = false;
                        continue;
                    }
                    noteError(record);
                    if (showErrors) {
                        goOn = prompts().confirm(
                            QStringLiteral("Při zápisu záznamu %1 došlo k chybě:\r\n").arg(record)
                            + BreakLongLines(failureMessage(failure), 80)
                            + QStringLiteral("\r\n\r\nPřesto pokračovat?"));
                        showErrors
                            = prompts().confirm(QStringLiteral("Zobrazovat chybové hlášení?"));
                    }
                }
            }
        } else if (editing) {
            if (target.locate(targetKey, source.fieldByName(sourceKey).value())) {
                target.edit();
                try {
                    copyFields();
                    ++written;
                } catch (const std::exception &) {
                    target.cancel();
                    if (lastWaitStopped()) {
                        goOn = false;
                        continue;
                    }
                    noteError(record);
                    goOn = prompts().confirm(
                        QStringLiteral("Při edici záznamu %1 došlo k chybě.\r\nPřesto "
                                       "pokračovat?")
                            .arg(record));
                }
            }
        }
        const int count = source.recordCount();
        ui->diGauge->setValue(gaugePercent(record, count));
        if (sinceEvents.elapsed() >= kEventsEveryMs) {
            // Window messages with input held back, Esc taken as a stop, as during a statement.
            letWindowsTurn();
            sinceEvents.restart();
        }
        source.next();
    }
    quickCalls.end();
    held.finish();
    ui->posLbl->setText(QStringLiteral("...done"));
    ui->diGauge->setValue(0);

    QString summary = written > 0 ? QStringLiteral("Import [%1]: %2 rec(s)")
                                        .arg(inserting ? QLatin1Char('I') : QLatin1Char('E'))
                                        .arg(written)
                                  : QStringLiteral("Nebyly importovány žádné záznamy...");
    if (!errors.isEmpty())
        summary += QStringLiteral("\r\n\r\nerrs:\r\n") + BreakLongLines(errors, 60);
    prompts().show(PromptKind::Message, summary);
}

} // namespace vrl
