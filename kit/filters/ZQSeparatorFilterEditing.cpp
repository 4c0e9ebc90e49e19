// Editing roles of dividers: the typed divider and the divider action.

#include "kit/filters/ZQSeparatorFilter.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQHighlighter.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/TextView.h"

#include <algorithm>

namespace {

const QString ActionName = QStringLiteral("Divider");
const QString DividerText = QStringLiteral("---");

} // namespace

bool ZQSeparatorFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                        ZQRenderContext& /*context*/)
{
    // The text up to the caret is a divider (group 1 its marks).
    static const auto onFlyPattern = plat::Regex::create(
        QStringLiteral("^ {0,3}((?:-\\s*){3,}|(?:\\*\\s*){3,}|(?:_\\s*){3,})\\z"), plat::RegexAnchorsMatchLines);
    const plat::TextStorage& storage = *view.textStorage();
    if (typed != QStringLiteral("-") || position <= 0 || position > storage.length())
        return false;
    const QString text = ZQAttributedString::escapeRawStringForParagraph(storage, position);
    // Hyphens already after the caret belong to the divider too.
    while (position < text.size() && text.at(position) == QLatin1Char('-'))
        ++position;
    const qsizetype lineStart = ZSUtils::containerLineRangeForRich(storage, position).location;
    if (lineStart >= position)
        return false;
    const auto match = onFlyPattern->firstMatch(text, plat::Range(lineStart, position - lineStart));
    if (!match)
        return false;
    const plat::Range marks = match->rangeAtIndex(1);
    ZQViewEditing::replace(view, marks,
                           plat::AttributedString(storage.string().mid(marks.location, marks.length),
                                                  ZQHighlighter::sharedHighlighter().dividerRich()),
                           view.selectedRange(), ActionName);
    return true;
}

bool ZQSeparatorFilter::filterRangeOnFly(plat::Range range, quint64 /*tag*/, plat::TextView& view,
                                         ZQRenderContext& /*context*/)
{
    const plat::TextStorage& storage = *view.textStorage();
    if (range.isNotFound() || range.location < 0 || range.end() > storage.length())
        return false;
    const ZQEditorType editorType = ZSUtils::getEditorType(view);
    const plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(editorType);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const plat::AttributedString divider(DividerText, editorType == ZQEditorType::Markup ? highlighter.dividerMarkdown()
                                                                                  : highlighter.dividerRich());
    const plat::Range lines = ZQAttributedString::lineRange(storage, range);
    const QString& text = storage.string();
    const QString linesText = text.mid(lines.location, lines.length);
    const plat::CharacterSet& newline = plat::CharacterSet::newline();

    // The lines are a divider when its pattern covers them whole.
    const plat::Range content = ZQAttributedString::lineRange(storage, range, true);
    const auto match = m_markupPattern->firstMatch(text, content);
    if (match && match->range() == content && !content.isEmpty()) {
        ZQViewEditing::replace(view, lines, QString(), plat::Range(lines.location, 0), ActionName);
        return true;
    }
    if (ZQShared::trim(linesText).isEmpty()) {
        ZQViewEditing::replace(view, range, divider, plat::Range(range.location + divider.length(), 0), ActionName);
        return true;
    }
    plat::MutableAttributedString insertion;
    insertion.append(plat::AttributedString(QStringLiteral("\n"), plain));
    if (std::none_of(linesText.begin(), linesText.end(), [&](QChar c) { return newline.contains(c); }))
        insertion.append(plat::AttributedString(QStringLiteral("\n"), plain));
    insertion.append(divider);
    const qsizetype caret = lines.end() + insertion.length();
    if (lines.end() < storage.length() && !newline.contains(text.at(lines.end())))
        insertion.append(plat::AttributedString(QStringLiteral("\n"), plain));
    ZQViewEditing::replace(view, plat::Range(lines.end(), 0), insertion, plat::Range(caret, 0), ActionName);
    return true;
}
