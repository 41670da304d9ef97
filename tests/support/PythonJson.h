#pragma once

#include <QJsonDocument>
#include <QString>
#include <QStringList>

namespace vrl::test {

// Runs a python3 script with arguments and reads what it prints as JSON.
QJsonDocument pythonJson(const QString &script, const QStringList &arguments);

} // namespace vrl::test
