#include "kit/model/ZQHighlighter.h"

#include "kit/foundation/Exs.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQLinkRef.h"
#include "platform/foundation/Url.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <tuple>
#include <vector>

using plat::Attributes;
using plat::Value;

namespace {

Value url(const QString& string)
{
    return Value(plat::Url::fromString(string));
}

Value colour(const plat::ColorPtr& color)
{
    return Value(color);
}

plat::FontPtr fontOf(const Attributes& attributes)
{
    return attributes.value(plat::FontAttribute).toObject<plat::Font>();
}

} // namespace

ZQHighlighter& ZQHighlighter::sharedHighlighter()
{
    // The application installs its settings first; without them the
    // factory still works, from settings read out of the user defaults.
    static ZQHighlighter shared(ZSSettings::sharedSettings() ? ZSSettings::sharedSettings() : ZSSettings::create(),
                                ZSTextTheme::sharedTheme());
    return shared;
}

ZQHighlighter::ZQHighlighter(ZSSettingsPtr settings, ZSTextThemePtr theme)
    : m_settings(std::move(settings)), m_textTheme(std::move(theme)), m_tabInterval(m_settings->tabInterval())
{
}

// --- Markup editor ---------------------------------------------------------------

Attributes ZQHighlighter::listMarkdown(const ZQListStylePtr& listStyle) const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkListColor()));
    a.set(ZQAttr::FilterList, Value(listStyle));
    return a;
}

Attributes ZQHighlighter::quoteMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkQuoteColor()));
    a.set(ZQAttr::FilterQuote, ZSUtils::uuid());
    return a;
}

Attributes ZQHighlighter::dividerMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkDividerColor()));
    return a;
}

Attributes ZQHighlighter::headingMarkdown(quint64 level, const QString& headingUuid, quint64 headingType) const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkHeadingColor()));
    auto style = ZQHeadingStyle::initWithUuid(headingUuid, level);
    style->setHeadingType(headingType);
    a.set(ZQAttr::FilterHeading, Value(style));
    return a;
}

Attributes ZQHighlighter::autolinkMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkAutolinkColor()));
    return a;
}

Attributes ZQHighlighter::linkMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkLinkColor()));
    return a;
}

Attributes ZQHighlighter::linkRefMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkLinkRefBodyColor()));
    return a;
}

Attributes ZQHighlighter::linkRefLabelMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkLinkRefLabelColor()));
    return a;
}

Attributes ZQHighlighter::taskMarkdown(const ZQListStylePtr& listStyle, const QString& taskState) const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(ZQAttr::FilterTask, Value(listStyle));
    const plat::ColorPtr state = taskState.isEmpty() || taskState == QLatin1String(" ") ? m_textTheme->mkTaskColor()
        : taskState == QLatin1String("-")                                               ? m_textTheme->mkTaskOngoingColor()
                                                                                        : m_textTheme->mkTaskCompletedColor();
    a.set(plat::ForegroundColorAttribute, colour(state));
    a.set(plat::LinkAttribute, url(QStringLiteral("#TASK")));
    return a;
}

Attributes ZQHighlighter::indentCodeblockMarkdown(const Value& value) const
{
    Attributes a = codeTyping(ZQEditorType::Markup);
    a.set(ZQAttr::IndentBlock, value);
    return a;
}

Attributes ZQHighlighter::codeblockMarkdown(const QString& part, const ZQPairedAttributePtr& pairedAttribute,
                                            const QString& key) const
{
    const bool body = part == QLatin1String("B");
    Attributes a = body ? codeTyping(ZQEditorType::Markup) : typing(ZQEditorType::Markup);
    a.set(ZQAttr::FilterCodeBlock, part);
    if (part == QLatin1String("T") || part == QLatin1String("S") || part == QLatin1String("E"))
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkCodeBlockTagColor()));
    if (pairedAttribute)
        a.set(ZQAttr::Paired, Value(pairedAttribute));
    a.set(ZQAttr::Raw, key);
    return a;
}

Attributes ZQHighlighter::imageMarkdown(const QString& uuid) const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkImageColor()));
    a.set(plat::UnderlineAttribute, qint64(1));
    a.set(plat::LinkAttribute, url(QStringLiteral("#IMG") + uuid));
    a.set(ZQAttr::MacroImage, Value(ZQImageStyle::initWithUuid(uuid)));
    return a;
}

