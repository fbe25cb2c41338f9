#include "gui/graphs/station_picture.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace orvela {

QStringList ReadablePictureExtensions()
{
    QStringList extensions;
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray& format : formats)
        extensions.append(QString::fromLatin1(format).toLower());
    extensions.removeDuplicates();
    std::sort(extensions.begin(), extensions.end());
    return extensions;
}

PictureFile LoadPictureFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    if (!ReadablePictureExtensions().contains(extension.toLower())) {
        return {QImage(), QStringLiteral("Unknown picture file extension (.%1)").arg(extension)};
    }
    QImageReader reader(path, extension.toLower().toLatin1());
    // A file whose content is of another readable type than its name says still loads.
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    if (picture.isNull())
        return {QImage(), QStringLiteral("Cannot read picture file %1: %2")
                              .arg(QDir::toNativeSeparators(path), reader.errorString())};
    return {picture, QString()};
}

} // namespace orvela
