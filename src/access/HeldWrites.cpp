#include "access/HeldWrites.h"

#include "access/Connection.h"
#include "access/Provider.h"

namespace vrl {

HeldWrites::HeldWrites(Connection *connection)
    : m_connection(connection && connection->isConnected() ? connection : nullptr)
{
    if (m_connection)
        m_connection->provider().holdWrites(true);
}

HeldWrites::~HeldWrites()
{
    if (!m_connection)
        return;
    try {
        if (m_connection->isConnected()) {
            m_connection->provider().writeHeld();
            m_connection->provider().holdWrites(false);
        }
    } catch (...) {
        // the run ends by an error of its own, which is the one shown
    }
}

void HeldWrites::finish()
{
    if (!m_connection)
        return;
    Connection *connection = m_connection;
    m_connection = nullptr;
    if (!connection->isConnected())
        return;
    Provider &provider = connection->provider();
    try {
        provider.writeHeld();
    } catch (...) {
        provider.holdWrites(false);
        throw;
    }
    provider.holdWrites(false);
}

} // namespace vrl
