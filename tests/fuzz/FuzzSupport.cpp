#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <stdexcept>

namespace vrl::fuzz {

namespace {

// The scratch files this process wrote, taken away as it ends: libFuzzer runs a target many
// times over the same file, and nothing else would remove it.
class ScratchFiles
{
public:
    ~ScratchFiles()
    {
        for (const QByteArray &path : m_paths)
            std::remove(path.constData());
    }
    void note(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        if (!m_paths.contains(name))
            m_paths << name;
    }

private:
    QList<QByteArray> m_paths;
};

ScratchFiles &scratchFiles()
{
    static ScratchFiles files;
    return files;
}

} // namespace

QString scratchFile(const QByteArray &bytes, const QString &suffix)
{
    const QString path = QDir::temp().filePath(
        QStringLiteral("vorlan-fuzz-%1%2").arg(QCoreApplication::applicationPid()).arg(suffix));
    scratchFiles().note(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("the fuzz input could not be written to a scratch file");
    return path;
}

} // namespace vrl::fuzz
