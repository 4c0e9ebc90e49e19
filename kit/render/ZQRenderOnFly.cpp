// Live styling while the user types, the typing menu's macro commands, and
// pasting rich text that brings attachments of its own.

#include "kit/render/ZQRender.h"

#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQStyles.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSAbstractTextView.h"

#include <QDebug>
#include <exception>

namespace {


void logFailure(const QString& what)
{
    qWarning().noquote() << QStringLiteral("Render on fly %1").arg(what);
}

// Where the pasted characters sit in their restyled form: the restyling keeps
// them in order and at most closes a text block before them and opens it again
// after them, one bracket on each side. Not found when the restyled text does
// not hold them so.
qsizetype pastedOffset(const plat::AttributedString& pasted, const plat::AttributedString& restyled)
{
    const qsizetype added = restyled.length() - pasted.length();
    if (added != 0 && added != 2)
        return plat::NotFound;
    const qsizetype offset = added / 2;
    return QStringView(restyled.string()).mid(offset, pasted.length()) == pasted.string() ? offset : plat::NotFound;
}

} // namespace

bool ZQRender::renderOnFly(const QString& typed, ZSAbstractTextView& onView)
{
    return renderOnFly(typed, onView, onView.selectedRange().location);
}

bool ZQRender::renderOnFly(const QString& typed, ZSAbstractTextView& onView, qint64 position)
{
    const ZQViewEditing::OneUndoStep step(onView);
    bool styled = false;
    try {
        m_renderContext->setRunningMarkupType(m_settings->markupType());
        const Members& filters = ZSUtils::getEditorType(onView) == ZQEditorType::Block
            ? m_filterProvider->blockEditorFilterContainer()
            : m_filterProvider->container();
        for (const plat::ObjectPtr& member : filters) {
            auto* filter = dynamic_cast<ZQOnFlyFilter*>(member.get());
            if (filter && filter->filterRichOnFly(typed, position, onView, *m_renderContext)) {
                styled = true;
                break;
            }
        }
        if (!styled)
            return false;
        onView.updatePageTitle(onView.selectedRange());
        fixRichAttributes(onView);
    } catch (const std::exception& error) {
        logFailure(QString::fromUtf8(error.what()));
    } catch (...) {
        logFailure(QStringLiteral("unknown exception"));
    }
    return styled;
}

ZQMacroHandler* ZQRender::macroHandler(const QString& name) const
{
    return dynamic_cast<ZQMacroHandler*>(m_macroHandlers.value(name.toLower()).get());
}

plat::Range ZQRender::renderMacroOnFly(const QString& name, ZSAbstractTextView& onView, plat::Range atRange)
{
    ZQMacroHandler* handler = macroHandler(name);
    if (!handler)
        return plat::Range::notFound();
    m_renderContext->setRunningMarkupType(m_settings->markupType());
    return handler->handleRichOnFly(onView, atRange, *m_renderContext);
}

void ZQRender::renderMarkupMacroOnFly(const QString& name, ZSAbstractTextView& onView, plat::Range atRange)
{
    ZQMacroHandler* handler = macroHandler(name);
    if (!handler)
        return;
    m_renderContext->setRunningMarkupType(m_settings->markupType());
    handler->handleMarkupOnFly(onView, onView.selectedRange().location, atRange, *m_renderContext);
}

bool ZQRender::merge(const plat::AttributedString& pasted,
                     const QHash<QString, std::shared_ptr<ZQAttachedStorage>>& withAttachedStroages,
                     ZSAbstractTextView& toEditor, plat::Range inRange)
{
    if (pasted.length() == 0)
        return false;
    plat::MutableAttributedString merged(
        toEditor.mergeTypingAttributeToPasteContent(pasted, inRange, ZSUtils::getEditorType(toEditor)));
    qsizetype offset = pastedOffset(pasted, merged);
    if (offset == plat::NotFound) {
        qWarning().noquote() << QStringLiteral("Unexpected: restyled paste lost its characters, pasted as it is");
        merged = plat::MutableAttributedString(pasted);
        offset = 0;
    }
    // Asked first: a refused paste leaves no storage behind in the page.
    if (!toEditor.shouldChangeText(inRange, merged.string()))
        return false;

    for (const QString& owner : m_renderContext->getAttachedStorageProviderNames()) {
        const bool brought = std::any_of(withAttachedStroages.begin(), withAttachedStroages.end(),
                                         [&](const ZQAttachedStoragePtr& storage) {
                                             return storage && storage->owner() == owner;
                                         });
        if (!brought)
            continue;
        // One copy per attachment, however often the pasted text refers to it.
        QHash<QString, QString> renamed;
        pasted.enumerateAttribute(
            owner, plat::Range(0, pasted.length()), plat::EnumerationReverse,
            [&](const plat::Value& value, plat::Range span, bool*) {
                const auto style = value.toObject<ZQUuidStyle>();
                if (!style)
                    return;
                const ZQAttachedStoragePtr source = withAttachedStroages.value(style->uuid());
                if (!source)
                    return;
                QString& uuid = renamed[style->uuid()];
                if (uuid.isEmpty()) {
                    const auto copy = plat::objectCast<ZQAttachedStorage>(source->copy());
                    uuid = ZSUtils::uuid();
                    copy->setUuid(uuid);
                    m_renderContext->addAttachedStorage(copy, owner);
                }
                const auto renamedStyle = plat::objectCast<ZQUuidStyle>(style->copy());
                renamedStyle->setUuid(uuid);
                merged.addAttribute(owner, renamedStyle, plat::Range(span.location + offset, span.length));
            });
    }

    plat::TextStorage& storage = *toEditor.textStorage();
    storage.beginEditing();
    storage.replaceCharacters(inRange, merged);
    storage.endEditing();
    return true;
}

void ZQRender::cloneMarkupAttribute(const QString& name, const plat::AttributedString& markup,
                                    plat::MutableAttributedString& toContent)
{
    toContent.beginEditing();
    markup.enumerateAttribute(name, plat::Range(0, markup.length()), plat::EnumerationReverse,
                              [&](const plat::Value& value, plat::Range span, bool*) {
                                  if (!value.isNull())
                                      toContent.addAttribute(name, value, span);
                              });
    toContent.endEditing();
}
