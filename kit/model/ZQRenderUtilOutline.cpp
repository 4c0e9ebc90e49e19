#include "kit/model/ZQRenderUtil.h"

#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "platform/text/AttributedString.h"

#include <algorithm>

namespace {


// Visits the runs of name that carry a value from last to first, so that the
// visitor may delete each run from content without moving the ones still ahead.
// counter counts the visited runs from 0.
void visitRunsBackwards(const plat::MutableAttributedString& content, const QString& name,
                        const std::function<void(const plat::Value&, plat::Range, qint64 counter)>& visit)
{
    const plat::AttributedString snapshot(content);
    qint64 counter = 0;
    snapshot.enumerateAttribute(name, plat::Range(0, snapshot.length()), plat::EnumerationReverse,
                                [&](const plat::Value& value, plat::Range range, bool*) {
                                    if (value.isNull())
                                        return;
                                    visit(value, range, counter++);
                                });
}

QString stripHeadingMarks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u'#')
        ++begin;
    while (end > begin && text.at(end - 1) == u'#')
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return ZQShared::trim(text.mid(begin, end - begin));
}

} // namespace

std::vector<ZQDocumentHeadingPtr> ZQRenderUtil::extractHeadingsFromContent(plat::MutableAttributedString& content,
                                                                           ZQEditorType editorType,
                                                                           bool removeFromContent)
{
    std::vector<ZQDocumentHeadingPtr> headings;
    visitRunsBackwards(content, ZQAttr::FilterHeading, [&](const plat::Value& value, plat::Range range, qint64 index) {
        const auto style = value.toObject<ZQHeadingStyle>();
        QString text = ZQShared::trim(content.string().mid(range.location, range.length));
        if (editorType == ZQEditorType::Markup && (!style || style->headingType() == 0))
            text = stripHeadingMarks(text);
        headings.push_back(
            ZQDocumentHeading::initWithIndex(index, style ? qint64(style->level()) : 0, text, range, editorType));
        if (removeFromContent)
            content.deleteCharacters(range);
    });
    std::reverse(headings.begin(), headings.end());
    return headings;
}

std::vector<ZQDocumentTagPtr> ZQRenderUtil::extractTags(plat::MutableAttributedString& content, ZQEditorType editorType,
                                                        bool removeFromContent)
{
    std::vector<ZQDocumentTagPtr> tags;
    visitRunsBackwards(content, ZQAttr::MacroTag, [&](const plat::Value&, plat::Range range, qint64 index) {
        const QString& s = content.string();
        QString text = ZQShared::trim(s.mid(range.location, range.length));
        if (text.startsWith(u'<') || text.endsWith(u'>'))
            text = text.mid(1, text.size() - 2);
        tags.push_back(ZQDocumentTag::initWithIndex(index, text, range, editorType));
        if (!removeFromContent)
            return;
        const bool betweenPlusMarks = editorType == ZQEditorType::Markup && range.location > 0 && range.end() < s.size()
            && s.at(range.location - 1) == u'+' && s.at(range.end()) == u'+';
        content.deleteCharacters(betweenPlusMarks ? plat::Range(range.location - 1, range.length + 2) : range);
    });
    std::reverse(tags.begin(), tags.end());
    return tags;
}

namespace {

// The range of the run of name, counted from the last run with a value, whose
// count is index; (0, 0) when there is none.
plat::Range runByIndexFromEnd(const plat::AttributedString& content, const QString& name, qint64 index)
{
    plat::Range found(0, 0);
    qint64 counter = 0;
    content.enumerateAttribute(name, plat::Range(0, content.length()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range range, bool* stop) {
                                   if (value.isNull())
                                       return;
                                   if (counter++ == index) {
                                       found = range;
                                       *stop = true;
                                   }
                               });
    return found;
}

} // namespace

plat::Range ZQRenderUtil::findHeadingRange(const ZQDocumentOutlineEntry& entry, const plat::AttributedString& content)
{
    return runByIndexFromEnd(content, ZQAttr::FilterHeading, entry.index());
}

plat::Range ZQRenderUtil::findTagRange(const ZQDocumentOutlineEntry& entry, const plat::AttributedString& content)
{
    return runByIndexFromEnd(content, ZQAttr::MacroTag, entry.index());
}
