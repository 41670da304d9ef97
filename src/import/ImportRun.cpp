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

#include <algorithm>
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

namespace {

// An INSERT run sends its rows in batches, each in one wait on the server (see
// Dataset::appendRecords): handing every row's statement to the wait's thread and back cost as
// much as a fifth of the run. A batch grows while it ends well within the time the windows may
// wait for their next turn, and shrinks when it takes longer.
constexpr size_t kFirstBatchRows = 4;
constexpr size_t kMostBatchRows = 64;
constexpr qint64 kBatchMs = 15;

size_t nextBatchRows(size_t rows, size_t sent, qint64 ms)
{
    if (ms > kBatchMs)
        return std::max<size_t>(1, rows / 2);
    if (sent == rows && ms < kBatchMs / 2)
        return std::min(kMostBatchRows, rows * 2);
    return rows;
}

} // namespace

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
    const auto betweenRows = [&](int record) {
        ui->diGauge->setValue(gaugePercent(record, source.recordCount()));
        if (sinceEvents.elapsed() >= kEventsEveryMs) {
            // Window messages with input held back, Esc taken as a stop, as during a statement.
            letWindowsTurn();
            sinceEvents.restart();
        }
    };

    // The fields of the relations, found once. A field that is not there fails every row that
    // would be written to it, as when each row looked it up.
    std::vector<int> sourceFields;
    std::vector<int> targetFields;
    std::exception_ptr relationFailure;
    try {
        for (const auto &[from, to] : relations) {
            targetFields.push_back(target.fieldByName(to).index());
            sourceFields.push_back(source.fieldByName(from).index());
        }
    } catch (...) {
        relationFailure = std::current_exception();
    }

    // The control relation's values of the target, looked up once per source row: an index
    // of them built once, not a walk through the target each time. A row written here holds
    // a value the next rows must find as well.
    std::optional<Dataset::FieldValues> existing;
    int targetKeyField = -1;
    if (inserting && !control.isEmpty()) {
        existing = target.fieldValues(targetKey);
        targetKeyField = target.fieldByName(targetKey).index();
    }
    // The relation that gives a written row its control value, so that a later row of the same
    // batch with that value waits for the batch: whether the target holds the value then
    // depends on whether the row was written. A value the database makes (a counter) is known
    // only once written, so each such row is a batch of its own.
    int keyRelation = -1;
    for (size_t i = 0; i < targetFields.size(); ++i) {
        if (targetFields[i] == targetKeyField)
            keyRelation = int(i);
    }
    const bool keyMadeByDatabase = existing && keyRelation < 0
        && target.rows().fields()[size_t(targetKeyField)].autoIncrement;

    // A workbook target takes the run's rows into its file once, before the summary counts
    // them (or as an error ends the run), not once a row.
    HeldWrites held(target.connection());
    if (inserting) {
        // The batch's source record numbers, and its values by relation.
        std::vector<int> batch;
        std::vector<std::vector<Value>> values;
        std::optional<Dataset::FieldValues> batchKeys;
        size_t batchRows = keyMadeByDatabase ? 1 : kFirstBatchRows;
        while (goOn && !source.eof()) {
            // The next rows the target does not hold yet, up to the first that cannot be
            // decided before the rows before it are written.
            batch.clear();
            values.clear();
            if (existing)
                batchKeys = existing->emptyLike();
            while (batch.size() < batchRows && !source.eof()) {
                const int record = source.recNo();
                if (existing) {
                    bool held;
                    try {
                        const Value key = source.fieldByName(sourceKey).value();
                        held = existing->contains(key);
                        if (!held && batchKeys->contains(key))
                            break;
                    } catch (...) {
                        if (batch.empty())
                            throw; // the general error report, after the rows before
                        break;
                    }
                    if (held) {
                        betweenRows(record);
                        source.next();
                        continue;
                    }
                }
                std::vector<Value> &row = values.emplace_back();
                if (!relationFailure) {
                    row.reserve(sourceFields.size());
                    for (int field : sourceFields)
                        row.push_back(source.field(field).value());
                    if (keyRelation >= 0) {
                        try {
                            batchKeys->add(row[size_t(keyRelation)]);
                        } catch (const std::exception &) {
                            // A value that does not convert fails its row before it is sent.
                        }
                    }
                }
                batch.push_back(record);
                source.next();
                if (relationFailure)
                    break;
            }

            // The batch, and after a row that failed, the rows after it.
            size_t next = 0;
            while (goOn && next < batch.size()) {
                Dataset::Appended appended;
                QElapsedTimer took;
                took.start();
                if (relationFailure) {
                    appended.failure = relationFailure;
                } else if (next == 0) {
                    appended = target.appendRecords(targetFields, values);
                } else {
                    appended = target.appendRecords(
                        targetFields, { values.begin() + qsizetype(next), values.end() });
                }
                for (size_t i = 0; i < appended.written; ++i) {
                    if (existing)
                        existing->add(target.valueAt(
                            target.recordCount() - int(appended.written) + int(i), targetKeyField));
                    ++written;
                }
                next += appended.written;
                if (!keyMadeByDatabase)
                    batchRows = nextBatchRows(batchRows, appended.written, took.elapsed());
                if (next < batch.size()) {
                    const int record = batch[next];
                    ++next;
                    if (lastWaitStopped()) {
                        // The user stopped the row's statement: the run ends after it.
                        goOn = false;
                        break;
                    }
                    noteError(record);
                    if (showErrors) {
                        QString message;
                        try {
                            std::rethrow_exception(appended.failure);
                        } catch (const std::exception &failure) {
                            message = failureMessage(failure);
                        }
                        goOn = prompts().confirm(
                            QStringLiteral("Při zápisu záznamu %1 došlo k chybě:\r\n").arg(record)
                            + BreakLongLines(message, 80)
                            + QStringLiteral("\r\n\r\nPřesto pokračovat?"));
                        showErrors
                            = prompts().confirm(QStringLiteral("Zobrazovat chybové hlášení?"));
                    }
                }
                betweenRows(batch[next - 1]);
            }
        }
    } else {
        while (goOn && !source.eof()) {
            const int record = source.recNo();
            if (editing && target.locate(targetKey, source.fieldByName(sourceKey).value())) {
                target.edit();
                try {
                    for (const auto &[from, to] : relations)
                        target.fieldByName(to).setValue(source.fieldByName(from).value());
                    target.post();
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
            betweenRows(record);
            source.next();
        }
    }
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
