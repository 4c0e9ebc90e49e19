#include "kit/filters/ZQFootNoteHandler.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextView.h"

#include <QSet>
#include <algorithm>
#include <map>

namespace {

const QString kActionName = QStringLiteral("Footnote");

// The shared style factory, reached when first needed: handlers are made
// before the application installs its settings.
ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

// The footnote numbers a text refers to: HTML links "#FNn", markup labels
// "[^n]" (definitions included).
QSet<quint64> referencedNumbers(const QString& text, bool html)
{
    static const auto htmlReference = plat::Regex::create(QStringLiteral("href=\"#FN([0-9]+)\""), 0);
    static const auto markupReference = plat::Regex::create(QStringLiteral("\\[\\^([0-9]+)\\]"), 0);
    QSet<quint64> numbers;
    for (const auto& match : (html ? htmlReference : markupReference)->matches(text, plat::wholeRange(text))) {
        const plat::Range digits = match.rangeAtIndex(1);
        numbers.insert(text.mid(digits.location, digits.length).toULongLong());
    }
    return numbers;
}

// A numeric footnote label the markup does not use yet: one past the highest.
quint64 nextFreeMarkupLabel(const QString& markup)
{
    const QSet<quint64> used = ZQFootNoteHandler::markupLabelNumbers(markup);
    return used.isEmpty() ? 1 : *std::max_element(used.begin(), used.end()) + 1;
}

} // namespace

ZQFootNoteHandler::ZQFootNoteHandler()
    : m_macroTitle(QStringLiteral("Footnote")), m_attributeName(QStringLiteral("ZQMacroFootnote"))
{
}

QSet<quint64> ZQFootNoteHandler::markupLabelNumbers(const QString& text)
{
    return referencedNumbers(text, false);
}

bool ZQFootNoteHandler::matchingTypeText(const QString& typed) const
{
    return !typed.isEmpty()
        && (QStringLiteral("footnote").startsWith(typed) || QStringLiteral("fn").startsWith(typed));
}

bool ZQFootNoteHandler::isSupportTag(const QString& tag)
{
    return tag.compare(QLatin1String("footnote"), Qt::CaseInsensitive) == 0
        || tag.compare(QLatin1String("fn"), Qt::CaseInsensitive) == 0;
}

QString ZQFootNoteHandler::shownText(qint64 number)
{
    return (ZSSettings::sharedSettings()->renderFootnoteWithFNPrefix() ? QStringLiteral("[FN%1]")
                                                                       : QStringLiteral("[%1]"))
        .arg(number);
}

qint64 ZQFootNoteHandler::getFootnoteIndexRich(const plat::AttributedString& content, plat::Range range) const
{
    qint64 references = 0;
    content.enumerateAttribute(m_attributeName, range, 0, [&](const plat::Value& value, plat::Range, bool*) {
        if (!value.isNull())
            ++references;
    });
    return references + 1;
}

plat::Range ZQFootNoteHandler::handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext& context)
{
    const qint64 number = getFootnoteIndexRich(*view.textStorage(), plat::Range(0, range.location));
    const QString uuid = ZSUtils::uuid();
    const plat::AttributedString reference(shownText(number), styles().footnodeRich(uuid, number));
    const plat::Range placed(range.location, reference.length());
    ZQViewEditing::replace(view, range, reference, plat::Range(placed.end(), 0), kActionName);
    const auto storage = context.createAttachedStroage(m_attributeName, uuid);
    view.openEditorBlockForMacro(m_attributeName, uuid, placed, storage);
    return placed;
}

void ZQFootNoteHandler::handleMarkupOnFly(plat::TextView& view, qint64, plat::Range range, ZQRenderContext&)
{
    ZQViewEditing::replace(view, range, QStringLiteral("[^]"), plat::Range(range.location + 2, 0), kActionName);
}

bool ZQFootNoteHandler::filterRangeOnFly(plat::Range range, quint64, plat::TextView& view, ZQRenderContext& context)
{
    // Protected runs and blanks at the selection's edges stay where they are.
    const plat::Range taken = ZQViewEditing::takenRange(view, range, context.runningMarkupType());
    if (taken.isNotFound())
        return false;
    const plat::TextStorage& text = *view.textStorage();
    const plat::AttributedString body = text.attributedSubstring(taken);

    if (ZSUtils::getEditorType(view) != ZQEditorType::Markup) {
        // Counted up to what is taken, so a reference skipped at the
        // selection's start is counted too.
        const qint64 number = getFootnoteIndexRich(text, plat::Range(0, taken.location));
        const QString uuid = ZSUtils::uuid();
        const auto storage = context.createAttachedStroage(m_attributeName, uuid);
        storage->attachedText()->setAttributedString(body);
        const plat::AttributedString reference(shownText(number), styles().footnodeRich(uuid, number));
        const plat::Range placed(taken.location, reference.length());
        ZQViewEditing::replace(view, taken, reference, plat::Range(placed.end(), 0), kActionName);
        view.openEditorBlockForMacro(m_attributeName, uuid, placed, storage);
        return true;
    }

    // Markup: the reference stays in place of what is taken, the rest of its
    // line follows, then after a blank line the definition. Working from the
    // part taken (not the whole selection) keeps the selection's further lines.
    const QString label = QStringLiteral("[^%1]").arg(nextFreeMarkupLabel(text.string()));
    const plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup);
    const plat::Range line = ZQAttributedString::lineRange(text, taken);
    const plat::Range rest(taken.end(), line.end() - taken.end());

    plat::MutableAttributedString replacement(plat::AttributedString(label, styles().footnoteMarkdown()));
    replacement.append(text.attributedSubstring(rest));
    if (!ZQShared::hasNewline(replacement.string()))
        replacement.append(plat::AttributedString(QStringLiteral("\n"), plain));
    replacement.append(plat::AttributedString(QStringLiteral("\n"), plain));
    replacement.append(plat::AttributedString(label + QLatin1Char(':'), styles().footnoteMarkdown()));
    replacement.append(body);
    if (!ZQShared::hasNewline(body.string()))
        replacement.append(plat::AttributedString(QStringLiteral("\n"), plain));
    replacement.append(plat::AttributedString(QStringLiteral("\n"), plain));
    ZQViewEditing::replace(view, plat::Range(taken.location, line.end() - taken.location), replacement,
                           plat::Range(taken.location + 2, 0), kActionName);
    return true;
}

