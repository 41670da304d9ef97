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
    adopt(vrxTbl, vrlConnect);
    adopt(ssTbl, vrlConnect);
    adopt(impQuery, vrlConnect);
    adopt(diSourceTable, diConnect);

    vrlSDlg.kind = FileDialog::Kind::Save;
    vrlSDlg.defaultExt = QStringLiteral("csv");
    vrlSDlg.initialDir = exportStartFolder();
    // The workbook type comes last, so that the four types before keep their numbers.
    vrlSDlg.filter = QStringLiteral("CSV text file (*.csv)|*.csv|MS Excel worksheet file "
                                    "(*.xls)|*.xls|XML tagged text file (*.xml)|*.xml|any file "
                                    "(*.*)|*.*|sešit MS Excel (*.xlsx)|*.xlsx");

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
    for (const auto &[dataset, connection] : m_datasets) {
        if (dataset)
            dataset->setConnection(nullptr);
    }
    instance = nullptr;
}

void TDM::adopt(Dataset &dataset, Connection &connection)
{
    dataset.setConnection(&connection);
    for (auto &entry : m_datasets) {
        if (entry.first == &dataset) {
            entry.second = &connection;
            return;
        }
    }
    m_datasets.emplace_back(&dataset, &connection);
}

void TDM::reopen(Connection &connection)
{
    connection.close();
    for (const auto &[dataset, owner] : m_datasets) {
        if (dataset && owner == &connection)
            dataset->setConnection(nullptr);
    }
    connection.open();
    if (!connection.isConnected())
        return;
    for (const auto &[dataset, owner] : m_datasets) {
        if (dataset && owner == &connection)
            dataset->setConnection(&connection);
    }
}

TDM &DM()
{
    assert(instance);
    return *instance;
}

} // namespace vrl
