#include "basic/HandlerGuard.h"

#include "access/DataError.h"
#include "access/ServerWait.h"
#include "basic/Prompts.h"

#include <QString>

namespace vrl {

namespace {
int g_commandDepth = 0; // handlers running, one inside the other
}

CommandScope::CommandScope()
{
    if (g_commandDepth++ == 0) {
        if (ServerWait *wait = serverWait())
            wait->commandStarted();
    }
}

CommandScope::~CommandScope()
{
    if (--g_commandDepth == 0) {
        if (ServerWait *wait = serverWait())
            wait->commandEnded();
    }
}

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
