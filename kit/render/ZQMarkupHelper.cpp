#include "kit/render/ZQMarkupHelper.h"

#include "kit/foundation/Exs.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/Attributes.h"

#include <algorithm>
#include <exception>

namespace {

// Characters after the front matter that the outline title is made from.
constexpr qsizetype TitleWindow = 250;
constexpr qsizetype CanonicalTitleMax = 36;
const QString UntitledPage = QStringLiteral("Quorvel");

qsizetype leadingBlankLength(const QString& s)
{
    const plat::CharacterSet& blanks = plat::CharacterSet::whitespaceAndNewline();
    qsizetype n = 0;
    while (n < s.size() && blanks.contains(s.at(n)))
        ++n;
    return n;
}

bool hasValueAt(const plat::AttributedString& s, const QString& name, qsizetype index)
{
    return !s.attributeAtIndex(name, index).isNull();
}

// The runs of name that carry a value, in text order.
std::vector<plat::Range> valueRuns(const plat::AttributedString& s, const QString& name)
{
    std::vector<plat::Range> runs;
    s.enumerateAttribute(name, plat::Range(0, s.length()), 0, [&](const plat::Value& value, plat::Range range, bool*) {
        if (!value.isNull() && range.length > 0)
            runs.push_back(range);
    });
    return runs;
}

// The font of the first code block run of name that has one; notes whether
// there was a block at all.
std::optional<plat::FontPtr> firstBlockFont(const plat::AttributedString& s, const QString& name, bool* sawBlock)
{
    for (const plat::Range run : valueRuns(s, name)) {
        *sawBlock = true;
        if (auto font = s.attributeAtIndex(plat::FontAttribute, run.location).toObject<plat::Font>())
            return font;
    }
    return std::nullopt;
}

plat::Range longestRunAt(const plat::AttributedString& s, const QString& name, qsizetype index)
{
    plat::Range range;
    s.attributeAtIndexLongestEffectiveRange(name, index, &range, plat::Range(0, s.length()));
    return range;
}

// Drops punctuation and the markup's sign characters, code point by code point.
QString withoutPunctuation(const QString& text)
{
    static const plat::CharacterSet signs = plat::CharacterSet::fromString(QStringLiteral("<>+^$~|"));
    const plat::CharacterSet& punctuation = plat::CharacterSet::punctuation();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = i + 1 < text.size() && text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : char32_t(text.at(i).unicode());
        const qsizetype width = pair ? 2 : 1;
        if (!punctuation.contains(c) && !signs.contains(c))
            out += text.mid(i, width);
        i += width;
    }
    return out;
}

} // namespace

std::shared_ptr<ZQMarkupHelper> ZQMarkupHelper::sharedMarkupHelper()
{
    static const std::shared_ptr<ZQMarkupHelper> shared = std::make_shared<ZQMarkupHelper>();
    return shared;
}

ZQMarkupHelper::ZQMarkupHelper()
    : m_settings(ZSSettings::sharedSettings()),
      m_textTheme(ZSTextTheme::sharedTheme()),
      m_highlighter(&ZQHighlighter::sharedHighlighter()),
      m_markupRender(std::make_unique<ZQRender>())
{
}

ZQMarkupHelper::~ZQMarkupHelper() = default;

bool ZQMarkupHelper::isUsingFont(const plat::Font& font, const plat::AttributedString& richContent) const
{
    static const QString* const skipped[] = {&ZQAttr::FilterHeading, &ZQAttr::MacroFootnote, &ZQAttr::IndentBlock,
                                             &ZQAttr::FilterCodeBlock};
    bool answer = true;
    richContent.enumerateAttribute(plat::FontAttribute, plat::Range(0, richContent.length()), 0,
                                   [&](const plat::Value& value, plat::Range range, bool* stop) {
                                       const auto runFont = value.toObject<plat::Font>();
                                       if (!runFont || range.length == 0)
                                           return;
                                       for (const QString* name : skipped) {
                                           if (hasValueAt(richContent, *name, range.location))
                                               return;
                                       }
                                       answer = runFont->isEqual(font);
                                       *stop = true;
                                   });
    return answer;
}

bool ZQMarkupHelper::isCodeBlockUsingFont(const plat::Font& font, const plat::AttributedString& richContent) const
{
    bool sawFenced = false;
    std::optional<plat::FontPtr> blockFont = firstBlockFont(richContent, ZQAttr::FilterCodeBlock, &sawFenced);
    if (!sawFenced) {
        bool sawIndented = false;
        blockFont = firstBlockFont(richContent, ZQAttr::IndentBlock, &sawIndented);
    }
    return !blockFont || (*blockFont)->isEqual(font);
}

