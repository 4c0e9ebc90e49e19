#include "kit/model/ZQSyntaxCSS.h"

#include "kit/foundation/ZQColor.h"
#include "kit/foundation/ZQShared.h"

#include <QDebug>
#include <QLoggingCategory>

// Sheets name colours we do not read (inherit, names): normal, not worth a line
// unless asked for (QT_LOGGING_RULES="quorvel.sheets.debug=true").
namespace {
Q_LOGGING_CATEGORY(lcSheets, "quorvel.sheets", QtInfoMsg)
} // namespace

QString ZSSyntaxCSSChain::nameAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_names.size() ? m_names[index] : QString();
}

bool ZSSyntaxCSSChain::isMatched(const QStringList& classStack) const
{
    qsizetype cursor = 0;
    for (const QString& name : m_names) {
        while (cursor < classStack.size() && classStack[cursor] != name)
            ++cursor;
        if (cursor == classStack.size())
            return false;
    }
    return true;
}

namespace {

// A CSS hex colour without its "#": three or six digits, or with alpha four
// or eight (CSS reads the last digit or pair as alpha over 255).
plat::ColorPtr cssHexColor(const QString& digits)
{
    auto twice = [](const QString& s) {
        QString out;
        for (QChar c : s)
            out += QString(2, c);
        return out;
    };
    switch (digits.size()) {
    case 3:
        return ZQColor::colorFromHexString(twice(digits));
    case 6:
        return ZQColor::colorFromHexString(digits);
    case 4:
    case 8: {
        const QString full = digits.size() == 4 ? twice(digits) : digits;
        const plat::ColorPtr rgb = ZQColor::colorFromHexString(full.left(6));
        const double alpha = ZQColor::colorComponentFrom(full, 6, 2);
        if (!rgb || alpha < 0)
            return nullptr;
        return plat::Color::rgba(rgb->red(), rgb->green(), rgb->blue(), alpha);
    }
    default:
        return nullptr;
    }
}

} // namespace

void ZQSyntaxCSS::loadCSSContent(const QString& css)
{
    QString selector;
    selector.reserve(200);
    const qsizetype n = css.size();
    qsizetype i = 0;
    while (i < n) {
        if (css[i] == u'/' && i + 1 < n && css[i + 1] == u'*') {
            const qsizetype start = i + 2;
            const qsizetype end = css.indexOf(QStringLiteral("*/"), start);
            const QString text = css.mid(start, end < 0 ? -1 : end - start);
            if (text.isEmpty()) {
                qWarning().noquote() << "Unexpected CSS does not comment end */";
                break;
            }
            const QStringList parts = ZQShared::trim(text).split(QLatin1Char(':'));
            if (parts.size() == 2 && ZQShared::trim(parts[0]).toLower() == QLatin1String("cssname"))
                m_name = ZQShared::trim(parts[1]);
            i = end < 0 ? n : end + 2;
        } else if (css[i] == u'{') {
            parseCssNames(selector);
            selector.clear();
            const qsizetype start = i + 1;
            const qsizetype end = css.indexOf(QLatin1Char('}'), start);
            const QString text = css.mid(start, end < 0 ? -1 : end - start);
            if (text.isEmpty()) {
                m_nameLangCache.clear();
                qWarning().noquote() << "Unexpected CSS does not matched '}'";
                break;
            }
            parseCssValues(text);
            i = end < 0 ? n : end + 1;
        } else {
            selector += css[i];
            ++i;
        }
    }
    m_nameLangCache.clear();
}

void ZQSyntaxCSS::parseCssNames(const QString& selectorText)
{
    const QStringList parts = ZQShared::trim(selectorText).split(QLatin1Char(','));
    for (const QString& part : parts) {
        if (!ZQShared::isNotBlank(part))
            continue;
        auto chain = std::make_shared<ZSSyntaxCSSChain>();
        chain->names().reserve(10);
        for (const QString& rawPiece : part.split(QLatin1Char(' '))) {
            const QString piece = ZQShared::trim(rawPiece);
            if (piece.startsWith(QLatin1Char('.')))
                chain->names().append(piece.mid(1));
        }
        if (!chain->names().isEmpty())
            m_nameLangCache.push_back(std::move(chain));
    }
}

void ZQSyntaxCSS::parseCssValues(const QString& declarations)
{
    for (const QString& declaration : declarations.split(QLatin1Char(';'))) {
        const QStringList pair = declaration.split(QLatin1Char(':'));
        if (pair.size() < 2 || ZQShared::trim(pair[0]) != QLatin1String("color"))
            continue;
        QString value = ZQShared::trim(pair[1]);
        if (value.endsWith(QLatin1Char(';')))
            value.chop(1);
        if (value.startsWith(QLatin1Char('#')))
            value.remove(0, 1);
        const plat::ColorPtr color = cssHexColor(value);
        if (!color) {
            qCDebug(lcSheets).noquote() << QStringLiteral("Unexpected color %1").arg(value);
            continue;
        }
        for (const ZSSyntaxCSSChainPtr& chain : m_nameLangCache) {
            chain->setFontColor(color);
            m_chains.push_back(chain);
            if (chain->nameAtIndex(0) == QLatin1String("hljs"))
                m_bodyColor = color;
        }
    }
    m_nameLangCache.clear();
}

plat::ColorPtr ZQSyntaxCSS::findColorForCssChain(const QStringList& classStack) const
{
    std::vector<ZSSyntaxCSSChainPtr> matched;
    for (const ZSSyntaxCSSChainPtr& chain : m_chains) {
        if (chain->isMatched(classStack))
            matched.push_back(chain);
    }
    if (matched.empty())
        return nullptr;
    if (matched.size() == 1)
        return matched.front()->fontColor();
    for (qsizetype i = classStack.size() - 1; i >= 0; --i) {
        const ZSSyntaxCSSChain* only = nullptr;
        int count = 0;
        for (const ZSSyntaxCSSChainPtr& chain : matched) {
            if (chain->names().contains(classStack[i])) {
                only = chain.get();
                ++count;
            }
        }
        if (count == 1)
            return only->fontColor();
    }
    return nullptr;
}
