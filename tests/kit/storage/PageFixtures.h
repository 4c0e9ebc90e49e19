#pragma once
// Pages and image bytes for the page package tests.

#include "kit/model/ZQAttachedObjects.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/foundation/ImageExs.h"
#include "kit/storage/ZSAbstractDocument.h"
#include "platform/foundation/Json.h"

#include "support/InstalledSettings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <map>

namespace pages {

inline QByteArray encodedImage(const char* format, int width = 64, int height = 48, int quality = -1)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.fillRect(0, 0, width / 2, height / 2, QColor(200, 40, 30));
        painter.setPen(Qt::blue);
        painter.drawEllipse(4, 4, width - 8, height - 8);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// A two-frame 1x1 GIF that loops: Qt reads it but cannot write it.
inline QByteArray animatedGif()
{
    QByteArray gif("GIF89a");
    gif.append("\x01\x00\x01\x00\x80\x00\x00", 7);
    gif.append("\x00\x00\x00\xff\xff\xff", 6);
    gif.append("\x21\xff\x0b" "NETSCAPE2.0" "\x03\x01\x00\x00\x00", 19);
    for (int frame = 0; frame < 2; ++frame) {
        gif.append("\x21\xf9\x04\x00\x0a\x00\x00\x00", 8);
        gif.append("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
        gif.append(frame == 0 ? QByteArray("\x02\x02\x44\x01\x00", 5) : QByteArray("\x02\x02\x4c\x01\x00", 5));
    }
    gif.append('\x3b');
    return gif;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// Every file of a package by name.
inline std::map<QString, QByteArray> packageFiles(const QString& path)
{
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(path).entryList(QDir::Files | QDir::Hidden))
        files[name] = readFile(QDir(path).filePath(name));
    return files;
}

inline std::shared_ptr<ZQAttachedStorage> onlyImage(const ZQRenderContext& context)
{
    const auto images = context.getAttachedStorageByOwner(QStringLiteral("ZQMacroImage"));
    return images.size() == 1 ? images.front() : nullptr;
}

inline const QString RichMarkup = QStringLiteral(
    "A page with ![a picture](%1) a note[^1] and a [link](https://example.com/x).\n\n[^1]: The note.\n");

// A rich page showing one image (original and a half-size shown copy when
// withShown), a footnote and a link, selection {3, 4}.
inline ZSAbstractDocumentPtr richPage(const QByteArray& imageBytes, const QString& fileName, bool withShown = true)
{
    installedSettings();
    auto doc = ZSAbstractDocument::create();
    plat::MutableAttributedString rich =
        doc->markupRender()->renderMarkupToRich(plat::AttributedString(RichMarkup.arg(fileName)), false, ZQMarkupType::Markdown);
    const auto storage = onlyImage(*doc->renderContext());
    const auto payload = storage->attachedObject();
    payload->setOriginalImage(Exs::loadImageFromData(imageBytes));
    payload->setOriginalSize(payload->originalImage()->size());
    if (withShown) {
        const QSizeF half = payload->originalImage()->size() / 2;
        payload->setImage(Exs::imageResize(*payload->originalImage(), half));
        payload->setResize(half);
    }
    doc->markupRender()->updateImageRichContent(rich, {{storage->uuid(), payload}});
    doc->richTextStorage()->setAttributedString(rich);
    doc->setStorageType(2);
    doc->setSelectionRange(plat::Range(3, 4));
    return doc;
}

inline const QString Type = ZSAbstractDocument::pageDocumentType();

// The package's description, empty when it is missing or not an object.
inline plat::ValueMap jsonOf(const QString& package)
{
    const auto parsed = plat::parseJson(readFile(package + QStringLiteral("/main.json")));
    return parsed && parsed->isMap() ? parsed->toMap() : plat::ValueMap();
}

inline ZSAbstractDocumentPtr markdownPage(const QString& markup)
{
    installedSettings();
    auto doc = ZSAbstractDocument::create();
    plat::MutableAttributedString text{plat::AttributedString(markup)};
    doc->markupRender()->highlightMarkdown(text);
    doc->markupTextStorage()->setAttributedString(text);
    doc->setStorageType(0);
    return doc;
}

inline ZSAbstractDocumentPtr opened(const QString& path)
{
    auto doc = ZSAbstractDocument::create();
    QString error;
    if (!doc->readFromURL(QUrl::fromLocalFile(path), ZSAbstractDocument::pageDocumentType(), &error))
        return nullptr;
    return doc;
}

} // namespace pages
