// Restyling pasted rich content for the place where it lands.

#include "kit/model/ZSAbstractTextView.h"

#include "kit/foundation/Exs.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/CharacterSet.h"

#include <QDebug>
#include <exception>

namespace {

QChar mirror(QChar bracket)
{
    switch (bracket.unicode()) {
    case u'<': return u'>';
    case u'>': return u'<';
    case u'[': return u']';
    case u']': return u'[';
    case u'{': return u'}';
    case u'}': return u'{';
    default: return bracket;
    }
}

plat::FontPtr fontOf(const plat::Attributes& attributes)
{
    return attributes.value(plat::FontAttribute).toObject<plat::Font>();
}

// The inline styles a run or the insertion point carries.
struct InlineStyles {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool code = false;

    explicit InlineStyles(const plat::Attributes& attributes)
    {
        const plat::FontPtr font = fontOf(attributes);
        bold = font && Exs::isBold(*font);
        italic = (font && Exs::isItalic(*font)) || attributes.contains(ZQAttr::FilterItalic);
        underline = attributes.contains(plat::UnderlineAttribute);
        strike = attributes.contains(plat::StrikethroughAttribute);
        code = attributes.contains(ZQAttr::FilterCode);
    }
    bool any() const { return bold || italic || underline || strike || code; }
};

// A pasted code block never shares its pairing key with its source or with
// another paste of it, so the fences of two blocks are never taken for one
// unit: each "paired-" key the content carries is replaced by a fresh one, the
// same for every run that carried it.
plat::AttributedString withFreshPairingKeys(const plat::AttributedString& content)
{
    const plat::Range all(0, content.length());
    QHash<QString, QString> fresh;
    content.enumerateAttribute(ZQAttr::Readonly, all, 0, [&](const plat::Value& value, plat::Range, bool*) {
        const QString key = value.toString();
        if (key.startsWith(u"paired-") && !fresh.contains(key))
            fresh.insert(key, QStringLiteral("paired-") + ZSUtils::uuid());
    });
    if (fresh.isEmpty())
        return content;
    plat::MutableAttributedString rekeyed(content);
    for (const QString& name : {ZQAttr::Readonly, ZQAttr::Raw})
        content.enumerateAttribute(name, all, 0, [&](const plat::Value& value, plat::Range run, bool*) {
            const auto key = fresh.constFind(value.toString());
            if (key != fresh.cend())
                rekeyed.addAttribute(name, *key, run);
        });
    return rekeyed;
}

plat::MutableAttributedString plainCopy(const plat::AttributedString& piece, const plat::Attributes& attributes)
{
    return plat::MutableAttributedString(plat::AttributedString(piece.string(), attributes));
}

} // namespace

plat::AttributedString ZSAbstractTextView::mergeTypingAttributeToPasteContent(const plat::AttributedString& content,
                                                                              plat::Range inRange,
                                                                              ZQEditorType editorType)
{
    if (editorType == ZQEditorType::Markup)
        return content;
    try {
        return restyledPasteContent(withFreshPairingKeys(content), inRange);
    } catch (const std::exception&) {
        return content;
    }
}

plat::AttributedString ZSAbstractTextView::restyledPasteContent(const plat::AttributedString& content,
                                                                plat::Range inRange)
{
    if (content.length() == 0)
        return content;
    plat::TextStorage& storage = *textStorage();
    const qsizetype p = inRange.location;
    const plat::Attributes here = inRange.length == 0
        ? typingAttributes()
        : ZSUtils::attributesAtInsertionPoint(p, storage, ZQEditorType::Rich);
    const plat::CharacterSet& newlines = plat::CharacterSet::newline();
    const QString& pasted = content.string();

    if (here.contains(ZQAttr::TextBlock)) {
        const bool multiline = std::any_of(pasted.begin(), pasted.end(), [&](QChar c) { return newlines.contains(c); });
        if (!multiline)
            return plat::AttributedString(pasted, here);
        plat::MutableAttributedString merged(content);
        const plat::Range block = ZQMutableAttributedString::longestRangeForAttribute(storage, ZQAttr::TextBlock, p);
        if (block.location != plat::NotFound && block.length > 0) {
            const QChar bracket = storage.string()[block.location];
            if (isOpeningBracket(bracket) || isClosingBracket(bracket)) {
                // Close the block before the pasted lines and open it again after them.
                merged.replaceCharacters(plat::Range(0, 0), plat::AttributedString(QString(mirror(bracket)), here));
                merged.replaceCharacters(plat::Range(merged.length(), 0),
                                         plat::AttributedString(QString(bracket), here));
            }
        }
        return merged;
    }

    const plat::Range firstLine = ZQAttributedString::lineRange(content, plat::Range(0, 0));
    plat::MutableAttributedString first(content.attributedSubstring(firstLine));
    const plat::Range insertionLine = ZQAttributedString::lineRange(storage, plat::Range(p, 0), true);
    plat::MutableAttributedString result = applyAttributes(here, first, true, insertionLine);
    if (firstLine.end() >= content.length())
        return result;

    qsizetype lastStart = content.length();
    while (lastStart > 0 && !newlines.contains(pasted[lastStart - 1]))
        --lastStart;
    const plat::Range lastLine(lastStart, content.length() - lastStart);
    plat::MutableAttributedString last(content.attributedSubstring(lastLine));

    const qsizetype e = inRange.end();
    plat::Range endLine = insertionLine;
    plat::Attributes atEnd = here;
    if (inRange.length != 0) {
        const qsizetype q = e < storage.length() ? e : std::max<qsizetype>(0, e - 1);
        endLine = ZQAttributedString::lineRange(storage, plat::Range(e, 0), true);
        atEnd = ZSUtils::attributesAtInsertionPoint(q, storage, ZQEditorType::Rich);
    }
    const plat::MutableAttributedString lastStyled = applyAttributes(atEnd, last, false, endLine);

    if (lastLine.location > firstLine.end())
        result.replaceCharacters(plat::Range(result.length(), 0),
                                 content.attributedSubstring(plat::Range(firstLine.end(),
                                                                         lastLine.location - firstLine.end())));
    result.replaceCharacters(plat::Range(result.length(), 0), lastStyled);
    return result;
}

