#include "kit/storage/ZSAbstractDocument.h"

#include "kit/model/ZQEditorTypes.h"

#include "kit/model/ZSTextAttachment.h"
#include "kit/foundation/ZQError.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZSTextThemeApply.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/render/ZQMarkupHelper.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/foundation/ImageExs.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Attributes.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace {

const QString MainMarkup = QStringLiteral("main.md");
const QString MainJson = QStringLiteral("main.json");
const QString RichMemberName = QStringLiteral("rich.qrvpage");
const QString KeyVersion = QStringLiteral("zqAttachedStorageVersion");
const QString KeyType = QStringLiteral("zqMainStorageType");
const QString KeySel = QStringLiteral("zqMainStorageSel");
const QString KeyThemeName = QStringLiteral("zqStorageThemeName");
const QString KeyThemeVersion = QStringLiteral("zqStorageThemeVersion");
const QString KeyImages = QStringLiteral("zqMainStorageImages");
const QString KeyRichText = QStringLiteral("zqMainStorage");
const QString KeyRichStorages = QStringLiteral("zqAttachedStorage");
const QString OwnerImage = QStringLiteral("ZQMacroImage");

// Attachments are archived empty; their images come back from the image files.
[[maybe_unused]] const bool registered = [] {
    plat::KeyedUnarchiver::registerClass(QStringLiteral("ZSTextAttachment"), [](plat::KeyedUnarchiver&) -> plat::ObjectPtr {
        return ZSTextAttachment::initWithFileWrapper(nullptr);
    });
    return true;
}();

QString storageTypeName(qint64 type)
{
    switch (type) {
    case 1:
        return QStringLiteral("QuorvelMarkup");
    case 2:
        return QStringLiteral("zqRich");
    default:
        return QStringLiteral("Markdown");
    }
}

qint64 storageTypeFromName(const QString& name)
{
    if (name == QLatin1String("zqRich"))
        return 2;
    if (name == QLatin1String("QuorvelMarkup"))
        return 1;
    if (name == QLatin1String("Markdown"))
        return 0;
    return -1;
}

plat::ValueMap parseDescription(const QByteArray& json)
{
    const std::optional<plat::Value> parsed = plat::parseJson(json);
    return parsed && parsed->isMap() ? parsed->toMap() : plat::ValueMap();
}

plat::Value valueOf(const plat::ValueMap& map, const QString& key)
{
    const auto it = map.find(key);
    return it == map.end() ? plat::Value() : it->second;
}

std::vector<ZQAttachedStoragePtr> imageRecordsOf(const plat::ValueMap& description)
{
    std::vector<ZQAttachedStoragePtr> records;
    const plat::Value images = valueOf(description, KeyImages);
    if (!images.isList())
        return records;
    records.reserve(images.toList().size() + 5);
    for (const plat::Value& entry : images.toList()) {
        if (!entry.isMap())
            continue;
        if (ZQAttachedStoragePtr record = ZQAttachedImageObject::loadFromJSONDictionary(entry.toMap()))
            records.push_back(std::move(record));
    }
    return records;
}

std::vector<ZQAttachedStoragePtr> sortedByUuid(std::vector<ZQAttachedStoragePtr> records)
{
    // The same page always writes the same bytes.
    std::sort(records.begin(), records.end(), [](const ZQAttachedStoragePtr& a, const ZQAttachedStoragePtr& b) {
        return a->uuid() < b->uuid();
    });
    return records;
}

// A file wrapper of the image's stored bytes, as the attachment of rich text carries it.
plat::FileWrapperPtr attachmentFileFor(const QString& fileName, const plat::Image& image)
{
    auto wrapper = plat::FileWrapper::initRegularFileWithContents(ZSAbstractDocument::storedImageBytes(image));
    wrapper->setFilename(fileName);
    wrapper->setPreferredFilename(fileName);
    return wrapper;
}

} // namespace

ZSAbstractDocument::ZSAbstractDocument() = default;

std::shared_ptr<ZSAbstractDocument> ZSAbstractDocument::create()
{
    auto document = std::shared_ptr<ZSAbstractDocument>(new ZSAbstractDocument);
    document->configureDoc();
    return document;
}

