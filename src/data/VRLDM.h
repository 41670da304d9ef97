#pragma once

#include "access/Connection.h"
#include "access/Dataset.h"
#include "basic/FileDialog.h"

#include <QPointer>

#include <utility>
#include <vector>

namespace vrl {

// The data module: the program's two connections, the datasets that work on them and the two
// file dialogs, created once at start-up and reached by every window through DM(). Nothing
// else creates connections. No connection is opened here.
//
// Every dataset keeps its rows on the client, so the static cursor that the table dataset and
// the import statements ask for and the default cursor of the others behave alike.
class TDM
{
public:
    TDM();
    ~TDM();
    TDM(const TDM &) = delete;
    TDM &operator=(const TDM &) = delete;

    // Attaches a dataset that lives elsewhere (the main window's query) to one of the
    // connections, so that reopen() treats it like the module's own.
    void adopt(Dataset &dataset, Connection &connection);
    // Opens one of the connections anew with its connection string: closes it, detaches the
    // datasets that work on it, opens it and attaches them again. When it cannot be opened the
    // error goes on to the caller and the datasets stay detached until the next reopen that
    // succeeds. Every connect and refresh command goes through here.
    void reopen(Connection &connection);

    Connection vrlConnect; // the main connection of the main window
    Dataset vrxTbl; // the table of the "data direct" area
    Dataset ssTbl; // the database-wide search
    Dataset impQuery; // statements of the CSV import and the table area's column sum
    Connection diConnect; // the source connection of the import window
    Dataset diSourceTable; // the import source table
    FileDialog vrlSDlg; // the exports
    FileDialog vrlODlg; // workbook and import source files

private:
    // Every dataset with the connection it belongs to, attached or not; an adopted dataset
    // may go before the module does.
    std::vector<std::pair<QPointer<Dataset>, Connection *>> m_datasets;
};

// The one data module of the run; exists from start-up to the end.
TDM &DM();

} // namespace vrl
