// The connection-string parser and its translation to an ODBC string: any text either throws
// DataError or gives pairs that survive a round trip through the writer.

#include "FuzzSupport.h"

#include "access/ConnectionString.h"
#include "access/DataError.h"
#include "access/Provider.h"
#include "access/odbc/OdbcConnectionString.h"

#include <cstdlib>

using namespace vrl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::textOf(data, size);
    try {
        const ConnectionString string(text);
        const auto provider = string.value(QStringLiteral("Provider"));
        (void)odbc::isSqlServerProvider(provider);
        ConnectOptions options;
        // Typed credentials replace those of the string, as the login prompt gives them.
        options.credentialsGiven = size > 0 && (data[0] & 1);
        options.user = string.value(QStringLiteral("User ID"));
        options.password = string.value(QStringLiteral("Password"));
        const auto target = odbc::odbcTargetFor(
            string, options, { QStringLiteral("MariaDB Unicode"), QStringLiteral("FreeTDS") });
        // What the writer makes, the reader reads back the same.
        const auto pairs = odbc::parseOdbcString(target.connectionString);
        if (odbc::parseOdbcString(odbc::joinOdbcString(pairs)) != pairs)
            std::abort();
    } catch (const DataError &) { }
    // The ODBC reader alone on the raw text.
    try {
        (void)odbc::parseOdbcString(text);
    } catch (const DataError &) { }
    return 0;
}