void ZSAbstractDocument::configureDoc()
{
    settings = ZSSettings::sharedSettings();
    textTheme = ZSTextTheme::sharedTheme();
    markupHelper = std::make_shared<ZQMarkupHelper>();
    m_markupRender = std::make_shared<ZQRender>();
    m_richTextStorage = std::make_shared<plat::TextStorage>();
    m_markupTextStorage = std::make_shared<plat::TextStorage>();
    m_selectionRange = plat::Range(0, 0);
    m_storageType = -1;
    m_renderContext = std::make_shared<ZQRenderContext>();
    m_markupRender->setRenderContext(m_renderContext);
}

QString ZSAbstractDocument::imageMemberName(const QString& uuid, const QString& originalFileName, bool original)
{
    QString name = QStringLiteral("img_") + uuid + (original ? QString() : QStringLiteral("m_")) + originalFileName;
    // A path in the image's name ("images/a.png") stays inside the package as one file name.
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            c = QLatin1Char('_');
    }
    return plat::DirectoryWrapper::isSafeMemberName(name) ? name : QString();
}

QByteArray ZSAbstractDocument::storedImageBytes(const plat::Image& image)
{
    if (!image.sourceData().isEmpty())
        return image.sourceData();
    return Exs::contentOfData(image);
}

void ZSAbstractDocument::saveImageToFileWrapper(const ZQAttachedImageObject& image, const QString& uuid,
                                                plat::DirectoryWrapper& fileWrapper, bool isOriginal) const
{
    const plat::ImagePtr picture = isOriginal ? image.originalImage() : image.image();
    if (!picture)
        return;
    const QString name = imageMemberName(uuid, image.originalFileName(), isOriginal);
    if (name.isEmpty()) {
        qWarning().noquote() << QStringLiteral("Unexpected image file name, not written: %1").arg(image.originalFileName());
        return;
    }
    const QByteArray bytes = encodedImageBytes(*picture);
    if (!bytes.isEmpty())
        fileWrapper.addRegularFile(name, bytes);
}

QByteArray ZSAbstractDocument::encodedImageBytes(const plat::Image& image) const
{
    if (!image.sourceData().isEmpty())
        return image.sourceData();
    // An image drawn here (a resized copy) is encoded once, not on every save:
    // copies of it share its pixels and so its cache key.
    const ZSImageMetadataPtr meta = Exs::metadata(image);
    const QString key = QStringLiteral("%1/%2").arg(image.qimage().cacheKey()).arg(meta ? meta->uti() : QString());
    std::lock_guard lock(m_encodedMutex);
    m_encodedUsed.insert(key);
    if (const auto it = m_encodedImages.constFind(key); it != m_encodedImages.cend())
        return *it;
    const QByteArray bytes = Exs::contentOfData(image);
    m_encodedImages.insert(key, bytes);
    return bytes;
}

void ZSAbstractDocument::cleanAttachment(plat::MutableAttributedString& content)
{
    content.enumerateAttribute(plat::AttachmentAttribute, plat::Range(0, content.length()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range range, bool*) {
                                   if (value.isNull())
                                       return;
                                   content.addAttribute(plat::AttachmentAttribute,
                                                        plat::Value(ZSTextAttachment::initWithFileWrapper(nullptr)),
                                                        range);
                               });
}

void ZSAbstractDocument::reloadImageAttachments(plat::MutableAttributedString& content,
                                                const std::vector<ZQAttachedStoragePtr>& attachedStorages)
{
    content.enumerateAttribute(plat::AttachmentAttribute, plat::Range(0, content.length()), 0,
                               [&](const plat::Value& value, plat::Range range, bool*) {
                                   const auto attachment = value.toObject<ZSTextAttachment>();
                                   if (!attachment)
                                       return;
                                   const plat::Value link = content.attributeAtIndex(plat::LinkAttribute, range.location);
                                   const QString address = link.isString() ? link.toString()
                                       : link.toObject() ? link.toObject()->description() : QString();
                                   if (!address.startsWith(QLatin1String("#IMG")))
                                       return;
                                   const QString uuid = address.mid(4);
                                   const auto record = std::find_if(attachedStorages.begin(), attachedStorages.end(),
                                       [&](const ZQAttachedStoragePtr& s) { return s->uuid() == uuid; });
                                   if (record == attachedStorages.end() || !(*record)->attachedObject())
                                       return;
                                   const ZQAttachedImageObjectPtr object = (*record)->attachedObject();
                                   const plat::ImagePtr image = object->image() ? object->image() : object->originalImage();
                                   if (!image)
                                       return;
                                   attachment->setFileWrapper(attachmentFileFor(object->originalFileName(), *image));
                                   attachment->setAttachmentCell(ZSTextAttachmentCell::initImageCell(image));
                               });
}

