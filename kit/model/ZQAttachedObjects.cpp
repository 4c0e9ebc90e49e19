#include "kit/model/ZQAttachedObjects.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/foundation/ImageExs.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Size.h"
#include "platform/text/AttributedText.h"

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The image-payload keys whose values are plain texts, in the JSON form and the archive alike.
struct TextField {
    const char* key;
    const QString& (ZQAttachedImageObject::*get)() const;
    void (ZQAttachedImageObject::*set)(QString);
};

const TextField ImageTexts[] = {
    {"originalFileName", &ZQAttachedImageObject::originalFileName, &ZQAttachedImageObject::setOriginalFileName},
    {"imageLabel", &ZQAttachedImageObject::imageLabel, &ZQAttachedImageObject::setImageLabel},
    {"imageTitle", &ZQAttachedImageObject::imageTitle, &ZQAttachedImageObject::setImageTitle},
    {"imageFileName", &ZQAttachedImageObject::imageFileName, &ZQAttachedImageObject::setImageFileName},
    {"url", &ZQAttachedImageObject::url, &ZQAttachedImageObject::setUrl},
    {"dropboxHash", &ZQAttachedImageObject::dropboxHash, &ZQAttachedImageObject::setDropboxHash},
    {"dropboxRev", &ZQAttachedImageObject::dropboxRev, &ZQAttachedImageObject::setDropboxRev},
    {"originalImageHash", &ZQAttachedImageObject::originalImageHash, &ZQAttachedImageObject::setOriginalImageHash},
    {"imageHash", &ZQAttachedImageObject::imageHash, &ZQAttachedImageObject::setImageHash},
    {"waitingDownloadingFileHash", &ZQAttachedImageObject::waitingDownloadingFileHash,
     &ZQAttachedImageObject::setWaitingDownloadingFileHash},
};

plat::ImagePtr copyWithMetadata(const plat::ImagePtr& image)
{
    if (!image)
        return nullptr;
    auto copy = plat::objectCast<plat::Image>(image->copy());
    if (const ZSImageMetadataPtr metadata = Exs::metadata(*image))
        Exs::setMetadata(*copy, plat::objectCast<ZSImageMetadata>(metadata->copy()));
    return copy;
}

[[maybe_unused]] const bool registered = [] {
    using plat::KeyedUnarchiver;
    KeyedUnarchiver::registerClass(QStringLiteral("ZQAttachedTextObject"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto text = ZQAttachedTextObject::create();
        if (const auto content = plat::objectCast<plat::AttributedText>(c.decodeObject(QStringLiteral("content"))))
            text->setAttributedString(content->text());
        text->setSelection(c.decodeString(QStringLiteral("selection")));
        return text;
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQAttachedLinkObject"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto link = ZQAttachedLinkObject::create();
        link->setLinkUrl(c.decodeString(QStringLiteral("linkUrl")));
        link->setLinkTitle(c.decodeString(QStringLiteral("linkTitle")));
        link->setLinkRefLabel(c.decodeString(QStringLiteral("linkRefLabel")));
        link->setLinkType(quint64(c.decodeInteger(QStringLiteral("linkType"))));
        return link;
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQAttachedImageObject"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto image = ZQAttachedImageObject::createEmpty();
        image->setOriginalImage(plat::objectCast<plat::Image>(c.decodeObject(QStringLiteral("originalImage"))));
        image->setImage(plat::objectCast<plat::Image>(c.decodeObject(QStringLiteral("image"))));
        image->setOriginalSize(plat::sizeFromString(c.decodeString(QStringLiteral("originalSize"))));
        image->setResize(plat::sizeFromString(c.decodeString(QStringLiteral("resize"))));
        for (const TextField& field : ImageTexts)
            (image.get()->*field.set)(c.decodeString(QLatin1String(field.key)));
        if (c.containsValue(QStringLiteral("originalUpdatedDate")))
            image->setOriginalUpdatedDate(
                QDateTime::fromMSecsSinceEpoch(qint64(c.decodeDouble(QStringLiteral("originalUpdatedDate")) * 1000.0)));
        image->setResizeAssociated(c.decodeBool(QStringLiteral("resizeAssociated")));
        image->setResizePercentage(quint64(c.decodeInteger(QStringLiteral("resizePercentage"))));
        return image;
    });
    return true;
}();

} // namespace

// --- Footnote body -------------------------------------------------------------

ZQAttachedTextObject::ZQAttachedTextObject()
    : m_undoMgr(std::make_shared<plat::UndoManager>()), m_textStorage(std::make_shared<plat::TextStorage>())
{
}

std::shared_ptr<ZQAttachedTextObject> ZQAttachedTextObject::create()
{
    return std::shared_ptr<ZQAttachedTextObject>(new ZQAttachedTextObject());
}

void ZQAttachedTextObject::setAttributedString(const plat::AttributedString& text)
{
    m_content = plat::MutableAttributedString(text);
    m_textStorage->setAttributedString(text);
}

void ZQAttachedTextObject::refreshContent() const
{
    m_content = plat::MutableAttributedString(*m_textStorage);
}

plat::AttributedString ZQAttachedTextObject::getAttributedString()
{
    refreshContent();
    return m_content;
}

std::shared_ptr<plat::Object> ZQAttachedTextObject::copy() const
{
    refreshContent();
    auto copy = create();
    copy->m_selection = m_selection;
    copy->setAttributedString(m_content);
    return copy;
}