Attributes ZQHighlighter::footnoteMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkFootnoteColor()));
    return a;
}

Attributes ZQHighlighter::baseBodyMarkdown(int nodeType) const
{
    Attributes a = typing(ZQEditorType::Markup);
    const plat::FontPtr font = fontOf(a);
    switch (nodeType) {
    case Strong:
        a.set(plat::FontAttribute, Exs::toHaveBold(*font));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkBoldColor()));
        break;
    case Emphasis:
        a.set(plat::FontAttribute, Exs::toHaveItalic(*font));
        a.set(ZQAttr::FilterItalic, QStringLiteral("Italic"));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkItalicColor()));
        break;
    case StrikeThrough:
        a.set(plat::StrikethroughAttribute, qint64(1));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkCrossColor()));
        break;
    case CodeSpan:
        a.set(ZQAttr::FilterCode, QStringLiteral("Code"));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkCodeColor()));
        break;
    case Underline:
        a.set(plat::UnderlineAttribute, qint64(1));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkTextColor()));
        break;
    case Tag:
        a.set(ZQAttr::MacroTag, ZSUtils::uuid());
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkTagColor()));
        break;
    default:
        break;
    }
    return a;
}

Attributes ZQHighlighter::baseMarkdown(int nodeType, const ZQPairedAttributePtr& pairedAttr) const
{
    Attributes a = typing(ZQEditorType::Markup);
    plat::ColorPtr marker;
    switch (nodeType) {
    case Strong:
        marker = m_textTheme->mkBoldMarkerColor();
        break;
    case Emphasis:
        marker = m_textTheme->mkItalicMarkerColor();
        break;
    case StrikeThrough:
        marker = m_textTheme->mkCrossMarkerColor();
        break;
    case CodeSpan:
        marker = m_textTheme->mkCodeMarkerColor();
        break;
    case Tag:
        marker = m_textTheme->mkTagMarkerColor();
        break;
    default:
        marker = m_textTheme->mkTextColor();
        break;
    }
    a.set(plat::ForegroundColorAttribute, colour(marker));
    if (pairedAttr)
        a.set(ZQAttr::Paired, Value(pairedAttr));
    return a;
}

Attributes ZQHighlighter::htmlTagMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkHtmlTagColor()));
    return a;
}

Attributes ZQHighlighter::entityMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkEntityColor()));
    return a;
}

Attributes ZQHighlighter::escapeMarkdown() const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->mkEscapeColor()));
    return a;
}

void ZQHighlighter::highlightMDHeadingMarker(plat::MutableAttributedString& text, plat::Range markerRange) const
{
    text.addAttribute(plat::ForegroundColorAttribute, colour(m_textTheme->mkHeadingMarkerColor()), markerRange);
}

void ZQHighlighter::highlightLinkRefMarkdown(plat::MutableAttributedString& text,
                                             const std::vector<std::shared_ptr<ZQLinkRef>>& linkRefs) const
{
    for (const auto& ref : linkRefs) {
        if (!ref->isFootnote())
            text.setAttributes(linkRefMarkdown(), ref->contentRange());
        text.setAttributes(linkRefLabelMarkdown(), plat::Range(ref->contentRange().location, ref->labelRange().length));
    }
}

// --- Rich text ---------------------------------------------------------------------

plat::ParagraphStylePtr ZQHighlighter::listParagraphStyle(const Attributes& base, const ZQListStylePtr& listStyle,
                                                          bool forTab, bool forTask) const
{
    const auto current = base.value(plat::ParagraphStyleAttribute).toObject<plat::ParagraphStyle>();
    const qint64 depth = listStyle ? qint64(listStyle->depth()) : 0;
    // Every list line of a page starts from one of a few base styles, and
    // attribute values are never changed in place: each result is made once
    // per thread and shared (the entry keeps its base alive, so the address
    // in the key stays its own).
    using Key = std::tuple<const plat::ParagraphStyle*, double, qint64, bool, bool>;
    thread_local std::map<Key, std::pair<plat::ParagraphStylePtr, plat::ParagraphStylePtr>> made;
    const Key key{current.get(), m_tabInterval, depth, forTab, forTask};
    if (const auto found = made.find(key); found != made.end())
        return found->second.second;
    plat::ParagraphStylePtr style = current ? current->mutableCopy() : plat::ParagraphStyle::create();
    tabStopsForList(*style, depth, 0, forTab, forTask);
    if (made.size() >= 256)
        made.clear();
    made.emplace(key, std::make_pair(current, style));
    return style;
}

