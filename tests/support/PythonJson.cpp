#include "PythonJson.h"

#include <QJsonParseError>
#include <QProcess>

#include <gtest/gtest.h>

namespace vrl::test {

QJsonDocument pythonJson(const QString &script, const QStringList &arguments)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 QStringList { QStringLiteral("-c"), script } + arguments);
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document;
}

} // namespace vrl::test
