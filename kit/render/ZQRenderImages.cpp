// Images of a page in the render engine: finding them in markup, replacing
// one in an editor, reloading and redrawing them, task check boxes, and the
// image files of an export.
#include "kit/render/ZQRender.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/foundation/ZSTree.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/text/TextView.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

const QString OwnerImage = QStringLiteral("ZQMacroImage");

} // namespace

std::vector<std::shared_ptr<ZQLinkRef>> ZQRender::parseImageFiles(const plat::AttributedString& markup)
{
    const auto context = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
    context->setRunningMarkupType(m_settings->markupType());
    context->setRenderTargetType(ZQRenderContext::TargetMarkup);

    auto refs = std::make_shared<ZQLinkRefMap>();
    refs->reserve(10);
    const qint64 option = ZQParagraphParser::ImageScanOption
        | (context->runningMarkupType() == ZQMarkupType::QuorvelMarkup ? ZQDocTreeParser::QuorvelMarkup : 0);
    const QString text = markup.string();
    const ZSTree tree = m_textblockParser->processDocTree(text, plat::Range(0, text.size()), refs.get(), nullptr,
                                                          nullptr, option);
    context->setLinkRefMap(refs);

    ZQParagraphParser::Markers markers;
    markers.reserve(10);
    tree.enumerateTreeRootFirst([&](const ZSTree& treeNode, bool*) {
        if (treeNode.isRoot())
            return;
        const auto node = ZQBlockNodes::textNodeOf(treeNode);
        if (!node || (node->nodeType() != ZQNodeType::Paragraph && node->nodeType() != ZQNodeType::SetextHeading)
            || (node->nodeStatus() & (ZQTextNode::StatusStyled | ZQTextNode::StatusLiteral)))
            return;
        auto content = std::make_shared<plat::MutableAttributedString>(node->content());
        node->setRenderContent(content);
        m_paragraphParser->parseParagraph(*content, &markers, ZQParagraphParser::ImageScanOption, *context);
    });

    std::vector<std::shared_ptr<ZQLinkRef>> links;
    for (const auto& marker : markers) {
        if (marker && marker->linkRef())
            links.push_back(marker->linkRef());
    }
    return links;
}

void ZQRender::updateImageContent(const std::shared_ptr<ZQAttachedStorage>& image, plat::TextView& onView,
                                  plat::Range inRange)
{
    const ZQEditorType editorType = ZSUtils::getEditorType(onView);
    const ZQAttachedImageObjectPtr payload = image ? image->attachedObject() : nullptr;
    if (!payload || ZQRenderUtil::getImageMarkerPath(*payload).isEmpty())
        return;
    auto* handler = dynamic_cast<ZQImageFilter*>(macroHandler(OwnerImage));
    if (!handler)
        return;
    const bool rich = editorType == ZQEditorType::Rich;
    const plat::AttributedString replacement = rich
        ? handler->getImageAttributeString(*payload, image->uuid())
        : plat::AttributedString(ZQImageFilter::getMarker(*payload), m_highlighter->imageMarkdown(image->uuid()));
    ZQMutableAttributedString::replaceCharactersInRange(*onView.textStorage(), inRange, replacement,
                                                        onView.undoManager(), QStringLiteral("Update Image"));
    if (rich)
        onView.setSelectedRange(plat::Range(inRange.location + replacement.length(), 0));
}

QHash<QString, std::shared_ptr<ZQAttachedImageObject>>
ZQRender::refreshRenderContextImages(const plat::AttributedString& rich, const QString& scanImagePath,
                                     const QString& urlPrefix)
{
    QHash<QString, std::shared_ptr<ZQAttachedImageObject>> images;
    images.reserve(4);
    rich.enumerateAttribute(OwnerImage, plat::Range(0, rich.length()), plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range, bool*) {
                                const auto style = value.toObject<ZQUuidStyle>();
                                if (!style)
                                    return;
                                const ZQAttachedStoragePtr storage =
                                    m_renderContext->getAttachedStorage(style->uuid(), OwnerImage);
                                const ZQAttachedImageObjectPtr payload = storage ? storage->attachedObject() : nullptr;
                                if (!payload)
                                    return;
                                ZQRenderUtil::loadImageMarkerLink(ZQRenderUtil::getImageMarkerPath(*payload), *payload,
                                                                  scanImagePath, urlPrefix);
                                images.insert(style->uuid(), payload);
                            });
    return images;
}

