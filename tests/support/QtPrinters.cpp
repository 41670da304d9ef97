#include "support/QtPrinters.h"

#include "access/Value.h"

namespace vrl {

void PrintTo(const Value &value, std::ostream *out)
{
    if (value.isNull()) {
        *out << "NULL";
        return;
    }
    *out << fieldTypeName(*value.type()).toStdString() << " \"" << value.toText().toStdString()
         << '"';
}

} // namespace vrl
