#include "kit/filters/ZQTagHandler.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQHelpTip.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSAbstractTextView.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/KeyEvent.h"
#include "platform/text/TextView.h"

namespace {

const QString kActionName = QStringLiteral("Tag");

// The shared style factory, reached when first needed: handlers are made
// before the application installs its settings.
ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

plat::AttributedString chip(const QString& name)
{
    return plat::AttributedString(QLatin1Char('<') + name + QLatin1Char('>'), styles().baseRich(ZQHighlighter::Tag));
}

// «+name+»: the opening "+" holds a new paired record, the closing one its other half.
plat::AttributedString markupTag(const QString& name)
{
    const auto opening = ZQPairedAttribute::initWithMarker(QStringLiteral("+"));
    const auto closing = std::static_pointer_cast<ZQPairedAttribute>(opening->copy());
    plat::MutableAttributedString tag(
        plat::AttributedString(QStringLiteral("+"), styles().baseMarkdown(ZQHighlighter::Tag, opening)));
    tag.append(
        plat::AttributedString(name, ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup)));
    tag.append(plat::AttributedString(QStringLiteral("+"), styles().baseMarkdown(ZQHighlighter::Tag, closing)));
    return tag;
}

} // namespace

ZQTagHandler::ZQTagHandler() : m_macroTitle(QStringLiteral("Tag")), m_attributeName(QStringLiteral("ZQMacroTag")) {}

bool ZQTagHandler::matchingTypeText(const QString& typed) const
{
    return !typed.isEmpty() && QStringLiteral("tag").startsWith(typed);
}

plat::Range ZQTagHandler::handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext&)
{
    ZQViewEditing::replace(view, range, chip(QString()), plat::Range(range.location + 1, 0), kActionName);
    ZQHelpTip::sharedTip()->fire(7);
    return range;
}

void ZQTagHandler::handleMarkupOnFly(plat::TextView& view, qint64, plat::Range range, ZQRenderContext&)
{
    ZQViewEditing::replace(view, range, markupTag(QString()), plat::Range(range.location + 1, 0), kActionName);
}

bool ZQTagHandler::filterRangeOnFly(plat::Range range, quint64, plat::TextView& view, ZQRenderContext& context)
{
    static const plat::CharacterSet markers = plat::CharacterSet::fromString(QStringLiteral("+<>"));
    const plat::Range taken = ZQViewEditing::takenRange(view, range, context.runningMarkupType());
    if (taken.isNotFound())
        return false;
    const QString name = ZQShared::stringByReplacingCharacters(view.string().mid(taken.location, taken.length),
                                                               markers, QString());
    const plat::AttributedString tag
        = ZSUtils::getEditorType(view) == ZQEditorType::Markup ? markupTag(name) : chip(name);
    ZQViewEditing::replace(view, taken, tag, plat::Range(taken.location + tag.length() - 1, 0), kActionName);
    return true;
}

bool ZQTagHandler::processKeyDownEvent(quint16 keyCode, quint64, plat::TextView& view, ZQRenderContext&)
{
    if (ZSUtils::getEditorType(view) == ZQEditorType::Markup
        || (keyCode != plat::KeyCode::Comma && keyCode != plat::KeyCode::Return))
        return false;
    const plat::TextStorage& text = *view.textStorage();
    const qsizetype caret = view.selectedRange().location;
    // At the very end only the typing attributes could tell, and they hold no run.
    if (caret >= text.length())
        return false;
    plat::Range run;
    if (text.attributeAtIndexLongestEffectiveRange(m_attributeName, caret, &run, plat::wholeRange(text.string()))
            .isNull())
        return false;

    if (keyCode == plat::KeyCode::Comma) {
        ZQViewEditing::replace(view, plat::Range(run.end(), 0), chip(QString()), plat::Range(run.end() + 1, 0),
                               kActionName);
        return true;
    }
    const qsizetype lineEnd = ZQAttributedString::lineRange(text, run).end();
    QString name = text.string().mid(run.location, run.length);
    if (name.startsWith(u'<'))
        name.remove(0, 1);
    if (name.endsWith(u'>'))
        name.chop(1);
    if (ZQShared::trim(name).isEmpty()) {
        ZQViewEditing::replace(view, run, plat::AttributedString(), plat::Range(lineEnd - run.length, 0),
                               QStringLiteral("Typing"));
    } else {
        view.setSelectedRange(plat::Range(lineEnd, 0));
    }
    return true;
}

void ZQTagHandler::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    content.enumerateAttribute(m_attributeName, plat::wholeRange(content.string()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
                                   const QString& s = content.string();
                                   if (value.isNull() || !ZSAbstractTextView::isOpeningBracket(s[run.location])
                                       || !ZSAbstractTextView::isClosingBracket(s[run.end() - 1]))
                                       return;
                                   content.deleteCharacters(plat::Range(run.end() - 1, 1));
                                   content.deleteCharacters(plat::Range(run.location, 1));
                               });
}
