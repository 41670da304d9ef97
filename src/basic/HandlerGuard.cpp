#include "basic/HandlerGuard.h"

#include "access/DataError.h"
#include "basic/Prompts.h"

#include <QString>

namespace vrl {

QString failureMessage(const std::exception &failure)
{
    if (const auto *error = dynamic_cast<const DataError *>(&failure))
        return error->message();
    return QString::fromUtf8(failure.what());
}

void reportUncaught(std::exception_ptr failure)
{
    QString message;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &error) {
        message = failureMessage(error);
    } catch (...) {
        message = QStringLiteral("Neznámá chyba.");
    }
    prompts().show(PromptKind::Error, message);
}

} // namespace vrl