plat::DirectoryWrapperPtr ZSAbstractDocument::fileWrapper(std::optional<ZQErrorValue>* error)
{
    const bool rich = m_storageType == 2;
    plat::MutableAttributedString text(rich ? static_cast<const plat::AttributedString&>(*m_richTextStorage)
                                            : static_cast<const plat::AttributedString&>(*m_markupTextStorage));
    const auto context = std::static_pointer_cast<ZQRenderContext>(m_renderContext->copy());
    m_markupRender->setRenderContext(context);

    const ZQRenderContext::StorageTable referred =
        context->getAttachedStoragesForContent(&text, plat::Range(0, text.length()), rich ? ZQEditorType::Rich : ZQEditorType::Markup);
    std::vector<ZQAttachedStoragePtr> images;
    std::vector<ZQAttachedStoragePtr> others;
    for (const ZQAttachedStoragePtr& storage : referred)
        (storage->owner() == OwnerImage ? images : others).push_back(storage);
    images = sortedByUuid(std::move(images));
    others = sortedByUuid(std::move(others));

    auto package = plat::DirectoryWrapper::create();
    QByteArray markup;
    QByteArray archive;
    if (!rich) {
        markup = text.string().toUtf8();
    } else {
        cleanAttachment(text);
        plat::ValueList records;
        for (const ZQAttachedStoragePtr& storage : others)
            records.emplace_back(storage);
        plat::ValueMap root{{KeyRichText, plat::Value(plat::AttributedText::create(text))},
                            {KeyRichStorages, plat::Value(std::move(records))}};
        QString archiveError;
        archive = plat::KeyedArchiver::archivedData(plat::Value(std::move(root)), &archiveError);
        plat::MutableAttributedString copy(text);
        markup = m_markupRender->renderRichToMarkdown(&copy).string().toUtf8();
        if (archive.isEmpty()) {
            ZQError::presentException(std::runtime_error(archiveError.toStdString()));
            if (error)
                *error = ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), 512,
                                      {{ZQErrorValue::localizedDescriptionKey(), archiveError}});
            return nullptr;
        }
    }
    package->addRegularFile(MainMarkup, markup);
    if (rich)
        package->addRegularFile(RichMemberName, archive);

    plat::ValueMap description{
        {KeyVersion, plat::Value(AttachedStorageVersion)},
        {KeyType, plat::Value(storageTypeName(m_storageType >= 0 ? m_storageType : qint64(settings->markupType())))},
        {KeySel, plat::Value(plat::toString(m_selectionRange))},
        {KeyThemeName, plat::Value(textTheme->themeID())},
        {KeyThemeVersion, plat::Value(textTheme->themeVersion())},
    };
    if (!images.empty()) {
        plat::ValueList entries;
        for (const ZQAttachedStoragePtr& storage : images) {
            const ZQAttachedImageObjectPtr object = storage->attachedObject();
            if (!object)
                continue;
            saveImageToFileWrapper(*object, storage->uuid(), *package, false);
            saveImageToFileWrapper(*object, storage->uuid(), *package, true);
            // Files we could not decode are kept as they were while their record lives.
            for (const bool original : {false, true}) {
                const QString name = imageMemberName(storage->uuid(), object->originalFileName(), original);
                if (!name.isEmpty() && !package->hasMember(name) && m_undecodedImageFiles.contains(name)
                    && !(original ? object->originalImage() : object->image()))
                    package->addRegularFile(name, m_undecodedImageFiles.value(name));
            }
            entries.emplace_back(object->asJSONDictionary(storage->uuid()));
        }
        description[KeyImages] = plat::Value(std::move(entries));
    }
    {
        // Encodings of images the page no longer shows are dropped.
        std::lock_guard lock(m_encodedMutex);
        for (auto it = m_encodedImages.begin(); it != m_encodedImages.end();)
            it = m_encodedUsed.contains(it.key()) ? std::next(it) : m_encodedImages.erase(it);
        m_encodedUsed.clear();
    }
    QString jsonError;
    const QByteArray json = plat::jsonData(plat::Value(std::move(description)), &jsonError, QJsonDocument::Compact);
    if (json.isEmpty()) {
        if (error)
            *error = ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), 512,
                                  {{ZQErrorValue::localizedDescriptionKey(), jsonError}});
        return nullptr;
    }
    package->addRegularFile(MainJson, json);
    return package;
}