void ZQAttachedTextObject::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    refreshContent();
    coder.encodeObject(QStringLiteral("content"), plat::AttributedText::create(m_content));
    coder.encodeString(QStringLiteral("selection"), m_selection);
}

// --- Link ------------------------------------------------------------------------

std::shared_ptr<ZQAttachedLinkObject> ZQAttachedLinkObject::create()
{
    return std::make_shared<ZQAttachedLinkObject>();
}

std::shared_ptr<plat::Object> ZQAttachedLinkObject::copy() const
{
    return std::make_shared<ZQAttachedLinkObject>(*this);
}

void ZQAttachedLinkObject::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeString(QStringLiteral("linkUrl"), m_linkUrl);
    coder.encodeString(QStringLiteral("linkTitle"), m_linkTitle);
    coder.encodeString(QStringLiteral("linkRefLabel"), m_linkRefLabel);
    coder.encodeInteger(QStringLiteral("linkType"), qint64(m_linkType));
}

// --- Image -----------------------------------------------------------------------

std::shared_ptr<ZQAttachedImageObject> ZQAttachedImageObject::createEmpty()
{
    return std::shared_ptr<ZQAttachedImageObject>(new ZQAttachedImageObject());
}

std::shared_ptr<ZQAttachedImageObject> ZQAttachedImageObject::create()
{
    auto image = createEmpty();
    image->m_resizePercentage = 100;
    image->m_resizeAssociated = true;
    return image;
}

plat::ValueMap ZQAttachedImageObject::asJSONDictionary(const QString& attachedStorageUuid) const
{
    auto text = [](const QString& s) { return plat::Value(s.isNull() ? QStringLiteral("") : s); };
    plat::ValueMap json;
    json[QStringLiteral("attachedStorageUuid")] = text(attachedStorageUuid);
    json[QStringLiteral("originalSize")] = plat::sizeToString(m_originalSize);
    json[QStringLiteral("resize")] = plat::sizeToString(m_resize);
    for (const TextField& field : ImageTexts)
        json[QLatin1String(field.key)] = text((this->*field.get)());
    json[QStringLiteral("originalUpdatedDate")] = text(plat::DateFormatter(DateFormat).stringFromDate(m_originalUpdatedDate));
    json[QStringLiteral("resizeAssociated")] = m_resizeAssociated;
    json[QStringLiteral("resizePercentage")] = qint64(m_resizePercentage);
    return json;
}

std::shared_ptr<ZQAttachedStorage> ZQAttachedImageObject::loadFromJSONDictionary(const plat::ValueMap& dictionary)
{
    auto value = [&](const char* key) {
        const auto it = dictionary.find(QLatin1String(key));
        return it == dictionary.end() ? plat::Value() : it->second;
    };
    auto image = create();
    image->setOriginalSize(plat::sizeFromString(value("originalSize").toString()));
    image->setResize(plat::sizeFromString(value("resize").toString()));
    for (const TextField& field : ImageTexts)
        (image.get()->*field.set)(value(field.key).toString());
    image->setResizeAssociated(value("resizeAssociated").toBool());
    image->setResizePercentage(quint64(std::max<qint64>(value("resizePercentage").toInteger(), 0)));
    const plat::Value date = value("originalUpdatedDate");
    image->setOriginalUpdatedDate(date.isNull() ? QDateTime::currentDateTime()
                                                : plat::DateFormatter(DateFormat).dateFromString(date.toString()));

    auto storage = ZQAttachedStorage::create();
    storage->setUuid(value("attachedStorageUuid").toString());
    storage->setOwner(ZQAttr::MacroImage);
    storage->setAttachedObject(image);
    return storage;
}

std::shared_ptr<plat::Object> ZQAttachedImageObject::copy() const
{
    auto copy = create();
    *copy = *this;
    copy->m_originalImage = copyWithMetadata(m_originalImage);
    copy->m_image = copyWithMetadata(m_image);
    return copy;
}

void ZQAttachedImageObject::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeObject(QStringLiteral("originalImage"), m_originalImage);
    coder.encodeString(QStringLiteral("originalSize"), plat::sizeToString(m_originalSize));
    coder.encodeString(QStringLiteral("originalFileName"), m_originalFileName);
    coder.encodeObject(QStringLiteral("image"), m_image);
    coder.encodeString(QStringLiteral("imageLabel"), m_imageLabel);
    coder.encodeString(QStringLiteral("imageTitle"), m_imageTitle);
    coder.encodeString(QStringLiteral("imageFileName"), m_imageFileName);
    coder.encodeString(QStringLiteral("resize"), plat::sizeToString(m_resize));
    coder.encodeString(QStringLiteral("url"), m_url);
    coder.encodeString(QStringLiteral("dropboxHash"), m_dropboxHash);
    coder.encodeString(QStringLiteral("dropboxRev"), m_dropboxRev);
    coder.encodeString(QStringLiteral("originalImageHash"), m_originalImageHash);
    coder.encodeString(QStringLiteral("imageHash"), m_imageHash);
    coder.encodeString(QStringLiteral("waitingDownloadingFileHash"), m_waitingDownloadingFileHash);
    if (m_originalUpdatedDate.isValid())
        coder.encodeDouble(QStringLiteral("originalUpdatedDate"), double(m_originalUpdatedDate.toMSecsSinceEpoch()) / 1000.0);
    coder.encodeBool(QStringLiteral("resizeAssociated"), m_resizeAssociated);
    coder.encodeInteger(QStringLiteral("resizePercentage"), qint64(m_resizePercentage));
}
