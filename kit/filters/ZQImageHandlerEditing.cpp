// Images while the user edits: the pop-up menu, the image command and
// cleaning style.

#include "kit/filters/ZQImageFilter.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/TextView.h"

bool ZQImageFilter::filterRichOnFly(const QString&, qint64, plat::TextView&, ZQRenderContext&)
{
    return false;
}

bool ZQImageHandler::matchingTypeText(const QString& typed) const
{
    return !typed.isEmpty()
        && (QStringLiteral("image").startsWith(typed) || QStringLiteral("img").startsWith(typed));
}

std::shared_ptr<ZQAttachedStorage> ZQImageHandler::openImagePanel(plat::TextView& view, plat::Range range,
                                                                 ZQRenderContext& context)
{
    const QString uuid = ZSUtils::uuid();
    auto storage = context.createAttachedStroage(attributeName(), uuid);
    view.openEditorBlockForMacro(attributeName(), uuid, range, storage);
    return storage;
}

plat::Range ZQImageHandler::handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext& context)
{
    openImagePanel(view, range, context);
    return range;
}

void ZQImageHandler::handleMarkupOnFly(plat::TextView& view, qint64, plat::Range range, ZQRenderContext& context)
{
    openImagePanel(view, range, context);
}

bool ZQImageHandler::filterRangeOnFly(plat::Range range, quint64, plat::TextView& view, ZQRenderContext& context)
{
    const plat::TextStorage& storage = *view.textStorage();
    plat::checkRange(range, storage.length(), "filterRangeOnFly");
    const plat::Range valid = ZQViewEditing::takenRange(view, range, context.runningMarkupType());
    if (valid.isNotFound())
        return false;
    const QString text = storage.string().mid(valid.location, valid.length);
    const QString uuid = ZSUtils::uuid();
    const auto attached = context.createAttachedStroage(attributeName(), uuid);
    attached->attachedObject()->setImageLabel(text);

    plat::AttributedString replacement;
    if (ZSUtils::getEditorType(view) == ZQEditorType::Markup) {
        replacement = plat::AttributedString(QStringLiteral("![%1]()").arg(text),
                                             ZQHighlighter::sharedHighlighter().imageMarkdown(uuid));
    } else {
        replacement = getImageAttributeString(*attached->attachedObject(), uuid);
    }
    const plat::Range placed(valid.location, replacement.length());
    ZQViewEditing::replace(view, valid, replacement, placed, QStringLiteral("Image"));
    view.openEditorBlockForMacro(attributeName(), uuid, placed, attached);
    return true;
}

void ZQImageHandler::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    std::vector<plat::Range> runs;
    content.enumerateAttribute(attributeName(), plat::Range(0, content.length()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
        if (!value.isNull())
            runs.push_back(run);
    });
    for (const plat::Range& run : runs)
        content.addAttribute(ZQAttr::PRreformatte, QStringLiteral("pre"), run);
}
