// Keys and formatting actions of the editors. A key goes to the key processors
// first, then a marker character typed over a selection wraps it, then Tab and
// Return go to the list, task and quote handling. A formatting action goes by
// its tag to the filter that owns the construct. Whatever changed the text is
// followed by the attribute repair and code-block colouring.

#include "kit/render/ZQRender.h"

#include "kit/filters/ZQBaseFilter.h"
#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQListFilter.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/foundation/Exs.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSAbstractTextView.h"
#include "platform/text/Font.h"
#include "platform/text/KeyEvent.h"
#include "platform/text/TextStorage.h"

namespace {

using plat::Range;


// The shared action tags of the formatting menus.
namespace Action {
constexpr quint64 Emphasis = 1;
constexpr quint64 Strong = 2;
constexpr quint64 Underline = 10;
constexpr quint64 Strikethrough = 11;
constexpr quint64 InlineCode = 12;
constexpr quint64 FirstHeading = 21;
constexpr quint64 LastHeading = 26;
constexpr quint64 Quote = 32;
constexpr quint64 CodeBlock = 33;
constexpr quint64 Divider = 34;
constexpr quint64 Task = 35;
constexpr quint64 Link = 40;
constexpr quint64 Image = 41;
constexpr quint64 Footnote = 42;
constexpr quint64 Tag = 43;
constexpr quint64 NumberedList = 50;
constexpr quint64 BulletList = 51;
constexpr quint64 CleanStyle = 100;
} // namespace Action

bool isHeading(quint64 action)
{
    return action >= Action::FirstHeading && action <= Action::LastHeading;
}

// "*" over a selection: italic text becomes strong (the emphasis goes first),
// strong text loses its strength, anything else becomes italic.
quint64 starTag(ZQRender& render, ZSAbstractTextView& view)
{
    try {
        const plat::Attributes attributes =
            ZQAttributedString::typingAttributeInRange(*view.textStorage(), view.selectedRange(), {});
        if (attributes.isEmpty())
            return Action::Emphasis;
        const plat::FontPtr font = attributes.value(plat::FontAttribute).toObject<plat::Font>();
        if ((font && Exs::isItalic(*font)) || attributes.contains(ZQAttr::FilterItalic)) {
            render.renderShortcutAction(Action::Emphasis, view, view.selectedRange());
            return Action::Strong;
        }
        return font && Exs::isBold(*font) ? Action::Strong : Action::Emphasis;
    } catch (const std::exception&) {
        return Action::Emphasis;
    }
}

// The action that a marker character typed over a selection asks for; 0 for
// any other character.
quint64 typedMarkerAction(ZQRender& render, QChar typed, ZSAbstractTextView& view)
{
    switch (typed.unicode()) {
    case u'*':
        return starTag(render, view);
    case u'+':
        return Action::Tag;
    case u'[':
        return Action::Link;
    case u'`':
        return Action::InlineCode;
    case u'~':
        return Action::Strikethrough;
    default:
        return 0;
    }
}

} // namespace

bool ZQRender::processKeyDown(quint64 keyCode, quint64 modifyFlag, const QString& characters,
                              ZSAbstractTextView& onView)
{
    const ZQViewEditing::OneUndoStep step(onView);
    m_renderContext->setRunningMarkupType(m_settings->markupType());
    const quint16 key = quint16(keyCode & 0xFFFF);

    // A failing processor leaves the key to the editor at once.
    bool processed = false;
    try {
        for (const plat::ObjectPtr& member : m_keyProcessorFilters) {
            auto* processor = dynamic_cast<ZQKeyPrcessorRender*>(member.get());
            if (processor && processor->processKeyDownEvent(key, modifyFlag, onView, *m_renderContext)) {
                processed = true;
                break;
            }
        }
    } catch (const std::exception& e) {
        ZQFilterDispatch::logFailure(&e, "filter key down");
        return false;
    } catch (...) {
        ZQFilterDispatch::logFailure(nullptr, "filter key down");
        return false;
    }
    if (processed) {
        refreshAfterEdit(onView);
        return true;
    }

    if (onView.selectedRange().length > 0 && !characters.isEmpty()) {
        const quint64 action = typedMarkerAction(*this, characters.at(0), onView);
        if (action != 0 && renderShortcutAction(action, onView, onView.selectedRange()))
            return true;
    }

    bool handled = false;
    if (key == plat::KeyCode::Tab) {
        handled = handleTab(onView, modifyFlag);
        if (!handled && modifyFlag == plat::ModifierFlag::Shift)
            handled = defaultShiftTab(onView);
    } else if (key == plat::KeyCode::Return) {
        handled = handleEnter(onView, modifyFlag);
    }
    if (handled)
        refreshAfterEdit(onView);
    return handled;
}

bool ZQRender::processKeyUp(quint64 keyCode, quint64 modifyFlag, ZSAbstractTextView& onView)
{
    m_renderContext->setRunningMarkupType(m_settings->markupType());
    const quint16 key = quint16(keyCode & 0xFFFF);
    try {
        for (const plat::ObjectPtr& member : m_keyProcessorFilters) {
            auto* processor = dynamic_cast<ZQKeyUpProcessor*>(member.get());
            if (processor && processor->processKeyUpEvent(key, modifyFlag, onView, *m_renderContext))
                return true;
        }
    } catch (const std::exception& e) {
        ZQFilterDispatch::logFailure(&e, "filter key up");
    } catch (...) {
        ZQFilterDispatch::logFailure(nullptr, "filter key up");
    }
    return false;
}