std::optional<ZSAbstractDocument::RichMember> ZSAbstractDocument::decodeRichMember(const QByteArray& data,
                                                                                 QString* error)
{
    const std::optional<plat::Value> root = plat::KeyedUnarchiver::unarchiveValue(data, error);
    if (!root || !root->isMap()) {
        if (error && error->isEmpty())
            *error = QStringLiteral("The rich member holds no page");
        return std::nullopt;
    }
    const auto text = valueOf(root->toMap(), KeyRichText).toObject<plat::AttributedText>();
    if (!text) {
        if (error)
            *error = QStringLiteral("The rich member holds no text");
        return std::nullopt;
    }
    RichMember member{plat::MutableAttributedString(text->text()), {}};
    const plat::Value records = valueOf(root->toMap(), KeyRichStorages);
    if (records.isList()) {
        for (const plat::Value& item : records.toList()) {
            if (auto storage = item.toObject<ZQAttachedStorage>())
                member.storages.push_back(std::move(storage));
        }
    }
    return member;
}

void ZSAbstractDocument::takeMarkup(const QString& markup, const std::vector<ZQAttachedStoragePtr>& images)
{
    m_renderContext = ZQRenderContext::initWithAttachedStorage(images);
    m_markupRender->setRenderContext(m_renderContext);
    plat::MutableAttributedString styled{plat::AttributedString(markup)};
    m_markupRender->highlightMarkdown(styled);
    m_markupTextStorage->setAttributedString(styled);
    const std::weak_ptr<plat::Object> weak = weak_from_this();
    m_markupRender->highlighCodeBlock(m_markupTextStorage, ZQEditorType::Markup,
                                      [weak](const std::optional<ZQErrorValue>&, const std::optional<QStringList>& ranges) {
                                          // Only colours that came in change the text.
                                          if (const auto self = std::static_pointer_cast<ZSAbstractDocument>(weak.lock());
                                              self && ranges)
                                              self->updateChangeCount(ChangeType::Done);
                                      });
}