plat::MutableAttributedString ZSAbstractTextView::applyAttributes(const plat::Attributes& attributes,
                                                                  plat::MutableAttributedString& piece,
                                                                  bool insertAfter, plat::Range insertLineRange) const
{
    if (piece.length() == 0)
        return piece;
    const plat::MutableAttributedString unchanged(piece);
    try {
        const std::shared_ptr<ZSTextTheme> theme = m_textTheme ? m_textTheme : ZSTextTheme::sharedTheme();
        const std::shared_ptr<ZSSettings> settings = effectiveSettings();

        // Pasted blocks never share a UUID with their source; fragments of a
        // tag or link are plain text now.
        piece.enumerateAttribute(
            ZQAttr::TextBlock, plat::Range(0, piece.length()), plat::EnumerationReverse,
            [&](const plat::Value& value, plat::Range run, bool*) {
                const auto style = value.toObject<ZQTextBlockStyle>();
                if (!style)
                    return;
                const QString& text = piece.string();
                if (isOpeningBracket(text[run.location]) && isClosingBracket(text[run.end() - 1])) {
                    auto fresh = std::static_pointer_cast<ZQTextBlockStyle>(style->copy());
                    fresh->setUuid(ZSUtils::uuid());
                    piece.addAttribute(ZQAttr::TextBlock, fresh, run);
                    return;
                }
                if (style->name() == ZQAttr::MacroTag) {
                    piece.removeAttribute(ZQAttr::MacroTag, run);
                    piece.removeAttribute(ZQAttr::TextBlock, run);
                    piece.removeAttribute(ZQAttr::Raw, run);
                } else if (style->name() == ZQAttr::FilterLink) {
                    piece.removeAttribute(ZQAttr::FilterLink, run);
                    piece.removeAttribute(ZQAttr::TextBlock, run);
                    piece.removeAttribute(plat::LinkAttribute, run);
                } else {
                    return;
                }
                piece.addAttribute(plat::ForegroundColorAttribute, theme->richTextColor(), run);
            });

        if (insertLineRange.length == 0)
            return piece;
        if (!piece.attributeAtIndex(ZQAttr::FilterHeading, 0).isNull())
            return plainCopy(piece, insertAfter ? attributes : settings->defaultTypingAttribute(ZQEditorType::Rich));
        if (attributes.contains(ZQAttr::FilterHeading))
            return plainCopy(piece, attributes);
        if (insertAfter && attributes.contains(ZQAttr::Raw))
            return plainCopy(piece, attributes);

        const InlineStyles styles(attributes);
        if (!styles.any())
            return piece;

        // Only the stretch before the piece's own first styled run follows the insertion point.
        qsizetype prefixEnd = piece.length();
        piece.enumerateAttributes(plat::Range(0, piece.length()), 0,
                                  [&](const plat::Attributes& run, plat::Range range, bool* stop) {
                                      if (InlineStyles(run).any()) {
                                          prefixEnd = range.location;
                                          *stop = true;
                                      }
                                  });
        std::vector<plat::Range> protectedRuns;
        for (const QString& name : {ZQAttr::Readonly, ZQAttr::TextBlock})
            piece.enumerateAttribute(name, plat::Range(0, prefixEnd), 0,
                                     [&](const plat::Value& value, plat::Range run, bool*) {
                                         if (!value.isNull())
                                             protectedRuns.push_back(run);
                                     });
        const plat::FontPtr baseFont = settings->defaultFont(ZQEditorType::Rich);
        for (const plat::Range range : ZSUtils::rangeSubstrcts(plat::Range(0, prefixEnd), protectedRuns)) {
            if (styles.bold) {
                piece.addAttribute(plat::FontAttribute, Exs::toHaveBold(*baseFont), range);
                piece.addAttribute(plat::ForegroundColorAttribute, theme->richBoldColor(), range);
            }
            if (styles.italic) {
                piece.addAttribute(ZQAttr::FilterItalic, QStringLiteral("italic"), range);
                piece.addAttribute(plat::FontAttribute, Exs::toHaveItalic(*baseFont), range);
                piece.addAttribute(plat::ForegroundColorAttribute, theme->richItalicColor(), range);
            }
            if (styles.underline) {
                piece.addAttribute(plat::UnderlineAttribute, qint64(1), range);
                piece.addAttribute(plat::ForegroundColorAttribute, theme->richTextColor(), range);
            }
            if (styles.strike) {
                piece.addAttribute(plat::StrikethroughAttribute, qint64(1), range);
                piece.addAttribute(plat::ForegroundColorAttribute, theme->richCrossColor(), range);
            }
            if (styles.code) {
                piece.addAttribute(ZQAttr::FilterCode, QStringLiteral("code"), range);
                piece.addAttribute(plat::ForegroundColorAttribute, theme->richCodeColor(), range);
            }
        }
        return piece;
    } catch (const std::exception& error) {
        qWarning().noquote() << QStringLiteral("Unexpected: Unable apply correct style to pasted content %1")
                                    .arg(QString::fromUtf8(error.what()));
        return unchanged;
    }
}