Attributes ZQHighlighter::listRich(const ZQListStylePtr& listStyle) const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richListColor()));
    a.set(ZQAttr::Readonly, ZQAttr::FilterList);
    a.set(ZQAttr::FilterList, Value(listStyle));
    a.set(plat::ParagraphStyleAttribute, Value(listParagraphStyle(a, listStyle, false, false)));
    return a;
}

Attributes ZQHighlighter::listIndentTabRich(const ZQListStylePtr& listStyle, bool forTask) const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::Readonly, ZQAttr::FilterList);
    a.set(ZQAttr::InListIndent, Value(listStyle));
    a.set(plat::ParagraphStyleAttribute, Value(listParagraphStyle(a, listStyle, true, forTask)));
    return a;
}

Attributes ZQHighlighter::taskRich(const ZQListStylePtr& listStyle, const QString& taskState) const
{
    Attributes a = typing(ZQEditorType::Rich);
    const plat::ColorPtr state = taskState.isEmpty() || taskState == QLatin1String(" ") ? m_textTheme->richTaskColor()
        : taskState == QLatin1String("-") ? m_textTheme->richTaskOngoingColor()
                                          : m_textTheme->richTaskCompletedColor();
    a.set(plat::ForegroundColorAttribute, colour(state));
    a.set(ZQAttr::TextBlock, Value(ZQTextBlockStyle::initWithUuid(ZSUtils::uuid(), ZQAttr::FilterTask, nullptr, state)));
    a.set(ZQAttr::FilterTask, Value(listStyle));
    a.set(plat::LinkAttribute, url(QStringLiteral("#TASK")));
    a.set(ZQAttr::Readonly, ZQAttr::FilterTask);
    a.set(plat::ParagraphStyleAttribute, Value(listParagraphStyle(a, listStyle, false, true)));
    return a;
}

Attributes ZQHighlighter::quoteRich() const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::FilterQuote, Value(ZQQuoteStyle::create()));
    a.set(ZQAttr::Readonly, ZQAttr::FilterQuote);
    return a;
}

Attributes ZQHighlighter::headingRich(quint64 level, const QString& headingUuid, quint64 headingType) const
{
    const std::array<double, 8> sizes = m_settings->headingFontSize(ZQEditorType::Rich);
    const std::size_t entry = std::clamp<quint64>(level, 1, sizes.size()) - 1;
    auto style = ZQHeadingStyle::initWithUuid(headingUuid, level);
    style->setHeadingType(headingType);
    return Attributes{
        {plat::ForegroundColorAttribute, colour(m_textTheme->richHeadingColor())},
        {ZQAttr::FilterHeading, Value(style)},
        {plat::FontAttribute, Value(Exs::toSize(*m_settings->defaultFont(ZQEditorType::Rich), sizes[entry]))},
        {plat::ParagraphStyleAttribute, Value(m_settings->defaultParagraphStyle(ZQEditorType::Rich))},
    };
}

Attributes ZQHighlighter::dividerRich() const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::FilterDivider, QStringLiteral("Divider"));
    return a;
}

Attributes ZQHighlighter::autolinkRich() const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::Autolink, QStringLiteral("Autolink"));
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richAutolinkColor()));
    return a;
}

Attributes ZQHighlighter::linkRich(const QString& uuid) const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::FilterLink, Value(ZQLinkStyle::initWithUuid(uuid)));
    a.set(ZQAttr::TextBlock, Value(ZQTextBlockStyle::initWithUuid(uuid, ZQAttr::FilterLink,
                                                                  m_textTheme->richLinkBackgroundColor(),
                                                                  m_textTheme->richLinkBorderColor())));
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richLinkColor()));
    a.set(plat::LinkAttribute, url(QStringLiteral("#LINK") + uuid));
    return a;
}

