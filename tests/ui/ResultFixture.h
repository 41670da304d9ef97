#pragma once

#include "ServerSession.h"

#include "support/ProgramFixture.h"
#include "support/PythonJson.h"

#include <QJsonDocument>
#include <QTemporaryDir>

namespace vrl::test {

// The program connected to a fresh database of the MariaDB server of ./dev test, with its
// program folder in a temporary folder, for the commands that work on a shown result: the
// exports and the history.
class ResultFixture : public ProgramFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh database named after the test, filled by the statements, connected; the table,
    // when one is named, chosen in the table choice.
    void openDatabase(const QStringList &statements, const QString &table = QString());
    // Writes the statement into the SQL editor, leaves it and presses Go.
    void run(const QString &statement);
    QStringList messages() const { return prompts.textsOf(QStringLiteral("message")); }
    QString path(const QString &name) const { return m_folder.filePath(name); }

    QTemporaryDir m_folder; // the program folder, and room for the exported files
    QByteArray m_previousHome;
};

// The bytes of a file.
QByteArray fileBytes(const QString &path);

} // namespace vrl::test
