#include "kit/model/ZQSyntaxWebViewHighlighter.h"

#include "kit/foundation/ZQError.h"
#include "kit/foundation/ZQPair.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Attributes.h"
#include "platform/web/WebPage.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Incremented before every page load, so that each load has an address of its own.
qint64 requestUuid = 0;

// The longest reference body worth looking at ("&" and ";" excluded).
constexpr qsizetype MaxReferenceBody = 32;

bool isDigits(QStringView s, bool hex)
{
    if (s.isEmpty() || s.size() > 8)
        return false;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        const bool digit = (u >= u'0' && u <= u'9') || (hex && ((u | 0x20) >= u'a' && (u | 0x20) <= u'f'));
        if (!digit)
            return false;
    }
    return true;
}

// The text a character reference body ("amp", "#38", "#x26") stands for;
// a null string when it stands for none.
QString referenceValue(QStringView body)
{
    if (body.startsWith(u'#')) {
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const QStringView digits = body.mid(hex ? 2 : 1);
        if (!isDigits(digits, hex))
            return QString();
        const char32_t value = digits.toUInt(nullptr, hex ? 16 : 10);
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return QString();
        return QString::fromUcs4(&value, 1);
    }
    const QByteArray name = body.toLatin1();
    return ZQRenderUtil::entityUnicode(name.constData(), name.size());
}

// Text as the page serialises it, with every character reference decoded one
// level ("&amp;lt;" reads "&lt;"): "&nbsp;" and the like count as the one
// character they stand for, so positions match the code written.
QString decodeHTMLText(const QString& html)
{
    if (!html.contains(u'&'))
        return html;
    QString out;
    out.reserve(html.size());
    const QStringView view(html);
    qsizetype i = 0;
    while (i < html.size()) {
        if (html[i] == u'&') {
            const QStringView rest = view.mid(i + 1, MaxReferenceBody + 1);
            const qsizetype semicolon = rest.indexOf(u';');
            if (semicolon > 0) {
                const QString value = referenceValue(rest.first(semicolon));
                if (!value.isNull()) {
                    out += value;
                    i += semicolon + 2;
                    continue;
                }
            }
        }
        out += html[i];
        ++i;
    }
    return out;
}

// The element name: from the start, skipping "<" and a "/" before the name,
// up to a space, ">" or a later "/"; empty when there is none.
QString elementName(const QString& tag)
{
    QString name;
    for (const QChar c : tag) {
        if (c == u'<' || (c == u'/' && name.isEmpty()))
            continue;
        if (c == u' ' || c == u'>' || c == u'/')
            break;
        name += c;
    }
    return name;
}

void logBadClass(const QString& tag)
{
    qWarning().noquote() << QStringLiteral("Failed to parse class attribute %1").arg(tag);
}

