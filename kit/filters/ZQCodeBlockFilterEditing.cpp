// Editing roles of code blocks: the typed fence, the command on a selection,
// Return after a closing fence, and removing fences when styles are cleaned.

#include "kit/filters/ZQCodeBlockFilter.h"

#include "kit/filters/ZQCodeBlockParts.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/KeyEvent.h"
#include "platform/text/TextView.h"

#include <set>

namespace {

using namespace ZQCodeBlockParts;
const QString ActionName = QStringLiteral("Code Block");

QString richKey()
{
    return QStringLiteral("paired-") + ZSUtils::uuid();
}

plat::AttributedString piece(const QString& text, const plat::Attributes& attributes)
{
    return plat::AttributedString(text, attributes);
}

} // namespace

bool ZQCodeBlockFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                        ZQRenderContext& /*context*/)
{
    if (typed != QStringLiteral("\r") && typed != QStringLiteral("\n"))
        return false;
    if (position <= 0 || position > view.textStorage()->length())
        return false;
    // Only the line the break ends can match, so only it is searched.
    const qsizetype lineStart =
        ZQAttributedString::lineRange(*view.textStorage(), plat::Range(position - 1, 0)).location;
    return renderOnFly(view, plat::Range(lineStart, position - lineStart));
}

bool ZQCodeBlockFilter::renderOnFly(plat::TextView& view, plat::Range typingRange)
{
    // Ends with the line break just typed, at the end of the searched range.
    static const auto onFlyPattern =
        plat::Regex::create(QStringLiteral("^((\\p{Blank}*(```+)\\p{Blank}*)([^`\\r\\n]*))[\\r\\n]\\z"),
                            plat::RegexAnchorsMatchLines);
    const plat::TextStorage& storage = *view.textStorage();
    const auto match = onFlyPattern->firstMatch(storage.string(), typingRange);
    if (!match)
        return false;
    const plat::Range fence = match->rangeAtIndex(2);
    const QString part = storage.attributeAtIndex(ZQAttr::FilterCodeBlock, fence.location).toString();
    if (part == EndPart) {
        view.setTypingAttributes(ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
        return false;
    }
    if (!part.isEmpty())
        return false;

    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const QString key = richKey();
    const QString& text = storage.string();
    const QString fenceText = text.mid(fence.location, fence.length);
    const plat::Range info = match->rangeAtIndex(4);
    plat::MutableAttributedString block;
    block.append(piece(fenceText, highlighter.codeblockRich(StartPart, key)));
    if (!info.isEmpty())
        block.append(piece(text.mid(info.location, info.length), highlighter.codeblockRich(TagPart, key)));
    block.append(piece(QStringLiteral("\n\n"), highlighter.codeblockRich(BodyPart, key)));
    const QString closingFence =
        ZQShared::stringByTrimmingTrailingCharactersInSet(fenceText, plat::CharacterSet::whitespaceAndNewline());
    block.append(piece(closingFence, highlighter.codeblockRich(EndPart, key)));
    const plat::Range line = match->range();
    ZQViewEditing::replace(view, line, block, plat::Range(line.location + match->rangeAtIndex(1).length + 1, 0),
                           ActionName);
    return true;
}

bool ZQCodeBlockFilter::filterRangeOnFly(plat::Range range, quint64 /*tag*/, plat::TextView& view,
                                         ZQRenderContext& /*context*/)
{
    const plat::TextStorage& storage = *view.textStorage();
    if (range.isNotFound() || range.location < 0 || range.end() > storage.length())
        return false;
    const plat::Range lines = ZQAttributedString::lineRange(storage, range);
    const QString text = storage.string().mid(lines.location, lines.length);
    const plat::CharacterSet& newline = plat::CharacterSet::newline();
    const bool endsLine = !text.isEmpty() && newline.contains(text.back());
    const QString body = QStringLiteral("\n") + text + (endsLine ? QString() : QStringLiteral("\n"));

    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const ZQEditorType editorType = ZSUtils::getEditorType(view);
    plat::MutableAttributedString block;
    if (editorType != ZQEditorType::Markup) {
        const QString key = richKey();
        block.append(piece(ThreeBackquotes, highlighter.codeblockRich(StartPart, key)));
        block.append(piece(body, highlighter.codeblockRich(BodyPart, key)));
        block.append(piece(ThreeBackquotes, highlighter.codeblockRich(EndPart, key)));
    } else {
        const auto paired = ZQPairedAttribute::initWithMarker(ThreeBackquotes);
        block.append(piece(ThreeBackquotes, highlighter.codeblockMarkdown(StartPart, paired, paired->uuid())));
        block.append(piece(body, highlighter.codeblockMarkdown(BodyPart, nullptr, paired->uuid())));
        block.append(piece(ThreeBackquotes, highlighter.codeblockMarkdown(EndPart, paired, paired->uuid())));
    }
    if (lines.end() < storage.length() && !newline.contains(storage.string().at(lines.end())))
        block.append(piece(QStringLiteral("\n"), ZSSettings::sharedSettings()->defaultTypingAttribute(editorType)));
    ZQViewEditing::replace(view, lines, block, plat::Range(lines.location + text.length() + 4, 0), ActionName);
    return true;
}

bool ZQCodeBlockFilter::processKeyUpEvent(quint16 keyCode, quint64 /*modifyFlag*/, plat::TextView& view,
                                          ZQRenderContext& /*context*/)
{
    if (keyCode != plat::KeyCode::Return || ZSUtils::getEditorType(view) == ZQEditorType::Markup)
        return false;
    if (view.typingAttributes().value(ZQAttr::FilterCodeBlock).toString() == EndPart)
        view.setTypingAttributes(ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
    return false;
}

void ZQCodeBlockFilter::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    // Collected first and cut from the end, so earlier positions stay valid.
    std::set<qsizetype> fenceLines;
    content.enumerateAttribute(ZQAttr::FilterCodeBlock, plat::Range(0, content.length()), 0,
                               [&](const plat::Value& value, plat::Range run, bool*) {
                                   const QString part = value.toString();
                                   if (part != StartPart && part != EndPart)
                                       return;
                                   const plat::Range line =
                                       ZQAttributedString::lineRange(content, plat::Range(run.location, 0));
                                   fenceLines.insert(line.location);
                               });
    for (auto it = fenceLines.rbegin(); it != fenceLines.rend(); ++it) {
        const plat::Range line = ZQAttributedString::lineRange(content, plat::Range(*it, 0), true);
        const auto match = m_fencedBlockMarkerPattern->firstMatch(content.string(), line);
        if (!match)
            continue;
        const plat::Range info = match->rangeAtIndex(3);
        const plat::Range whole = match->range();
        content.deleteCharacters(info.isNotFound() || info.isEmpty()
                                     ? whole
                                     : plat::Range(whole.location, info.location - whole.location));
    }
}