Attributes ZQHighlighter::linkRefRich() const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richLinkRefBodyColor()));
    a.set(ZQAttr::LinkRef, QStringLiteral("LinkRef"));
    return a;
}

Attributes ZQHighlighter::imageRich(const QString& uuid, const QString& imageUrl, bool forTag) const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::MacroImage, Value(ZQImageStyle::initWithUuid(uuid)));
    a.set(plat::LinkAttribute, url(imageUrl));
    a.set(ZQAttr::Readonly, ZQAttr::MacroImage);
    if (forTag) {
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richImageColor()));
        a.set(ZQAttr::TextBlock, Value(ZQTextBlockStyle::initWithUuid(uuid, ZQAttr::MacroImage,
                                                                      m_textTheme->richImageBackgroundColor(),
                                                                      m_textTheme->richImageBorderColor())));
    }
    return a;
}

Attributes ZQHighlighter::footnodeRich(const QString& uuid, qint64 index) const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::MacroFootnote, Value(ZQFootnoteStyle::initWithUuid(uuid, index)));
    a.set(plat::LinkAttribute, url(QStringLiteral("#FN") + uuid));
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richFootnoteColor()));
    a.set(plat::SuperscriptAttribute, double(1.2f));
    a.set(plat::FontAttribute, Value(m_settings->defaultSuperScribeFont(ZQEditorType::Rich)));
    a.set(ZQAttr::Readonly, uuid);
    return a;
}

Attributes ZQHighlighter::indentCodeblockRich() const
{
    Attributes a = codeTyping(ZQEditorType::Rich);
    const QString uuid = ZSUtils::uuid();
    a.set(ZQAttr::IndentBlock, uuid);
    a.set(ZQAttr::Raw, uuid);
    return a;
}

Attributes ZQHighlighter::codeblockRich(const QString& part, const QString& key) const
{
    const bool body = part == QLatin1String("B");
    Attributes a = body ? codeTyping(ZQEditorType::Rich) : typing(ZQEditorType::Rich);
    a.set(ZQAttr::FilterCodeBlock, part);
    a.set(ZQAttr::Raw, key);
    if (!body)
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richCodeBlockTagColor()));
    if (part == QLatin1String("S") || part == QLatin1String("E"))
        a.set(ZQAttr::Readonly, key);
    return a;
}

Attributes ZQHighlighter::htmlTagRich() const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::HtmlTag, QStringLiteral("HTMLTag"));
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richHtmlTagColor()));
    return a;
}

Attributes ZQHighlighter::entityRich(const QString& entity) const
{
    Attributes a = typing(ZQEditorType::Markup);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richEntityColor()));
    a.set(ZQAttr::Entity, entity);
    return a;
}

Attributes ZQHighlighter::escapeRich() const
{
    Attributes a = typing(ZQEditorType::Rich);
    a.set(ZQAttr::Escaped, QStringLiteral("ESC"));
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richEscapeColor()));
    return a;
}

void ZQHighlighter::addTagRich(Attributes& a) const
{
    const QString uuid = ZSUtils::uuid();
    a.set(ZQAttr::TextBlock, Value(ZQTextBlockStyle::initWithUuid(uuid, ZQAttr::MacroTag,
                                                                  m_textTheme->richTagBackgroundColor(),
                                                                  m_textTheme->richTagBorderColor())));
    a.set(ZQAttr::MacroTag, uuid);
    a.set(ZQAttr::Raw, uuid);
    a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richTagColor()));
}

Attributes ZQHighlighter::baseRich(int nodeType) const
{
    Attributes a = typing(ZQEditorType::Rich);
    const plat::FontPtr font = fontOf(a);
    switch (nodeType) {
    case Strong:
        a.set(plat::FontAttribute, Exs::toHaveBold(*font));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richBoldColor()));
        break;
    case Emphasis:
        a.set(plat::FontAttribute, Exs::toHaveItalic(*font));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richItalicColor()));
        a.set(ZQAttr::FilterItalic, QStringLiteral("Italic"));
        break;
    case StrikeThrough:
        a.set(plat::StrikethroughAttribute, qint64(1));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richCrossColor()));
        break;
    case CodeSpan:
        a.set(ZQAttr::FilterCode, QStringLiteral("Code"));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richCodeColor()));
        break;
    case Underline:
        a.set(plat::UnderlineAttribute, qint64(1));
        a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richTextColor()));
        break;
    case Tag:
        addTagRich(a);
        break;
    default:
        break;
    }
    return a;
}

