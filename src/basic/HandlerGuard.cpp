#include "basic/HandlerGuard.h"

#include "basic/Prompts.h"
#include "data/access/DataError.h"

#include <QString>

namespace vrl {

void reportUncaught(std::exception_ptr failure)
{
    QString message;
    try {
        std::rethrow_exception(failure);
    } catch (const DataError &error) {
        message = error.message();
    } catch (const std::exception &error) {
        message = QString::fromUtf8(error.what());
    } catch (...) {
        message = QStringLiteral("Neznámá chyba.");
    }
    prompts().show(PromptKind::Error, message);
}

} // namespace vrl
