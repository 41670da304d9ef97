// The tools menu's windows: the help viewer and the record editor of the SONGBASE table.
#include "app/VRLMain.h"

#include "ui_VRLMain.h"

#include "access/Dataset.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "tools/qZ_Html.h"
#include "tools/vrxSongEdit.h"

namespace vrl {

void TvrlForm::setToolWindows(TsbForm &songEditor, ThtmlView &helpViewer)
{
    m_sbForm = &songEditor;
    m_htmlView = &helpViewer;
    Dataset &table = DM().vrxTbl;
    m_sbForm->setDataset(table);
    // The record editor is offered only while its table is open: "&Odpojit", a new connection
    // or a refresh that fails close the table without a new table choice.
    connect(&table, &Dataset::stateChanged, this, [this, &table] {
        ui->songbaseMItem->setEnabled(table.isActive()
                                      && table.commandText() == QLatin1String("SONGBASE"));
    });
    connect(ui->ghelpMItem, &QAction::triggered, this, guarded([this] { ghelpMItemClick(); }));
    connect(ui->songbaseMItem, &QAction::triggered, this,
            guarded([this] { songbaseMItemClick(); }));
}

void TvrlForm::ghelpMItemClick()
{
    showHelp(*m_htmlView, prompts());
}

void TvrlForm::songbaseMItemClick()
{
    m_sbForm->startFresh();
    prompts().runModal(*m_sbForm);
}

} // namespace vrl