void ZQMarkupHelper::applyFontToContent(plat::MutableAttributedString& richContent, ZQEditorType editorType) const
{
    std::vector<plat::Range> codeRanges = valueRuns(richContent, ZQAttr::FilterCodeBlock);
    for (const plat::Range run : valueRuns(richContent, ZQAttr::IndentBlock))
        codeRanges.push_back(run);
    const std::vector<plat::Range> bodyRanges =
        ZSUtils::rangeSubstrcts(plat::Range(0, richContent.length()), codeRanges);

    const plat::FontPtr bodyFont = m_settings->defaultFont(editorType);
    const std::array<double, 8> headingSizes = m_settings->headingFontSize(ZQEditorType::Rich);
    const plat::AttributedString snapshot(richContent);
    for (const plat::Range body : bodyRanges) {
        snapshot.enumerateAttribute(plat::FontAttribute, body, 0, [&](const plat::Value& value, plat::Range run, bool*) {
            if (value.toObject<plat::Font>() == nullptr || run.length == 0)
                return;
            plat::FontPtr font = bodyFont;
            plat::Range target = run;
            if (editorType == ZQEditorType::Rich) {
                if (const auto heading = snapshot.attributeAtIndex(ZQAttr::FilterHeading, run.location)
                                             .toObject<ZQHeadingStyle>()) {
                    const qsizetype level = std::clamp<qsizetype>(qsizetype(heading->level()), 1, 8);
                    font = Exs::toSize(*bodyFont, headingSizes[size_t(level - 1)]);
                    target = longestRunAt(snapshot, ZQAttr::FilterHeading, run.location);
                } else if (hasValueAt(snapshot, ZQAttr::MacroFootnote, run.location)) {
                    font = m_settings->defaultSuperScribeFont(ZQEditorType::Rich);
                    target = longestRunAt(snapshot, ZQAttr::MacroFootnote, run.location);
                }
            }
            richContent.addAttribute(plat::FontAttribute, plat::Value(font), target);
        });
    }
}

void ZQMarkupHelper::applyFontToCodeBlock(plat::MutableAttributedString& richContent, ZQEditorType editorType) const
{
    const plat::Value font(m_settings->defaultCodeBlockFont(editorType));
    for (const QString* name : {&ZQAttr::FilterCodeBlock, &ZQAttr::IndentBlock}) {
        for (const plat::Range run : valueRuns(richContent, *name))
            richContent.addAttribute(plat::FontAttribute, font, run);
    }
}

std::optional<plat::MutableAttributedString>
ZQMarkupHelper::getOutlineTitle(const plat::AttributedString& content, ZQEditorType fromEditor, plat::Range dirtyRange)
{
    const QString& s = content.string();
    QString frontMatterTitle;
    qsizetype start = ZQRenderUtil::jekllyStylePageFrontMatterLength(s, &frontMatterTitle);
    if (start == 0)
        start = leadingBlankLength(s);
    if (dirtyRange.location >= start + TitleWindow)
        return std::nullopt;
    const qsizetype windowLength = std::min(start + TitleWindow, s.size()) - start;

    QString text;
    plat::AttributedString headingSource;
    if (fromEditor == ZQEditorType::Rich) {
        text = s.mid(start, windowLength);
        headingSource = content.attributedSubstring(plat::Range(start, s.size() - start));
    } else {
        headingSource = m_markupRender->renderMarkupToRich(plat::AttributedString(s.mid(start, windowLength)));
        text = headingSource.string();
    }

    plat::MutableAttributedString outline(plat::AttributedString(text, m_settings->outlineBodyAttribute()));
    const qsizetype textLength = text.size();
    qsizetype textStart = 0;
    if (ZQShared::isNotBlank(frontMatterTitle)) {
        outline.insert(plat::AttributedString(frontMatterTitle, m_settings->outlineTitleAttribute()), 0);
        textStart = frontMatterTitle.size();
    } else {
        const plat::Attributes titleAttributes = m_settings->outlineTitleAttribute();
        const qsizetype scanned = std::min(textLength, headingSource.length());
        headingSource.enumerateAttribute(ZQAttr::FilterHeading, plat::Range(0, scanned), plat::EnumerationReverse,
                                         [&](const plat::Value& value, plat::Range range, bool*) {
                                             if (!value.isNull())
                                                 outline.setAttributes(titleAttributes, range);
                                         });
    }
    ZQMutableAttributedString::replaceOccurrencesOfString(outline, QStringLiteral("\n"), QStringLiteral(" "),
                                                          plat::Range(textStart, textLength));

    // Only title text carries a font: each title run ends a line.
    const plat::AttributedString snapshot(outline);
    snapshot.enumerateAttribute(plat::FontAttribute, plat::Range(0, snapshot.length()), plat::EnumerationReverse,
                                [&](const plat::Value& value, plat::Range range, bool*) {
                                    if (!value.isNull())
                                        outline.insert(plat::AttributedString(QStringLiteral("\n")), range.end());
                                });
    ZQMutableAttributedString::replaceOccurrencesOfString(outline, QStringLiteral("\n\\p{Space}+"), QStringLiteral("\n"),
                                                          plat::Range(0, outline.length()));
    return outline;
}

QString ZQMarkupHelper::getCanonicalTitle(const plat::AttributedString& content, ZQEditorType fromEditor)
{
    QString title;
    try {
        const QString& s = content.string();
        const qsizetype blank = leadingBlankLength(s);
        const qsizetype lineEnd = s.indexOf(u'\n', blank);
        const plat::AttributedString firstLine =
            lineEnd >= 0 ? content.attributedSubstring(plat::Range(blank, lineEnd - blank)) : content;
        const auto outline = getOutlineTitle(firstLine, fromEditor, plat::Range(0, firstLine.length()));
        if (outline && outline->length() > 0) {
            title = outline->string();
            if (hasValueAt(*outline, ZQAttr::OutlineTitle, 0)) {
                const plat::Range run = longestRunAt(*outline, ZQAttr::OutlineTitle, 0);
                title = title.mid(run.location, run.length);
            }
        }
        title = withoutPunctuation(title);
        if (title.size() > CanonicalTitleMax) {
            title.truncate(CanonicalTitleMax);
            const qsizetype space = title.lastIndexOf(u' ');
            if (space > 0)
                title.truncate(space);
        }
    } catch (const std::exception&) {
        // The title as far as it got.
    }
    return ZQShared::isNotBlank(title) ? ZQShared::trim(title) : UntitledPage;
}