// The class names written after the first "class" of a tag, in quotes.
QStringList classNames(const QString& tag)
{
    const QString rest = tag.mid(tag.indexOf(QStringLiteral("class")) + 5);
    QStringList names;
    QString current;
    QChar quote;
    for (const QChar c : rest) {
        if (c == u' ') {
            if (!current.isEmpty())
                names << current;
            current.clear();
        } else if (quote.isNull()) {
            if (c == u'=')
                continue;
            if (c != u'"' && c != u'\'') {
                logBadClass(tag);
                break;
            }
            quote = c;
        } else if (c == quote) {
            break;
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        names << current;
    return names;
}

} // namespace

ZQSyntaxWebViewHighlighter::ZQSyntaxWebViewHighlighter(qint64 key)
    : m_key(key), m_webview(std::make_unique<plat::WebPage>())
{
}

ZQSyntaxWebViewHighlighter::~ZQSyntaxWebViewHighlighter() = default;

QString ZQSyntaxWebViewHighlighter::fixLangName(const QString& lang)
{
    // Lower case with blank runs collapsed: a link label's form, except that
    // a blank name stays empty.
    QString name = ZQShared::isNotBlank(lang) ? ZQShared::asLinkLabel(lang) : QString();
    if (name == u"objective-c" || name == u"objective c" || name == u"objc" || name == u"obj c" || name == u"obj-c")
        name = QStringLiteral("objectivec");
    else if (name == u"c++")
        name = QStringLiteral("cpp");
    else if (name == u"c#" || name == u"c-sharp" || name == u"c sharp")
        name = QStringLiteral("cs");
    ZQShared::escapeHTMLEntity(name);
    return name;
}

void ZQSyntaxWebViewHighlighter::highlight(std::shared_ptr<plat::MutableAttributedString> text,
                                           const ZQSyntaxHighlighter::CodeBlocks& codeBlocks, ZQSyntaxCSSPtr css,
                                           const QString& templ, const QUrl& templUrl,
                                           ZQSyntaxHighlighter::Completion completion)
{
    m_codeblockPreList.clear();
    m_codeblockPreList.reserve(10);
    QString body;
    qint64 index = 1;
    for (const auto& [rangeText, lang] : codeBlocks) {
        const plat::Range range = plat::rangeFromString(rangeText);
        if (range.location < 0 || range.length < 0 || range.end() > text->length()) {
            qWarning().noquote() << QStringLiteral("Unexpected - code range %1 is outside the text").arg(rangeText);
            continue;
        }
        ZQHTMLCodeBlockPre block{range, index++, text->string().mid(range.location, range.length)};
        QString code = block.codeText;
        ZQShared::escapeHTMLKeyChar(code);
        // The page's parser would turn a raw CR (or CRLF) into one LF.
        code.replace(u'\r', QStringLiteral("&#13;"));
        body += QStringLiteral("<pre id=\"rendercode") + QString::number(block.index) + QStringLiteral("\"><code class=\"")
              + fixLangName(lang) + QStringLiteral("\">") + code + QStringLiteral("</code></pre>");
        m_codeblockPreList.push_back(std::move(block));
    }
    m_applyCss = std::move(css);
    m_storage = std::move(text);
    m_completion = std::move(completion);

    if (!m_pageLoaded) {
        loadPage(body, templ, templUrl);
        return;
    }
    // The loaded page takes the new blocks itself; a page that cannot (another
    // template, or its renderer went away) is loaded again.
    QString bodyLiteral = QString::fromUtf8(QJsonDocument(QJsonArray{body}).toJson(QJsonDocument::Compact));
    bodyLiteral = bodyLiteral.mid(1, bodyLiteral.size() - 2);
    const QString script = QStringLiteral(
        "(function (body) { if (typeof window.quorvelHighlight !== 'function') return null;"
        " window.quorvelHighlight(body); %1 })(%2);").arg(readBackScript(), bodyLiteral);
    const std::weak_ptr<plat::Object> weak = weak_from_this();
    m_webview->evaluateJavaScript(script, [weak, body, templ, templUrl](const QVariant& result) {
        const auto self = std::static_pointer_cast<ZQSyntaxWebViewHighlighter>(weak.lock());
        if (!self)
            return;
        if (result.typeId() == QMetaType::QVariantList) {
            self->readBack(result);
        } else {
            self->m_pageLoaded = false;
            self->loadPage(body, templ, templUrl);
        }
    });
}

QString ZQSyntaxWebViewHighlighter::readBackScript() const
{
    // Every block's HTML in one round trip, in page order.
    return QStringLiteral("var html = []; for (var i = 1; i <= %1; i++) {"
                          " var pre = document.getElementById('rendercode' + i); html.push(pre ? pre.innerHTML : null); }"
                          " return html;").arg(m_codeblockPreList.size());
}

void ZQSyntaxWebViewHighlighter::loadPage(const QString& body, const QString& templ, const QUrl& templUrl)
{
    QString page = templ;
    page.replace(QStringLiteral("{{codebody}}"), body);
    QUrl baseUrl = templUrl;
    baseUrl.setQuery(QStringLiteral("uid=%1").arg(++requestUuid));
    const std::weak_ptr<plat::Object> weak = weak_from_this();
    m_webview->setLoadHandler([weak](bool ok, const QString& error) {
        const auto self = std::static_pointer_cast<ZQSyntaxWebViewHighlighter>(weak.lock());
        if (!self)
            return;
        if (ok)
            self->didFinishLoad();
        else
            self->didFailLoadWithError(error);
    });
    m_webview->loadHTMLString(page, baseUrl);
}

void ZQSyntaxWebViewHighlighter::didFinishLoad()
{
    m_pageLoaded = true;
    webViewDidFinishLoad();
}

void ZQSyntaxWebViewHighlighter::didFailLoadWithError(const QString& error)
{
    qWarning().noquote() << QStringLiteral("Webview load with error %1").arg(error);
    finish(ZQError::errorFromMessage(error), {});
}

void ZQSyntaxWebViewHighlighter::webViewDidFinishLoad()
{
    const std::weak_ptr<plat::Object> weak = weak_from_this();
    m_webview->evaluateJavaScript(QStringLiteral("(function () { %1 })();").arg(readBackScript()),
                                  [weak](const QVariant& result) {
        if (const auto self = std::static_pointer_cast<ZQSyntaxWebViewHighlighter>(weak.lock()))
            self->readBack(result);
    });
}

void ZQSyntaxWebViewHighlighter::readBack(const QVariant& blocksHTML)
{
    if (blocksHTML.typeId() != QMetaType::QVariantList) {
        qWarning().noquote() << QStringLiteral("Unexpected - the highlighted page could not be read");
        finish(ZQError::errorFromMessage(QStringLiteral("The highlighted code could not be read back.")), {});
        return;
    }
    const QVariantList html = blocksHTML.toList();
    QStringList ranges;
    m_storage->beginEditing();
    for (std::size_t i = 0; i < m_codeblockPreList.size(); ++i) {
        const ZQHTMLCodeBlockPre& block = m_codeblockPreList[i];
        const QVariant blockHTML = qsizetype(i) < html.size() ? html[qsizetype(i)] : QVariant();
        if (blockHTML.typeId() != QMetaType::QString) {
            qWarning().noquote() << QStringLiteral("Unexpected - no highlighted block %1").arg(block.index);
            continue;
        }
        if (colourBlock(block, blockHTML.toString()))
            ranges << plat::toString(block.codeRange);
    }
    m_storage->endEditing();
    finish(std::nullopt, ranges);
}

bool ZQSyntaxWebViewHighlighter::colourBlock(const ZQHTMLCodeBlockPre& block, const QString& html)
{
    const plat::Range range = block.codeRange;
    const QString& text = m_storage->string();
    // The user may have edited the text while the page worked.
    if (range.end() > text.size() || QStringView(text).mid(range.location, range.length) != block.codeText)
        return false;

    m_cssChain.clear();
    m_cssChain.reserve(6);
    m_lastPos = range.location;
    m_readBackText.clear();
    m_paints.clear();
    m_htmlParser.scan(html, *this);
    if (m_readBackText != block.codeText) {
        qWarning().noquote() << QStringLiteral("Unexpected - highlighted text of code range %1 differs from its code")
                                    .arg(plat::toString(range));
        return false;
    }

    const plat::ColorPtr body = m_applyCss->bodyColor();
    for (const Paint& paint : m_paints) {
        if (paint.keyword) {
            m_storage->addAttribute(ZQAttr::CodeBlockKeyword, paint.keyword, paint.range);
        } else {
            m_storage->removeAttribute(ZQAttr::CodeBlockKeyword, paint.range);
        }
        m_storage->addAttribute(plat::ForegroundColorAttribute, paint.keyword ? paint.keyword : body, paint.range);
    }
    return true;
}

void ZQSyntaxWebViewHighlighter::finish(const std::optional<ZQErrorValue>& error, const QStringList& ranges)
{
    const ZQSyntaxHighlighter::Completion completion = std::move(m_completion);
    m_completion = nullptr;
    m_storage.reset();
    if (completion)
        completion(error, ranges);
}

void ZQSyntaxWebViewHighlighter::tag(const QString& tag)
{
    if (tag.endsWith(QStringLiteral("/>")))
        return;
    if (tag.startsWith(QStringLiteral("</"))) {
        if (m_cssChain.empty()) {
            qWarning().noquote() << QStringLiteral("Unexpected - no paired open tag for %1").arg(tag);
            return;
        }
        if (m_cssChain.back()->key() == elementName(tag))
            m_cssChain.pop_back();
        return;
    }
    if (!tag.contains(QStringLiteral("class"))) {
        m_cssChain.push_back(ZQPair::pairedWithValue(QString(), elementName(tag)));
        return;
    }
    const QStringList names = classNames(tag);
    if (names.isEmpty()) {
        logBadClass(tag);
        return;
    }
    m_cssChain.push_back(ZQPair::pairedWithValue(names.first(), elementName(tag)));
}

void ZQSyntaxWebViewHighlighter::content(const QString& content)
{
    const QString text = decodeHTMLText(content);
    const qsizetype length = text.size();
    m_readBackText += text;
    if (!m_cssChain.empty() && length > 0) {
        QStringList classes;
        for (const auto& pair : m_cssChain) {
            if (!pair->value().isNull())
                classes << pair->value();
        }
        m_paints.push_back({plat::Range(m_lastPos, length), m_applyCss->findColorForCssChain(classes)});
    }
    m_lastPos += length;
}
