#include "access/DataError.h"
#include "access/Provider.h"
#include "access/odbc/OdbcProvider.h"
#include "access/sqlite/SqliteProvider.h"
#include "access/workbook/WorkbookProvider.h"

namespace vrl {

std::unique_ptr<Provider> createProvider(const ConnectionString &string)
{
    const QString name = string.value(QStringLiteral("Provider"));
    if (name.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        return std::make_unique<SqliteProvider>();
    if (WorkbookProvider::handles(string))
        return std::make_unique<WorkbookProvider>();
    if (odbc::isSqlServerProvider(name) || odbc::isOdbcBridgeProvider(name))
        return std::make_unique<OdbcProvider>();
    throw DataError(QStringLiteral("Provider nebyl nalezen: ") + name);
}

} // namespace vrl