plat::ObjectPtr ZQRender::shortcutReceiver(quint64 action) const
{
    const ZQFilterPipe& pipe = *m_filterProvider;
    switch (action) {
    case Action::Emphasis:
    case Action::Strong:
    case Action::Underline:
    case Action::Strikethrough:
    case Action::InlineCode:
        return pipe.baseFilter();
    case Action::Quote:
        return pipe.quoteFilter();
    case Action::CodeBlock:
        return pipe.codeBlockFilter();
    case Action::Divider:
        return pipe.dividerFilter();
    case Action::Task:
        return pipe.taskFilter();
    case Action::Link:
        return pipe.linkFilter();
    case Action::Image:
        return m_macroHandlers.value(ZQAttr::MacroImage.toLower());
    case Action::Footnote:
        return m_macroHandlers.value(ZQAttr::MacroFootnote.toLower());
    case Action::Tag:
        return m_macroHandlers.value(ZQAttr::MacroTag.toLower());
    case Action::NumberedList:
    case Action::BulletList:
        return pipe.listFilter();
    default:
        return isHeading(action) ? plat::ObjectPtr(pipe.headingFilter()) : nullptr;
    }
}

bool ZQRender::renderShortcutAction(quint64 action, ZSAbstractTextView& onView, plat::Range inRange)
{
    const ZQViewEditing::OneUndoStep step(onView);
    m_renderContext->setRunningMarkupType(m_settings->markupType());
    bool changed = false;
    if (action == Action::CleanStyle) {
        if (inRange.length == 0)
            return false;
        changed = cleanStyle(onView, inRange);
    } else {
        auto* formatter = dynamic_cast<ZQRangeFormatter*>(shortcutReceiver(action).get());
        if (!formatter)
            return false;
        changed = formatter->filterRangeOnFly(inRange, action, onView, *m_renderContext);
        // The first heading line may be the page's title, changed or not.
        if (isHeading(action))
            onView.updatePageTitle(inRange);
    }
    if (changed)
        refreshAfterEdit(onView);
    return changed;
}

bool ZQRender::cleanStyle(ZSAbstractTextView& view, plat::Range range)
{
    const plat::TextStorage& storage = *view.textStorage();
    plat::MutableAttributedString cleaned;
    if (ZSUtils::getEditorType(view) != ZQEditorType::Markup) {
        cleaned = storage.attributedSubstring(range);
        cleanRichFormattingStyles(cleaned, ZQEditorType::Rich);
    } else {
        // Markup is cleaned as rich text, on the view's scratch engine with a
        // copy of the page's context, and written back as markup.
        const std::shared_ptr<ZQRender> scratch =
            view.pasteRender() ? view.pasteRender() : std::make_shared<ZQRender>();
        scratch->setRenderContext(plat::objectCast<ZQRenderContext>(m_renderContext->copy()));
        plat::MutableAttributedString rich = scratch->renderMarkupToRich(storage.attributedSubstring(range));
        cleanRichFormattingStyles(rich, ZQEditorType::Markup);
        cleaned = scratch->renderRichToMarkdown(&rich);
        // The conversion ends the text with its last line; the line breaks
        // that ended the range stay, or the next line would join this one.
        const plat::CharacterSet& newline = plat::CharacterSet::newline();
        const QString original = storage.string().mid(range.location, range.length);
        const qsizetype missing = ZQShared::lengthByTrailingCharactersInSet(original, newline)
            - ZQShared::lengthByTrailingCharactersInSet(cleaned.string(), newline);
        if (missing > 0)
            cleaned.append(plat::AttributedString(original.right(missing),
                                                  m_settings->defaultTypingAttribute(ZQEditorType::Markup)));
    }
    ZQViewEditing::replace(view, range, cleaned, Range(range.location, cleaned.length()),
                           QStringLiteral("Clean Style"));
    return true;
}

void ZQRender::cleanRichFormattingStyles(plat::MutableAttributedString& rich, ZQEditorType targetEditorType) const
{
    for (const plat::ObjectPtr& member : m_makerCleanerFilters) {
        if (auto* cleaner = dynamic_cast<ZQRichMarkerCleaner*>(member.get()))
            cleaner->handleMarkerFromRich(rich);
    }
    const plat::Attributes plain = m_settings->defaultTypingAttribute(targetEditorType);

    // The marked runs keep their attributes and lose the mark; the stretches
    // between them become plain text.
    std::vector<Range> marked;
    rich.enumerateAttribute(ZQAttr::PRreformatte, Range(0, rich.length()), plat::EnumerationReverse,
                            [&](const plat::Value& value, Range run, bool*) {
        if (!value.isNull())
            marked.push_back(run);
    });
    qsizetype boundary = rich.length();
    for (const Range run : marked) {
        rich.removeAttribute(ZQAttr::PRreformatte, run);
        if (run.end() < boundary)
            rich.setAttributes(plain, Range(run.end(), boundary - run.end()));
        boundary = run.location;
    }
    if (boundary > 0)
        rich.setAttributes(plain, Range(0, boundary));
}

void ZQRender::refreshAfterEdit(plat::TextView& view)
{
    const ZQEditorType editorType = ZSUtils::getEditorType(view);
    // The block editor holds rich text like the page editor.
    if (editorType == ZQEditorType::Markup)
        fixMarkupAttributes(*view.textStorage());
    else
        fixRichAttributes(view);
    highlighCodeBlock(view.textStorage(), editorType, {});
}
