// The .xlsx reader (zip and XML), then the sheet patcher: a workbook that reads is opened as
// a database, its first cell changed and posted, and the file read again, which must show the
// new value. Anything else ends in DataError.

#include "FuzzSupport.h"

#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/Dataset.h"
#include "access/workbook/XlsxReader.h"

#include <cstdlib>

using namespace vrl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::scratchFile(fuzz::bytesOf(data, size), QStringLiteral(".xlsx"));
    try {
        (void)workbook::readXlsx(path);
    } catch (const DataError &) {
        return 0;
    }
    const QString written = QStringLiteral("fuzz ✓ <&>");
    try {
        Connection connection;
        connection.setConnectionString(excelWorkbook(path));
        connection.open();
        const QStringList tables = connection.tableNames();
        if (tables.isEmpty())
            return 0;
        Dataset table(Dataset::Kind::Table);
        table.setConnection(&connection);
        table.setCommandText(tables.first());
        table.open();
        if (table.recordCount() == 0 || table.fieldCount() == 0
            || table.field(0).type() != FieldType::Text)
            return 0;
        table.edit();
        table.field(0).setValue(Value::text(written));
        table.post();
        table.close();
        table.open();
        if (table.field(0).text() != written) // what was posted is what the file now holds
            std::abort();
    } catch (const DataError &) { }
    return 0;
}