void ZQHighlighter::removeIndentCodeblockRich(plat::MutableAttributedString& text, plat::Range range) const
{
    for (const QString& name : {ZQAttr::IndentBlock, ZQAttr::Raw, ZQAttr::CodeBlockKeyword})
        text.removeAttribute(name, range);
    text.addAttribute(plat::ForegroundColorAttribute, colour(m_textTheme->richTextColor()), range);
    text.addAttribute(plat::FontAttribute, Value(m_settings->defaultFont(ZQEditorType::Rich)), range);
}

void ZQHighlighter::removeCodeblockRich(plat::MutableAttributedString& text, plat::Range range) const
{
    for (const QString& name : {ZQAttr::FilterCodeBlock, ZQAttr::Raw, ZQAttr::Readonly, ZQAttr::CodeBlockKeyword})
        text.removeAttribute(name, range);
    text.addAttribute(plat::ForegroundColorAttribute, colour(m_textTheme->richTextColor()), range);
    text.addAttribute(plat::FontAttribute, Value(m_settings->defaultFont(ZQEditorType::Rich)), range);
}

// --- Merging and toggling -------------------------------------------------------------

void ZQHighlighter::applyAttributes(const Attributes& attributes, plat::MutableAttributedString& content,
                                    plat::Range range) const
{
    const bool inHeading = range.length > 0
        && !content.attributeAtIndex(ZQAttr::FilterHeading, range.location).isNull();
    for (const auto& [name, value] : attributes) {
        if (name == plat::FontAttribute) {
            const plat::FontPtr font = value.toObject<plat::Font>();
            if (!font)
                continue;
            const bool resize = attributes.contains(ZQAttr::FilterHeading)
                || attributes.contains(ZQAttr::FilterCodeBlock) || attributes.contains(ZQAttr::IndentBlock);
            std::vector<std::pair<plat::Range, plat::FontPtr>> adjusted;
            content.enumerateAttribute(plat::FontAttribute, range, 0, [&](const Value& runValue, plat::Range run, bool*) {
                plat::FontPtr runFont = runValue.toObject<plat::Font>();
                if (!runFont)
                    return;
                plat::FontPtr result = runFont;
                if (resize && result->pointSize() != font->pointSize())
                    result = Exs::toSize(*result, font->pointSize());
                if (Exs::isBold(*font) && !Exs::isBold(*result))
                    result = Exs::toHaveBold(*result);
                if (Exs::isItalic(*font) && !Exs::isItalic(*result))
                    result = Exs::toHaveItalic(*result);
                if (result != runFont)
                    adjusted.emplace_back(run, result);
            });
            for (const auto& [run, result] : adjusted)
                content.addAttribute(plat::FontAttribute, Value(result), run);
        } else if (name == plat::ForegroundColorAttribute) {
            if (!inHeading)
                content.addAttribute(name, value, range);
        } else {
            content.addAttribute(name, value, range);
        }
    }
}

namespace {

// Disjoint covered intervals, start to end.
class Coverage {
public:
    // The parts of range not yet covered, then covers all of it.
    std::vector<plat::Range> cover(plat::Range range)
    {
        std::vector<plat::Range> gaps;
        qsizetype start = range.location;
        qsizetype end = range.end();
        qsizetype at = start;
        auto it = m_intervals.upper_bound(start);
        if (it != m_intervals.begin() && std::prev(it)->second >= start)
            --it;
        while (it != m_intervals.end() && it->first <= end) {
            if (it->first > at)
                gaps.emplace_back(at, it->first - at);
            at = std::max(at, it->second);
            start = std::min(start, it->first);
            end = std::max(end, it->second);
            it = m_intervals.erase(it);
        }
        if (at < range.end())
            gaps.emplace_back(at, range.end() - at);
        m_intervals.emplace(start, end);
        return gaps;
    }

private:
    std::map<qsizetype, qsizetype> m_intervals;
};

} // namespace

