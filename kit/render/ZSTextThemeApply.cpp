// Putting a theme's colours onto text that already stands in an editor. Rich
// text is recoloured run by run from the constructs it carries; markup and
// code blocks are styled again by the render engine.

#include "kit/render/ZSTextThemeApply.h"

#include "kit/model/ZSTextTheme.h"

#include "kit/foundation/Exs.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZSUtils.h"
#include "platform/text/Font.h"
#include "platform/text/TextView.h"

#include <utility>
#include <vector>

using plat::Range;

namespace {

// The colours one run takes: its text colour, and for a construct drawn as a
// box the box's background and border (null: kept).
struct RunColours {
    plat::ColorPtr foreground;
    plat::ColorPtr background;
    plat::ColorPtr border;
    bool boxed = false;

    void set(plat::ColorPtr text) { *this = RunColours{std::move(text), nullptr, nullptr, false}; }
    void setBoxed(plat::ColorPtr text, plat::ColorPtr bk, plat::ColorPtr line)
    {
        *this = RunColours{std::move(text), std::move(bk), std::move(line), true};
    }
};

// As the style factory colours tasks: open, ongoing, anything else done.
plat::ColorPtr taskColour(const ZSTextTheme& theme, const QString& state)
{
    if (state.isEmpty() || state == QLatin1String(" "))
        return theme.richTaskColor();
    if (state == QLatin1String("-"))
        return theme.richTaskOngoingColor();
    return theme.richTaskCompletedColor();
}

// What the run's constructs call for; false when it carries none. Later
// matches win: inline faces first, then constructs, boxed chips last.
bool coloursForRun(const plat::AttributedString& content, const plat::Attributes& attributes, Range range,
                   const ZSTextTheme& theme, RunColours& colours)
{
    bool found = false;
    const auto match = [&](bool present, plat::ColorPtr colour) {
        if (present) {
            colours.set(std::move(colour));
            found = true;
        }
    };
    // Inline faces rank as the style factory ranks them when they combine.
    const auto has = [&](const QString& name) { return attributes.contains(name); };
    const auto font = attributes.value(plat::FontAttribute).toObject<plat::Font>();
    match(has(plat::UnderlineAttribute), theme.richTextColor());
    match(has(ZQAttr::FilterCode), theme.richCodeColor());
    match(has(plat::StrikethroughAttribute), theme.richCrossColor());
    match((font && Exs::isItalic(*font)) || has(ZQAttr::FilterItalic), theme.richItalicColor());
    match(font && Exs::isBold(*font), theme.richBoldColor());
    match(has(ZQAttr::Escaped), theme.richEscapeColor());
    match(has(ZQAttr::Entity), theme.richEntityColor());
    match(has(ZQAttr::Autolink), theme.richAutolinkColor());
    match(has(ZQAttr::HtmlTag), theme.richHtmlTagColor());
    match(has(ZQAttr::LinkRef), theme.richLinkRefBodyColor());
    match(has(ZQAttr::FilterList), theme.richListColor());
    const QString part = attributes.value(ZQAttr::FilterCodeBlock).toString();
    match(part == QLatin1String("S") || part == QLatin1String("E") || part == QLatin1String("T"),
          theme.richCodeBlockTagColor());
    match(has(ZQAttr::FilterHeading), theme.richHeadingColor());
    match(has(ZQAttr::MacroFootnote), theme.richFootnoteColor());
    if (has(ZQAttr::FilterTask)) {
        const QString state
            = ZQRenderUtil::parseTaskStateFromMarker(content.string(), ZQEditorType::Rich, range, nullptr, nullptr);
        const plat::ColorPtr colour = taskColour(theme, state);
        colours.setBoxed(colour, nullptr, colour);
        found = true;
    }
    const auto boxed = [&](const QString& name, plat::ColorPtr text, plat::ColorPtr bk, plat::ColorPtr line) {
        if (has(name)) {
            colours.setBoxed(std::move(text), std::move(bk), std::move(line));
            found = true;
        }
    };
    boxed(ZQAttr::MacroImage, theme.richImageColor(), theme.richImageBackgroundColor(), theme.richImageBorderColor());
    boxed(ZQAttr::MacroTag, theme.richTagColor(), theme.richTagBackgroundColor(), theme.richTagBorderColor());
    boxed(ZQAttr::FilterLink, theme.richLinkColor(), theme.richLinkBackgroundColor(), theme.richLinkBorderColor());
    return found;
}

void recolour(plat::Attributes& attributes, const RunColours& colours)
{
    attributes.set(plat::ForegroundColorAttribute, plat::Value(colours.foreground));
    if (!colours.boxed)
        return;
    const auto block = attributes.value(ZQAttr::TextBlock).toObject<ZQTextBlockStyle>();
    if (!block)
        return;
    auto copy = std::static_pointer_cast<ZQTextBlockStyle>(block->copy());
    if (colours.background)
        copy->setBkColor(colours.background);
    if (colours.border)
        copy->setBorderColor(colours.border);
    attributes.set(ZQAttr::TextBlock, plat::Value(copy));
}

} // namespace

void ZSTextThemeApply::applyThemeForRichContent(plat::MutableAttributedString& content, const ZSTextTheme& theme)
{
    std::vector<std::pair<Range, plat::Attributes>> recoloured;
    content.enumerateAttributes(Range(0, content.length()), plat::EnumerationReverse,
                                [&](const plat::Attributes& attributes, Range range, bool*) {
                                    // Code bodies keep the highlighter's colours.
                                    if (attributes.value(ZQAttr::FilterCodeBlock).toString() == QLatin1String("B")
                                        || attributes.contains(ZQAttr::IndentBlock))
                                        return;
                                    RunColours colours;
                                    plat::Attributes changed = attributes;
                                    if (coloursForRun(content, attributes, range, theme, colours))
                                        recolour(changed, colours);
                                    else if (attributes.contains(plat::ForegroundColorAttribute))
                                        changed.set(plat::ForegroundColorAttribute, plat::Value(theme.richTextColor()));
                                    else
                                        return;
                                    recoloured.emplace_back(range, std::move(changed));
                                });
    content.beginEditing();
    for (const auto& [range, attributes] : recoloured)
        content.setAttributes(attributes, range);
    content.endEditing();
}

void ZSTextThemeApply::applyThemeForRichEditor(const ZSTextTheme& theme, plat::TextView& view, ZQRender& render)
{
    const Range selected = view.selectedRange();
    applyThemeForRichContent(*view.textStorage(), theme);
    // Typing attributes follow the recoloured text.
    if (!selected.isNotFound() && selected.end() <= view.textStorage()->length())
        view.setSelectedRange(selected, view.selectionAffinity());

    render.renderContext()->enumerateAttachedStorage([&](const ZQAttachedStoragePtr& storage, bool* changed) {
        const auto body = storage->attachedText();
        if (!body)
            return;
        plat::MutableAttributedString text = body->getAttributedString();
        if (text.length() == 0)
            return;
        applyThemeForRichContent(text, theme);
        body->setAttributedString(text);
        *changed = true;
    });
}

void ZSTextThemeApply::applyThemeForMarkupEditor(const ZSTextTheme&, plat::TextView& view, ZQRender& render)
{
    render.highlightMarkdown(*view.textStorage());
}

void ZSTextThemeApply::applyCodeBlockTheme(const ZSTextTheme&, plat::TextView& view, ZQRender& render)
{
    render.highlighCodeBlock(view.textStorage(), ZSUtils::getEditorType(view), nullptr);
}
