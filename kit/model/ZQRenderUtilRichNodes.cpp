#include "kit/model/ZQRenderUtil.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQTextNode.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

namespace {


// One blank and then text: the blank a marker needs is there already. More
// blanks are the text's own (a reader takes one blank after a quote marker,
// and four make an indented code line), so the marker must bring its blank.
bool startsWithOneBlank(QStringView text)
{
    const plat::CharacterSet& blank = plat::CharacterSet::whitespace();
    if (text.isEmpty() || !blank.contains(text.front()))
        return false;
    return text.size() == 1 || !plat::CharacterSet::whitespaceAndNewline().contains(text.at(1));
}

// A blank line, or a paragraph with no text on its first line.
bool endsItsLineAtOnce(const ZQTextNode& node)
{
    if (node.nodeType() == ZQNodeType::BlankLine)
        return true;
    if (node.nodeType() != ZQNodeType::Paragraph)
        return false;
    const QString text = node.renderContent() ? node.renderContent()->string() : node.content();
    return text.isEmpty() || plat::CharacterSet::newline().contains(text.front());
}

} // namespace

bool ZQRenderUtil::removeRichLink(plat::TextView& view, plat::Range range)
{
    plat::TextStorage& storage = *view.textStorage();
    qsizetype index = range.location;
    if (index == storage.length() && index > 0)
        --index;
    if (index < 0 || index >= storage.length())
        return false;
    plat::Range run;
    if (storage.attributeAtIndexLongestEffectiveRange(ZQAttr::FilterLink, index, &run, plat::Range(0, storage.length()))
            .isNull())
        return false;

    plat::MutableAttributedString copy(storage.attributedSubstring(run));
    const plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
    bool replaced = false;
    copy.enumerateAttribute(ZQAttr::FilterLink, plat::Range(0, copy.length()), plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range sub, bool*) {
        const QStringView text = QStringView(copy.string()).mid(sub.location, sub.length);
        if (value.isNull() || text.size() < 2 || !text.startsWith(u'[') || !text.endsWith(u']'))
            return;
        copy.replaceCharacters(sub, plat::AttributedString(text.mid(1, text.size() - 2).toString(), plain));
        replaced = true;
    });
    if (!replaced)
        return false;
    ZQMutableAttributedString::replaceCharactersInRange(storage, run, plat::AttributedString(copy),
                                                        view.undoManager(), QStringLiteral("Unlink"));
    return true;
}

bool ZQRenderUtil::richNodeHasSpacePrefix(const ZQTextNode& node)
{
    switch (node.nodeType()) {
    case ZQNodeType::ListItem:
    case ZQNodeType::Task: // their rich markers' tabs are not written
    case ZQNodeType::Quote: // nor the blanks of a nested quote's marks
        return false;
    case ZQNodeType::Paragraph: {
        // A blank that is code or an entity is written inside its markup, not first.
        const auto& content = node.renderContent();
        return content && startsWithOneBlank(content->string())
            && content->attributeAtIndex(ZQAttr::FilterCode, 0).isNull()
            && content->attributeAtIndex(ZQAttr::Entity, 0).isNull();
    }
    default:
        return startsWithOneBlank(node.content());
    }
}

bool ZQRenderUtil::requireTrailingSpaceForRichTreeNode(const ZSTree& treeNode)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    const auto child = ZQBlockNodes::textNodeOf(treeNode.firstChild());
    if (!node)
        return true;
    // A marker with nothing after it on its line ends the line: a blank there
    // would be written once and dropped on reading.
    if (!child || child->lineRange().location != node->lineRange().location || endsItsLineAtOnce(*child))
        return false;
    return !richNodeHasSpacePrefix(*child);
}

QString ZQRenderUtil::parseTaskStateFromMarker(const QString& text, ZQEditorType editorType, plat::Range range,
                                               plat::Range* markerRange, plat::Range* stateRange)
{
    static const auto markupPattern =
        plat::Regex::create(QStringLiteral("^ {0,3}[*-] {0,3}(\\[([ -x]?)\\])"), plat::RegexAnchorsMatchLines);
    static const auto richPattern =
        plat::Regex::create(QStringLiteral("^\\t?(\\[([ -x]?)\\])\\t?"), plat::RegexAnchorsMatchLines);
    if (range.location < 0 || range.length < 0 || range.end() > text.size())
        return QString();
    const auto match = (editorType == ZQEditorType::Markup ? markupPattern : richPattern)->firstMatch(text, range);
    if (!match)
        return QString();
    const plat::Range state = match->rangeAtIndex(2);
    if (markerRange)
        *markerRange = match->rangeAtIndex(1);
    if (stateRange)
        *stateRange = state;
    return state.length > 0 ? text.mid(state.location, state.length) : QStringLiteral(" ");
}
