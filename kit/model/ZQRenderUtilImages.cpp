#include "kit/model/ZQRenderUtil.h"

#include "kit/model/ZQAttachedObjects.h"
#include "kit/foundation/ImageExs.h"
#include "platform/foundation/FileWrapper.h"

#include <QDir>
#include <QFileInfo>

QString ZQRenderUtil::getImageMarkerPath(const ZQAttachedImageObject& image)
{
    const QString& url = image.url();
    const QString& fileName = image.imageFileName();
    if (!url.isEmpty() && !fileName.isEmpty())
        return url.endsWith(QLatin1Char('/')) ? url + fileName : url + QLatin1Char('/') + fileName;
    return url.isEmpty() ? fileName : url;
}

void ZQRenderUtil::loadImageMarkerLink(const QString& link, ZQAttachedImageObject& image, const QString& scanImagePath,
                                       const QString& urlPrefix)
{
    static const char* const remote[] = {"http://", "https://", "ftp://", "news://"};
    for (const char* scheme : remote) {
        if (link.startsWith(QLatin1String(scheme))) {
            image.setUrl(link);
            return;
        }
    }
    QString fileName = link;
    const bool prefixed = !urlPrefix.isEmpty() && link.startsWith(urlPrefix);
    if (prefixed)
        fileName = link.mid(urlPrefix.size());
    plat::ImagePtr loaded;
    if (!scanImagePath.isEmpty()) {
        const QString path = QDir::cleanPath(scanImagePath + QLatin1Char('/') + fileName);
        if (QFileInfo(path).isFile())
            loaded = Exs::imageWithContentsOfFile(path);
    }
    image.setOriginalImage(loaded);
    image.setOriginalSize(loaded ? loaded->size() : QSizeF(0, 0));
    image.setOriginalFileName(fileName);
    image.setImageFileName(fileName);
    image.setResize(image.originalSize());
    if (prefixed)
        image.setUrl(urlPrefix);
}

std::shared_ptr<plat::FileWrapper> ZQRenderUtil::fileWrapperForImage(const QString& fileName, const plat::Image& image)
{
    auto wrapper = plat::FileWrapper::initRegularFileWithContents(Exs::contentOfData(image));
    wrapper->setFilename(fileName);
    wrapper->setPreferredFilename(fileName);
    return wrapper;
}
