#pragma once

namespace vrl {

class Connection;

// Holds a connection's file writes for a run of many statements (an import into a workbook
// writes the file once, not once a row). finish() writes what is held and throws when that
// fails; a run that ends by an error instead writes it as it unwinds, where a second failure
// is dropped: the run's own error is the one reported.
class HeldWrites
{
public:
    explicit HeldWrites(Connection *connection);
    ~HeldWrites();
    HeldWrites(const HeldWrites &) = delete;
    HeldWrites &operator=(const HeldWrites &) = delete;

    void finish();

private:
    Connection *m_connection;
};

} // namespace vrl
