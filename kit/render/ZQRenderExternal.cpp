// Text for other programs and for printing, and the markup round trip between
// the two dialects.

#include "kit/render/ZQRender.h"

#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttachedStorage.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZSTextThemeApply.h"
#include "platform/foundation/Url.h"
#include "platform/text/Color.h"

#include <QMap>

using plat::Range;

namespace {

// Other programs and paper get the light theme's colours whatever the user sees.
std::shared_ptr<ZSTextTheme> externalLightTheme()
{
    return ZSTextTheme::loadTheme(QStringLiteral("light"), false);
}

void applyExternalTheme(plat::MutableAttributedString& content, const std::shared_ptr<ZSTextTheme>& theme)
{
    if (theme)
        ZSTextThemeApply::applyThemeForRichContent(content, *theme);
}

} // namespace

void ZQRender::applyExternalLinks(plat::MutableAttributedString& content, bool withoutTextBlock) const
{
    content.enumerateAttribute(ZQAttr::FilterLink, plat::wholeRange(content.string()), 0,
                               [&](const plat::Value& value, Range range, bool*) {
                                   const auto style = value.toObject<ZQLinkStyle>();
                                   if (!style)
                                       return;
                                   const auto storage
                                       = m_renderContext->getAttachedStorage(style->uuid(), ZQAttr::FilterLink);
                                   const auto link = storage ? storage->attachedLink() : nullptr;
                                   if (link && !link->linkUrl().isEmpty()) {
                                       content.addAttribute(plat::LinkAttribute,
                                                            plat::Value(plat::Url::fromString(link->linkUrl())), range);
                                       content.addAttribute(plat::UnderlineAttribute, plat::Value(qint64(1)), range);
                                   }
                                   if (withoutTextBlock)
                                       content.removeAttribute(ZQAttr::TextBlock, range);
                               });
}

plat::MutableAttributedString ZQRender::externalFootnoteBlock(const plat::MutableAttributedString& content,
                                                              const QString& labelFormat, bool withDivider)
{
    // The bodies stay rich: each is handed back as it is.
    const auto storages = renderBlockEditorRichContent(
        content, *m_renderContext, [](const plat::AttributedString& body) { return body; });
    QMap<quint64, std::shared_ptr<ZQAttachedTextObject>> footnotes;
    for (const auto& storage : storages) {
        if (!storage || storage->owner() != ZQAttr::MacroFootnote)
            continue;
        if (const auto text = storage->attachedText(); text && !footnotes.contains(text->footIndex()))
            footnotes.insert(text->footIndex(), text);
    }
    plat::MutableAttributedString block;
    if (footnotes.isEmpty())
        return block;

    const plat::Attributes plain = m_settings->defaultTypingAttribute(ZQEditorType::Rich);
    if (!ZQShared::hasNewline(content.string()))
        block.append(plat::AttributedString(QStringLiteral("\n"), plain));
    if (withDivider)
        block.append(plat::AttributedString(QStringLiteral("---"), m_highlighter->dividerRich()));
    for (auto it = footnotes.cbegin(); it != footnotes.cend(); ++it) {
        block.append(plat::AttributedString(QStringLiteral("\n") + labelFormat.arg(it.key()), plain));
        if (const auto& body = it.value()->renderedContent())
            block.append(*body);
    }
    applyExternalTheme(block, externalLightTheme());
    return block;
}

plat::MutableAttributedString& ZQRender::renderExternalRTFFromRich(plat::MutableAttributedString& rich)
{
    const Range whole = plat::wholeRange(rich.string());
    rich.removeAttribute(plat::LinkAttribute, whole);
    applyExternalLinks(rich, false);
    applyExternalTheme(rich, externalLightTheme());
    removeInvisible(rich, true);
    const plat::MutableAttributedString footnotes
        = externalFootnoteBlock(rich, QStringLiteral("[^%1]: "), false);
    if (footnotes.length() > 0)
        rich.append(footnotes);
    return rich;
}

plat::MutableAttributedString& ZQRender::renderPrintContent(plat::MutableAttributedString& content,
                                                           ZQEditorType forEditor)
{
    const auto theme = externalLightTheme();
    if (forEditor != ZQEditorType::Rich) {
        // Markup keeps everything but its colours, which would print pale.
        const auto black = plat::Color::rgba(0, 0, 0, 1);
        content.enumerateAttribute(plat::ForegroundColorAttribute, plat::wholeRange(content.string()), 0,
                                   [&](const plat::Value& value, Range range, bool*) {
                                       if (!value.isNull())
                                           content.addAttribute(plat::ForegroundColorAttribute, plat::Value(black),
                                                                range);
                                   });
        return content;
    }
    content.removeAttribute(plat::LinkAttribute, plat::wholeRange(content.string()));
    removeInvisible(content, true);
    applyExternalLinks(content, true);
    applyExternalTheme(content, theme);
    const plat::MutableAttributedString footnotes = externalFootnoteBlock(content, QStringLiteral("[%1]: "), true);
    if (footnotes.length() > 0)
        content.append(footnotes);
    return content;
}

plat::MutableAttributedString ZQRender::convertMarkup(ZQMarkupType fromType, ZQMarkupType toType,
                                                      const plat::AttributedString& content)
{
    plat::MutableAttributedString rich = renderMarkupToRich(content, false, fromType);
    plat::MutableAttributedString markup = renderRichToMarkdown(&rich, false, toType);
    highlightMarkdown(markup);
    return markup;
}