void ZQRender::updateImageRichContent(plat::MutableAttributedString& rich,
                                      const QHash<QString, std::shared_ptr<ZQAttachedImageObject>>& updatedImages)
{
    if (updatedImages.isEmpty())
        return;
    auto* handler = dynamic_cast<ZQImageFilter*>(macroHandler(OwnerImage));
    if (!handler)
        return;
    const auto empty = ZQAttachedImageObject::createEmpty();
    rich.enumerateAttribute(OwnerImage, plat::Range(0, rich.length()), plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range range, bool*) {
                                const auto style = value.toObject<ZQUuidStyle>();
                                if (!style)
                                    return;
                                const ZQAttachedImageObjectPtr payload = updatedImages.value(style->uuid());
                                rich.replaceCharacters(range, handler->getImageAttributeString(
                                                                  payload ? *payload : *empty, style->uuid()));
                            });
}

void ZQRender::taskStateChange(plat::TextView& view, plat::Range range)
{
    view.textStorage()->beginEditing();
    m_filterProvider->taskFilter()->taskStateChange(view, range);
    view.textStorage()->endEditing();
    if (ZSUtils::getEditorType(view) != ZQEditorType::Markup)
        fixRichAttributes(view);
    else
        fixMarkupAttributes(*view.textStorage());
}

bool ZQRender::exportFilesFromMarkdown(const plat::AttributedString& markup, QStringList& conflictFiles,
                                       quint64 renderType, const QString& exportDirectory, bool checkExistOnly,
                                       bool verifyAttachements)
{
    std::vector<ZQAttachedStoragePtr> storages;
    if (verifyAttachements) {
        const ZQRenderContext::StorageTable referred = m_renderContext->getAttachedStoragesForContent(
            &markup, plat::Range(0, markup.length()), ZQEditorType::Markup);
        for (const ZQAttachedStoragePtr& storage : referred)
            storages.push_back(storage);
    } else {
        storages = m_renderContext->getAttachedStorageByOwner(OwnerImage);
    }
    auto* handler = dynamic_cast<ZQImageHandler*>(macroHandler(OwnerImage));
    if (!handler)
        return false;
    if (checkExistOnly) {
        const QStringList proposed = handler->checkExportFileNames(storages, exportDirectory);
        for (const QString& path : proposed) {
            if (QFileInfo::exists(path))
                conflictFiles << path;
        }
        return !proposed.isEmpty();
    }
    QString text = markup.string();
    handler->exportEnding(renderType, text, storages, exportDirectory, nullptr);
    return true;
}

std::vector<std::shared_ptr<ZQAttachedStorage>> ZQRender::loadExternalImages(const plat::AttributedString& markup,
                                                                                 const QString& scanImagePath,
                                                                                 const QString& urlPrefix,
                                                                                 ZQRender& markupRender)
{
    std::vector<std::shared_ptr<ZQAttachedStorage>> storages;
    for (const std::shared_ptr<ZQLinkRef>& link : markupRender.parseImageFiles(markup)) {
        auto image = ZQAttachedImageObject::create();
        image->setOriginalUpdatedDate(QDateTime::currentDateTime());
        image->setImageLabel(link->label());
        image->setImageTitle(link->title());
        auto storage = ZQAttachedStorage::create();
        storage->setUuid(ZSUtils::uuid());
        storage->setOwner(OwnerImage);
        storage->setAttachedObject(image);
        ZQRenderUtil::loadImageMarkerLink(link->link(), *image, scanImagePath, urlPrefix);
        storages.push_back(std::move(storage));
    }
    return storages;
}
