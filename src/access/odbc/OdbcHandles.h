#pragma once

#include <QString>

#include <sql.h>
#include <sqlext.h>

namespace vrl::odbc {

// An ODBC handle of one type, freed when it goes out of scope.
template<SQLSMALLINT Type> class Handle
{
public:
    Handle() = default;
    explicit Handle(SQLHANDLE handle)
        : m_handle(handle)
    { }
    ~Handle() { reset(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    Handle(Handle &&other) noexcept
        : m_handle(other.m_handle)
    {
        other.m_handle = SQL_NULL_HANDLE;
    }
    Handle &operator=(Handle &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = other.m_handle;
            other.m_handle = SQL_NULL_HANDLE;
        }
        return *this;
    }

    SQLHANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }
    void reset()
    {
        if (m_handle != SQL_NULL_HANDLE) {
            SQLFreeHandle(Type, m_handle);
            m_handle = SQL_NULL_HANDLE;
        }
    }

private:
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

using EnvHandle = Handle<SQL_HANDLE_ENV>;
using DbcHandle = Handle<SQL_HANDLE_DBC>;
using StmtHandle = Handle<SQL_HANDLE_STMT>;

// Throws DataError carrying every diagnostic record of the handle when the return code is
// not a success; context, when given, goes before the driver's messages.
void check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, const QString &context = {});

// SQLWCHAR text of unixODBC is UTF-16.
inline SQLWCHAR *wide(const QString &text)
{
    return reinterpret_cast<SQLWCHAR *>(
        const_cast<char16_t *>(reinterpret_cast<const char16_t *>(text.utf16())));
}
inline QString fromWide(const SQLWCHAR *text, qsizetype length = -1)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

} // namespace vrl::odbc