void ZQHighlighter::applyAttributesInOrder(const std::vector<Paint>& paints,
                                           plat::MutableAttributedString& content) const
{
    // Resizing fonts depends on what the paints before left: those go in turn.
    const bool resizes = std::any_of(paints.begin(), paints.end(), [](const Paint& paint) {
        return paint.attributes.contains(ZQAttr::FilterHeading) || paint.attributes.contains(ZQAttr::FilterCodeBlock)
            || paint.attributes.contains(ZQAttr::IndentBlock);
    });
    if (resizes || paints.size() < 2) {
        for (const Paint& paint : paints)
            applyAttributes(paint.attributes, content, paint.range);
        return;
    }
    // Last paint first: a position an attribute was written at is final for it.
    // Bold and italic only add to a font, so they go wherever no paint added
    // them yet.
    QHash<QString, Coverage> covered;
    Coverage bold;
    Coverage italic;
    for (auto paint = paints.rbegin(); paint != paints.rend(); ++paint) {
        const plat::Range range = paint->range;
        if (range.length <= 0)
            continue;
        const bool inHeading = !content.attributeAtIndex(ZQAttr::FilterHeading, range.location).isNull();
        for (const auto& [name, value] : paint->attributes) {
            if (name == plat::FontAttribute) {
                const plat::FontPtr font = value.toObject<plat::Font>();
                if (!font)
                    continue;
                const auto add = [&](Coverage& done, bool wanted, const auto& has, const auto& with) {
                    if (!wanted)
                        return;
                    for (const plat::Range gap : done.cover(range)) {
                        std::vector<std::pair<plat::Range, plat::FontPtr>> adjusted;
                        content.enumerateAttribute(plat::FontAttribute, gap, 0,
                                                   [&](const Value& runValue, plat::Range run, bool*) {
                                                       const plat::FontPtr runFont = runValue.toObject<plat::Font>();
                                                       if (runFont && !has(*runFont))
                                                           adjusted.emplace_back(run, with(*runFont));
                                                   });
                        for (const auto& [run, result] : adjusted)
                            content.addAttribute(plat::FontAttribute, Value(result), run);
                    }
                };
                add(bold, Exs::isBold(*font), [](const plat::Font& f) { return Exs::isBold(f); },
                    [](const plat::Font& f) { return Exs::toHaveBold(f); });
                add(italic, Exs::isItalic(*font), [](const plat::Font& f) { return Exs::isItalic(f); },
                    [](const plat::Font& f) { return Exs::toHaveItalic(f); });
            } else if (name != plat::ForegroundColorAttribute || !inHeading) {
                for (const plat::Range gap : covered[name].cover(range))
                    content.addAttribute(name, value, gap);
            }
        }
    }
}

Attributes ZQHighlighter::toggleTypingAttribute(int nodeType, const Attributes& typingAttributes) const
{
    Attributes a = typingAttributes;
    plat::FontPtr font = fontOf(a);
    if (!font)
        font = m_settings->defaultFont(ZQEditorType::Rich);
    bool wasOn = false;
    switch (nodeType) {
    case Strong:
        wasOn = Exs::isBold(*font);
        if (wasOn) {
            a.set(plat::FontAttribute, Exs::toNotHaveBold(*font));
        } else {
            a.set(plat::FontAttribute, Exs::toHaveBold(*font));
            a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richBoldColor()));
        }
        break;
    case Emphasis:
        wasOn = Exs::isItalic(*font) || a.contains(ZQAttr::FilterItalic);
        if (wasOn) {
            a.set(plat::FontAttribute, Exs::toNotHaveItalic(*font));
            a.remove(ZQAttr::FilterItalic);
            a.remove(plat::ObliquenessAttribute);
        } else {
            a.set(plat::FontAttribute, Exs::toHaveItalic(*font));
            a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richItalicColor()));
            a.set(ZQAttr::FilterItalic, QStringLiteral("Italic"));
        }
        break;
    case StrikeThrough:
        wasOn = a.contains(plat::StrikethroughAttribute);
        if (wasOn) {
            a.remove(plat::StrikethroughAttribute);
        } else {
            a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richCrossColor()));
            a.set(plat::StrikethroughAttribute, qint64(1));
        }
        break;
    case CodeSpan:
        wasOn = a.contains(ZQAttr::FilterCode);
        if (wasOn) {
            a.remove(ZQAttr::FilterCode);
        } else {
            a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richCodeColor()));
            a.set(ZQAttr::FilterCode, QStringLiteral("Code"));
        }
        break;
    case Underline:
        wasOn = a.contains(plat::UnderlineAttribute);
        if (wasOn) {
            a.remove(plat::UnderlineAttribute);
        } else {
            a.set(plat::ForegroundColorAttribute, colour(m_textTheme->richTextColor()));
            a.set(plat::UnderlineAttribute, qint64(1));
        }
        break;
    case Tag:
        wasOn = a.contains(ZQAttr::MacroTag);
        if (wasOn) {
            a.remove(ZQAttr::MacroTag);
            a.remove(ZQAttr::TextBlock);
            a.remove(ZQAttr::Raw);
        } else {
            addTagRich(a);
        }
        break;
    default:
        return a;
    }
    if (wasOn)
        cascadeDownFontColor(a);
    return a;
}

