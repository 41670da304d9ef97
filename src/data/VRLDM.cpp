#include "data/VRLDM.h"

#include "basic/ProgramPaths.h"

#include <cassert>

namespace vrl {

namespace {

TDM *instance = nullptr;

constexpr int kCommandTimeout = 15;
constexpr int kConnectionTimeout = 30;

void prepare(Connection &connection, bool loginPrompt)
{
    connection.setCommandTimeout(kCommandTimeout);
    connection.setConnectionTimeout(kConnectionTimeout);
    connection.setLoginPrompt(loginPrompt);
}

} // namespace

TDM::TDM()
    : vrxTbl(Dataset::Kind::Table)
    , ssTbl(Dataset::Kind::Table)
    , impQuery(Dataset::Kind::Query)
    , diSourceTable(Dataset::Kind::Table)
{
    assert(!instance);
    instance = this;

    prepare(vrlConnect, false);
    prepare(diConnect, true);
    vrxTbl.setConnection(&vrlConnect);
    ssTbl.setConnection(&vrlConnect);
    impQuery.setConnection(&vrlConnect);
    diSourceTable.setConnection(&diConnect);

    vrlSDlg.kind = FileDialog::Kind::Save;
    vrlSDlg.defaultExt = QStringLiteral("csv");
    vrlSDlg.initialDir = exportStartFolder();
    vrlSDlg.filter = QStringLiteral("CSV text file (*.csv)|*.csv|MS Excel worksheet file "
                                    "(*.xls)|*.xls|XML tagged text file (*.xml)|*.xml|any file "
                                    "(*.*)|*.*");

    vrlODlg.kind = FileDialog::Kind::Open;
    vrlODlg.defaultExt = QStringLiteral("qzq");
    vrlODlg.title = QStringLiteral("Select file");
    vrlODlg.filter = QStringLiteral("MS Excel worksheet file (*.xls)|*.xls|CSV import file "
                                    "(*.csv)|*.csv|any file (*.*)|*.*|OpenCalc worksheet file "
                                    "(*.ods)|*.ods");
}

TDM::~TDM()
{
    // The datasets close before their connections go.
    vrxTbl.setConnection(nullptr);
    ssTbl.setConnection(nullptr);
    impQuery.setConnection(nullptr);
    diSourceTable.setConnection(nullptr);
    instance = nullptr;
}

TDM &DM()
{
    assert(instance);
    return *instance;
}

} // namespace vrl
