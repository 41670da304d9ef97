#include "access/ServerWait.h"

#include <atomic>

namespace vrl {

namespace {
std::atomic<ServerWait *> g_wait { nullptr };
}

ServerWait *serverWait()
{
    return g_wait;
}

void setServerWait(ServerWait *wait)
{
    g_wait = wait;
}

void waitOnServer(const std::function<void()> &work, const std::function<void()> &cancel)
{
    if (ServerWait *wait = g_wait)
        wait->wait(work, cancel);
    else
        work();
}

bool lastWaitStopped()
{
    ServerWait *wait = g_wait;
    return wait && wait->lastWaitStopped();
}

} // namespace vrl
