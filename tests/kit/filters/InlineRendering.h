#pragma once
// Runs the paragraph parser over one paragraph for a render target.

#include "kit/filters/ZQParagraphParser.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/AttributedString.h"

#include "support/QStringPrinting.h"

#include <QString>
#include <ostream>

namespace InlineRendering {

using enum ZQMarkupType;

inline std::shared_ptr<ZQRenderContext> context(quint64 target, ZQMarkupType markupType,
                                                std::shared_ptr<ZQLinkRefMap> refs = nullptr)
{
    auto context = std::make_shared<ZQRenderContext>();
    context->setRenderTargetType(target);
    context->setRunningMarkupType(markupType);
    context->setLinkRefMap(refs ? std::move(refs) : std::make_shared<ZQLinkRefMap>());
    return context;
}

// A definition as the page's map holds it.
inline void define(ZQLinkRefMap& map, const QString& label, const QString& link, const QString& title = QString())
{
    auto ref = ZQLinkRef::initWithLink(link, title);
    ref->setLabel(label);
    if (label.startsWith(QLatin1Char('^')))
        ref->setIsFootnote(true);
    map.insert(label, ref);
}

inline QString html(const QString& text, ZQMarkupType markupType = Markdown,
                    std::shared_ptr<ZQLinkRefMap> refs = nullptr)
{
    ZQParagraphParser parser;
    auto ctx = context(ZQRenderContext::TargetHTML, markupType, std::move(refs));
    plat::MutableAttributedString paragraph(text);
    parser.parseParagraph(paragraph, nullptr, 70, *ctx);
    return paragraph.string();
}

// The paragraph starts with the rich editor's typing attributes, as the render engine gives it.
inline plat::MutableAttributedString rich(const QString& text, ZQRenderContext& context)
{
    ZQParagraphParser parser;
    plat::MutableAttributedString paragraph(text,
                                            ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
    parser.parseParagraph(paragraph, nullptr, 12, context);
    return paragraph;
}

// The records the markup editor styles.
inline ZQParagraphParser::Markers records(const QString& text, ZQMarkupType markupType = Markdown,
                                          std::shared_ptr<ZQLinkRefMap> refs = nullptr)
{
    ZQParagraphParser parser;
    auto ctx = context(ZQRenderContext::TargetMarkup, markupType, std::move(refs));
    plat::MutableAttributedString paragraph(text);
    ZQParagraphParser::Markers found;
    parser.parseParagraph(paragraph, &found, 16, *ctx);
    return found;
}

} // namespace InlineRendering
