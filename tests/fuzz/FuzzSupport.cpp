#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <stdexcept>

namespace vrl::fuzz {

QString scratchFile(const QByteArray &bytes, const QString &suffix)
{
    const QString path = QDir::temp().filePath(
        QStringLiteral("vorlan-fuzz-%1%2").arg(QCoreApplication::applicationPid()).arg(suffix));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("the fuzz input could not be written to a scratch file");
    return path;
}

} // namespace vrl::fuzz
