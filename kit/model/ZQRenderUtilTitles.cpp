#include "kit/model/ZQRenderUtil.h"

#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/AttributedString.h"

namespace {

// Characters of plain text a title is taken from, and the shortest cut.
constexpr qsizetype TitleSpan = 60;
constexpr qsizetype ShortestCut = 11;

bool isNewline(QChar c)
{
    return plat::CharacterSet::newline().contains(c);
}

plat::Range runAt(const plat::AttributedString& text, const QString& name, qsizetype index, plat::Range within)
{
    plat::Range run = plat::Range::notFound();
    if (text.attributeAtIndexLongestEffectiveRange(name, index, &run, within).isNull())
        return plat::Range::notFound();
    return run;
}

QString trimmedOf(const QString& text, const plat::CharacterSet& set)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && set.contains(text.at(begin)))
        ++begin;
    while (end > begin && set.contains(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

plat::MutableAttributedString ZQRenderUtil::parseMarkdownToOutline(const QString& markup)
{
    const std::shared_ptr<ZSSettings> settings = ZSSettings::sharedSettings();
    plat::MutableAttributedString outline(markup, settings->outlineBodyAttribute());
    const qsizetype mark = markup.indexOf(QLatin1String("# "));
    if (mark < 0 || (mark > 0 && !isNewline(markup.at(mark - 1))))
        return outline;
    outline.setAttributes(settings->outlineTitleAttribute(),
                          ZQAttributedString::lineRange(markup, plat::Range(mark, 0)));
    outline.deleteCharacters(plat::Range(mark, 2));
    return outline;
}

QString ZQRenderUtil::parseOutlineTitleToMarkdown(const plat::AttributedString& outline)
{
    QString markup = outline.string();
    const qsizetype length = outline.length();
    outline.enumerateAttribute(ZQAttr::OutlineTitle, plat::Range(0, length), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
        if (value.isNull() || run.length == 0)
            return;
        if (run.end() + 1 < length && !isNewline(markup.at(run.end() - 1)) && !isNewline(markup.at(run.end())))
            markup.insert(run.end(), u'\n');
        const bool lineStart = run.location == 0 || isNewline(markup.at(run.location - 1));
        markup.insert(run.location, lineStart ? QStringLiteral("# ") : QStringLiteral("\n# "));
    });
    return markup;
}

QString ZQRenderUtil::extractTitle(plat::MutableAttributedString& content, ZQEditorType editorType,
                                   bool removeFromContent)
{
    const QString& s = content.string();
    const plat::CharacterSet& blanks = plat::CharacterSet::whitespaceAndNewline();
    qsizetype leading = 0;
    while (leading < s.size() && blanks.contains(s.at(leading)))
        ++leading;
    if (leading == s.size())
        return QStringLiteral("");

    const plat::Range heading =
        runAt(content, ZQAttr::FilterHeading, leading, plat::Range(leading, s.size() - leading));
    if (!heading.isNotFound()) {
        QString title = s.mid(heading.location, heading.length);
        if (editorType == ZQEditorType::Markup) {
            static const plat::CharacterSet marks = plat::CharacterSet::fromString(QStringLiteral(" #"));
            title = trimmedOf(title, marks);
        }
        if (removeFromContent)
            content.deleteCharacters(plat::Range(0, heading.end()));
        return title;
    }

    const QString head = s.mid(leading, TitleSpan);
    const qsizetype stop = head.indexOf(u'.');
    if (stop >= ShortestCut)
        return head.left(stop);
    qsizetype space = head.size() - 1;
    while (space >= 0 && !blanks.contains(head.at(space)))
        --space;
    return space >= ShortestCut ? head.left(space) : head;
}

QString ZQRenderUtil::extractTitleFromOutlineTitle(const plat::AttributedString& outline)
{
    if (outline.length() == 0)
        return QStringLiteral("");
    QString title;
    const plat::Range whole(0, outline.length());
    const plat::Range titleRun = runAt(outline, ZQAttr::OutlineTitle, 0, whole);
    if (!titleRun.isNotFound()) {
        title = outline.string().mid(titleRun.location, titleRun.length);
    } else if (outline.length() > TitleSpan) {
        title = outline.string().left(TitleSpan);
        const qsizetype space = title.lastIndexOf(u' ');
        if (space > 0)
            title.truncate(space);
        title += QStringLiteral("...");
    } else {
        title = outline.string();
    }
    title.replace(u'\n', u' ');
    return trimmedOf(title, plat::CharacterSet::whitespace());
}