void ZQHighlighter::cascadeDownFontColor(Attributes& a) const
{
    const plat::FontPtr font = fontOf(a);
    plat::ColorPtr color;
    if (a.contains(ZQAttr::FilterLink))
        color = m_textTheme->richLinkColor();
    else if (a.contains(ZQAttr::MacroTag))
        color = m_textTheme->richTagColor();
    else if (a.contains(ZQAttr::MacroFootnote))
        color = m_textTheme->richFootnoteColor();
    else if (font && Exs::isBold(*font))
        color = m_textTheme->richBoldColor();
    else if ((font && Exs::isItalic(*font)) || a.contains(ZQAttr::FilterItalic))
        color = m_textTheme->richItalicColor();
    else if (a.contains(plat::StrikethroughAttribute))
        color = m_textTheme->richCrossColor();
    else if (a.contains(ZQAttr::FilterCode))
        color = m_textTheme->richCodeColor();
    else
        color = m_textTheme->richTextColor();
    a.set(plat::ForegroundColorAttribute, colour(color));
}

void ZQHighlighter::tabStopsForList(plat::ParagraphStyle& paragraphStyle, qint64 listLevel, double offset,
                                    bool forTab, bool forTask) const
{
    const double base = forTask ? 2.0 : 11.0;
    const double t = m_tabInterval;
    const double text = t * double(listLevel - 1) + base + 33.0 + offset;
    // Every list line of a page asks for one of a few sets of stops: tab stops
    // are immutable values, so each set is made once per thread and shared.
    using Key = std::tuple<double, qint64, double, bool, bool>;
    thread_local std::map<Key, std::vector<plat::TextTabPtr>> made;
    const Key key{t, listLevel, offset, forTab, forTask};
    auto found = made.find(key);
    if (found == made.end()) {
        if (made.size() >= 256)
            made.clear();
        const double marker = t * double(listLevel - 1) + base + offset;
        std::vector<plat::TextTabPtr> stops;
        if (!forTab)
            stops.push_back(plat::TextTab::create(plat::TextAlignment::Left, marker));
        stops.push_back(plat::TextTab::create(plat::TextAlignment::Left, text));
        for (qint64 i = listLevel; i <= listLevel + 11; ++i)
            stops.push_back(plat::TextTab::create(plat::TextAlignment::Left, t * double(i) + base + 33.0 + offset));
        found = made.emplace(key, std::move(stops)).first;
    }
    paragraphStyle.setTabStops(found->second);
    paragraphStyle.setHeadIndent(text);
}

bool ZQHighlighter::tabStopsVerify(const plat::ParagraphStyle& paragraphStyle, qint64 listLevel, double offset,
                                   bool forTab, bool forTask) const
{
    if (paragraphStyle.tabStops().empty())
        return false;
    const double base = forTask ? 2.0 : 11.0;
    const double expected = m_tabInterval * double(listLevel - 1) + base + (forTab ? 33.0 : 0.0) + offset;
    return std::fabs(paragraphStyle.tabStops().front()->location() - expected) < 1.1920928955078125e-7;
}
