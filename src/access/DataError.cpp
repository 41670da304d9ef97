#include "access/DataError.h"

namespace vrl {

DataError::DataError(const QString &message, const QString &sqlState, int nativeCode)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_sqlState(sqlState)
    , m_nativeCode(nativeCode)
{ }

} // namespace vrl
