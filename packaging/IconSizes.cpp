// Writes the program's icon as the PNG files of the desktop's icon theme: one square picture per
// requested size, made from the window icon at build time.
//
//   vorlan_icon_sizes <source picture> <output folder> <size>...
//
// Writes <output folder>/<n>x<n>/vorlan.png for each size n. Exits non-zero, with the reason on
// standard error, when the picture cannot be read or a file cannot be written.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "vorlan_icon_sizes: %s\n", qPrintable(message));
    return 1;
}

// The window icon is small pixel art: an exact multiple of its size keeps its pixels sharp,
// any other size is resampled smoothly.
QImage scaledIcon(const QImage &source, int size)
{
    const bool exactMultiple
        = size >= source.width() && size % source.width() == 0 && source.width() == source.height();
    return source.scaled(size, size, Qt::IgnoreAspectRatio,
                         exactMultiple ? Qt::FastTransformation : Qt::SmoothTransformation);
}

} // namespace

int main(int argc, char *argv[])
{
    // The JPEG reader is a plugin, found through the application's library paths.
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return fail(QStringLiteral("usage: vorlan_icon_sizes <picture> <folder> <size>..."));

    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    const QImage source = reader.read().convertToFormat(QImage::Format_ARGB32);
    if (source.isNull())
        return fail(
            QStringLiteral("cannot read %1: %2").arg(reader.fileName(), reader.errorString()));

    const QDir output(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size <= 0 || size > 1024)
            return fail(
                QStringLiteral("not an icon size: %1").arg(QString::fromLocal8Bit(argv[i])));
        const QString folder = output.filePath(QStringLiteral("%1x%1").arg(size));
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create %1").arg(folder));
        const QString file = QDir(folder).filePath(QStringLiteral("vorlan.png"));
        if (!scaledIcon(source, size).save(file, "PNG"))
            return fail(QStringLiteral("cannot write %1").arg(file));
    }
    return 0;
}
