#include "kit/filters/ZQFootNoteHandler.h"

#include "kit/foundation/ZQShared.h"
#include "kit/render/ZQRenderContext.h"
#include "kit/storage/ZQAttachedStorage.h"
#include "platform/foundation/Regex.h"

#include <map>

namespace {

// The footnote numbers the HTML text links to.
QSet<quint64> referencedNumbers(const QString& html)
{
    static const auto reference = plat::Regex::create(QStringLiteral("href=\"#FN([0-9]+)\""), 0);
    QSet<quint64> numbers;
    for (const auto& match : reference->matches(html, plat::wholeRange(html))) {
        const plat::Range digits = match.rangeAtIndex(1);
        numbers.insert(html.mid(digits.location, digits.length).toULongLong());
    }
    return numbers;
}

} // namespace

std::vector<plat::ObjectPtr> ZQFootNoteHandler::exportEnding(
    quint64 renderType, QString& textContent, const std::vector<std::shared_ptr<ZQAttachedStorage>>& withAttachedStorages,
    const QString& /*exportDirectory*/, ZQRenderContext* /*renderContext*/)
{
    const bool html = renderType == ZQRenderContext::TargetHTML;
    if (!html && renderType != ZQRenderContext::TargetMarkup)
        return {};
    const QSet<quint64> referenced = html ? referencedNumbers(textContent) : QSet<quint64>();
    std::map<quint64, QString> bodies;
    for (const auto& storage : withAttachedStorages) {
        const auto text = storage ? storage->attachedText() : nullptr;
        if (!text || storage->owner() != m_attributeName || (html && !referenced.contains(text->footIndex())))
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