bool ZSAbstractDocument::readFromFileWrapper(const plat::DirectoryWrapper& package, std::optional<ZQErrorValue>* error)
{
    const auto fail = [&](const QString& message) {
        if (error)
            *error = ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), 259, {{ZQErrorValue::localizedDescriptionKey(), message}});
        return false;
    };
    const plat::FileWrapperPtr jsonMember = package.member(MainJson);
    const plat::FileWrapperPtr markupMember = package.member(MainMarkup);
    const plat::FileWrapperPtr richMember = package.member(RichMemberName);
    const plat::ValueMap description = jsonMember ? parseDescription(jsonMember->regularFileContents()) : plat::ValueMap();
    if (jsonMember && description.empty())
        qWarning().noquote() << QStringLiteral("Unexpected page description, read as empty");

    qint64 storageType = storageTypeFromName(valueOf(description, KeyType).toString());
    if (storageType == 2 && !richMember && !markupMember)
        return fail(QStringLiteral("The page has neither its rich text nor its markup"));
    if (storageType != 2 && !markupMember)
        return fail(QStringLiteral("The page has no \"main.md\""));

    std::vector<ZQAttachedStoragePtr> records = imageRecordsOf(description);
    QHash<QString, QByteArray> undecoded;
    for (const ZQAttachedStoragePtr& record : records) {
        const ZQAttachedImageObjectPtr object = record->attachedObject();
        if (!object)
            continue;
        for (const bool original : {true, false}) {
            const QString name = imageMemberName(record->uuid(), object->originalFileName(), original);
            const plat::FileWrapperPtr file = name.isEmpty() ? nullptr : package.member(name);
            if (!file)
                continue;
            plat::ImagePtr image = Exs::loadImageFromData(file->regularFileContents());
            if (!image) {
                undecoded.insert(name, file->regularFileContents());
                continue;
            }
            original ? object->setOriginalImage(std::move(image)) : object->setImage(std::move(image));
        }
    }

    m_themeId = valueOf(description, KeyThemeName).toString();
    m_themeVersion = double(float(valueOf(description, KeyThemeVersion).toDouble()));
    const plat::Value sel = valueOf(description, KeySel);
    m_selectionRange = sel.isString() ? plat::rangeFromString(sel.toString()) : plat::Range(0, 0);
    m_undecodedImageFiles = undecoded;
    m_richContentUnreadable = false;
    const QString markup = markupMember ? QString::fromUtf8(markupMember->regularFileContents()) : QString();

    if (storageType != 2) {
        m_storageType = storageType;
        takeMarkup(markup, records);
        return true;
    }

    QString richError;
    std::optional<RichMember> rich = richMember ? decodeRichMember(richMember->regularFileContents(), &richError)
                                                : std::nullopt;
    if (!richMember)
        richError = QStringLiteral("\"rich.qrvpage\" is missing");
    if (!rich) {
        // The markup still holds the page: open it rather than nothing.
        m_richContentUnreadable = true;
        ZQError::presentError(ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), 259,
            {{ZQErrorValue::localizedDescriptionKey(),
              QStringLiteral("The rich text of this page could not be read (%1); it was opened from its markup.").arg(richError)}}));
        m_storageType = 2;
        m_renderContext = ZQRenderContext::initWithAttachedStorage(records);
        m_markupRender->setRenderContext(m_renderContext);
        plat::MutableAttributedString text = m_markupRender->renderMarkupToRich(plat::AttributedString(markup));
        m_richTextStorage->setAttributedString(text);
        return true;
    }

    plat::MutableAttributedString text = std::move(rich->text);
    bool themeApplied = false;
    if (!(textTheme->themeID() == m_themeId && std::fabs(textTheme->themeVersion() - m_themeVersion) < 1.1920928955078125e-7)) {
        ZSTextThemeApply::applyThemeForRichContent(text, *textTheme);
        themeApplied = true;
    }
    if (const plat::FontPtr font = settings->defaultFont(ZQEditorType::Rich); font && !markupHelper->isUsingFont(*font, text))
        markupHelper->applyFontToContent(text, ZQEditorType::Rich);
    if (const plat::FontPtr font = settings->defaultCodeBlockFont(ZQEditorType::Rich); font && !markupHelper->isCodeBlockUsingFont(*font, text))
        markupHelper->applyFontToCodeBlock(text, ZQEditorType::Rich);
    reloadImageAttachments(text, records);
    for (ZQAttachedStoragePtr& storage : rich->storages)
        records.push_back(std::move(storage));

    m_storageType = 2;
    m_renderContext = ZQRenderContext::initWithAttachedStorage(records);
    m_markupRender->setRenderContext(m_renderContext);
    m_richTextStorage->setAttributedString(text);
    if (themeApplied) {
        const std::weak_ptr<plat::Object> weak = weak_from_this();
        m_markupRender->highlighCodeBlock(m_richTextStorage, ZQEditorType::Rich,
                                          [weak](const std::optional<ZQErrorValue>&, const std::optional<QStringList>&) {
                                              if (const auto self = std::static_pointer_cast<ZSAbstractDocument>(weak.lock()))
                                                  self->updateChangeCount(ChangeType::Done);
                                          });
    }
    return true;
}

std::shared_ptr<plat::DirectoryWrapper> ZSAbstractDocument::fileWrapperOfType(const QString&, QString* error)
{
    std::optional<ZQErrorValue> failure;
    plat::DirectoryWrapperPtr package = fileWrapper(&failure);
    if (!package && error)
        *error = failure ? failure->localizedDescription() : QStringLiteral("The page could not be written");
    return package;
}

bool ZSAbstractDocument::readFromFileWrapper(const plat::DirectoryWrapper& package, const QString&, QString* error)
{
    std::optional<ZQErrorValue> failure;
    const bool ok = readFromFileWrapper(package, &failure);
    if (!ok && error)
        *error = failure ? failure->localizedDescription() : QStringLiteral("The page could not be read");
    return ok;
}

void ZSAbstractDocument::mergeICloudMarkdown(const QString&, const QString&, bool) {}

bool ZSAbstractDocument::isLibraryDocument() const
{
    const QString path = plat::normalizedItemPath(fileURL());
    if (!path.endsWith(QLatin1String("mkqrv")))
        return false;
    const QFileInfo info(path);
    const QString parent = info.absolutePath();
    const QString spaceName = QFileInfo(parent).fileName();
    return ZQShared::isSameDirectory(ZSUtils::spaceUrl(spaceName).toLocalFile(), parent);
}
