#include "access/HeldWrites.h"

#include "access/Connection.h"
#include "access/Provider.h"

#include <QScopeGuard>

#include <utility>

namespace vrl {

HeldWrites::HeldWrites(Connection *connection)
    : m_connection(connection && connection->isConnected() ? connection : nullptr)
{
    if (m_connection)
        m_connection->provider().holdWrites(true);
}

HeldWrites::~HeldWrites()
{
    try {
        finish();
    } catch (...) {
        // the run ends by an error of its own, which is the one shown
    }
}

void HeldWrites::finish()
{
    Connection *connection = std::exchange(m_connection, nullptr);
    if (!connection || !connection->isConnected())
        return;
    Provider &provider = connection->provider();
    const auto release = qScopeGuard([&provider] { provider.holdWrites(false); });
    provider.writeHeld();
}

} // namespace vrl