bool ZQFootNoteHandler::fixRichAttribute(plat::MutableAttributedString& content, plat::Range,
                                         plat::Attributes&)
{
    qint64 count = 0;
    return renumberReferences(content, plat::wholeRange(content.string()), 1, count);
}

bool ZQFootNoteHandler::fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range,
                                                plat::Attributes&, plat::Range inRange)
{
    // Those before the range are numbered 1 to n already.
    const qint64 before = nearestNumber(content, plat::Range(0, inRange.location), true);
    const qsizetype lengthBefore = content.length();
    qint64 inside = 0;
    bool changed = renumberReferences(content, inRange, before + 1, inside);
    // Those after it counted on from the range's when they were numbered: the
    // first of them tells whether they still do.
    const qsizetype end = inRange.end() + content.length() - lengthBefore;
    const plat::Range after(end, content.length() - end);
    const qint64 next = nearestNumber(content, after, false);
    if (next != 0 && next != before + inside + 1) {
        qint64 rest = 0;
        changed = renumberReferences(content, after, before + inside + 1, rest) || changed;
    }
    return changed;
}

qint64 ZQFootNoteHandler::nearestNumber(const plat::AttributedString& content, plat::Range range,
                                        bool reverse) const
{
    qint64 number = 0;
    content.enumerateAttribute(m_attributeName, range, reverse ? unsigned(plat::EnumerationReverse) : 0u,
                               [&](const plat::Value& value, plat::Range, bool* stop) {
                                   if (const auto style = value.toObject<ZQFootnoteStyle>()) {
                                       number = style->fnIndex();
                                       *stop = true;
                                   }
                               });
    return number;
}

bool ZQFootNoteHandler::renumberReferences(plat::MutableAttributedString& content, plat::Range range,
                                           qint64 firstNumber, qint64& count) const
{
    struct Reference {
        plat::Range range;
        std::shared_ptr<ZQFootnoteStyle> style;
    };
    // Last to first: rewriting a reference leaves those before it in place.
    std::vector<Reference> references;
    content.enumerateAttribute(m_attributeName, range, plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range found, bool*) {
                                   if (auto style = value.toObject<ZQFootnoteStyle>())
                                       references.push_back({found, std::move(style)});
                               });
    bool changed = false;
    count = qint64(references.size());
    content.beginEditing();
    for (qint64 k = 0; k < count; ++k) {
        const Reference& reference = references[std::size_t(k)];
        const qint64 expected = firstNumber + count - 1 - k;
        if (reference.style->fnIndex() == expected)
            continue;
        content.replaceCharacters(reference.range,
                                  plat::AttributedString(shownText(expected),
                                                         styles().footnodeRich(reference.style->uuid(), expected)));
        changed = true;
    }
    content.endEditing();
    return changed;
}

void ZQFootNoteHandler::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    content.enumerateAttribute(m_attributeName, plat::wholeRange(content.string()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range range, bool*) {
                                   if (!value.isNull())
                                       content.addAttribute(ZQAttr::PRreformatte, QStringLiteral("pre"), range);
                               });
}

std::vector<plat::ObjectPtr> ZQFootNoteHandler::exportEnding(
    quint64 renderType, QString& textContent, const std::vector<std::shared_ptr<ZQAttachedStorage>>& withAttachedStorages,
    const QString& /*exportDirectory*/, ZQRenderContext* /*renderContext*/)
{
    const bool html = renderType == ZQRenderContext::TargetHTML;
    if (!html && renderType != ZQRenderContext::TargetMarkup)
        return {};
    // A payload whose reference is gone from the text is stale and stays out.
    const QSet<quint64> referenced = referencedNumbers(textContent, html);
    std::map<quint64, QString> bodies;
    for (const auto& storage : withAttachedStorages) {
        const auto text = storage ? storage->attachedText() : nullptr;
        if (!text || storage->owner() != m_attributeName || !referenced.contains(text->footIndex()))
            continue;
        bodies.emplace(text->footIndex(), text->renderedContent() ? text->renderedContent()->string() : QString());
    }
    if (bodies.empty())
        return {};
    if (!html) {
        if (!ZQShared::hasNewline(textContent))
            textContent += QLatin1Char('\n');
        for (const auto& [number, body] : bodies)
            textContent += QStringLiteral("\n[^%1]:%2").arg(number).arg(body);
        return {};
    }
    textContent += QStringLiteral("<hr/>\n<div class=\"footnotes\">");
    for (const auto& [number, body] : bodies) {
        textContent += QStringLiteral("<div class=\"footnote\"><div class=\"footnote-index\"><a id=\"FN%1\" href=\"#\">"
                                      "</a>%1.</div> <div class=\"footnote-body\">%2</div></div>")
                           .arg(number)
                           .arg(body);
    }
    textContent += QStringLiteral("\n</div>");
    return {};
}
