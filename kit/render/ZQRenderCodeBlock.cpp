// The render engine's part in code-block colouring: which blocks of an editor's
// text must be coloured again, and the process-wide cache of those that were.

#include "kit/render/ZQRender.h"

#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQSyntaxCSS.h"
#include "kit/model/ZQSyntaxHighlighter.h"
#include "platform/text/TextStorage.h"

#include <QDateTime>
#include <QDebug>
#include <algorithm>
#include <exception>

namespace {

// Entries are kept while the cache holds at most this many,
constexpr std::size_t MaxCachedBlocks = 50;
// and cut back to this many most recently stored beyond it.
constexpr std::size_t KeptCachedBlocks = 30;

plat::Range firstKeywordRange(const plat::AttributedString& text, plat::Range range)
{
    return ZQAttributedString::findAttribute(text, ZQAttr::CodeBlockKeyword, range, 0);
}

QString textIn(const plat::AttributedString& text, plat::Range range)
{
    return text.string().mid(range.location, range.length);
}

} // namespace

ZQRender::CodeBlockCache& ZQRender::codeHighligherCaching()
{
    static CodeBlockCache cache;
    return cache;
}

void ZQRender::highlighCodeBlock(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType editorType,
                                 CodeBlockCompletion completion)
{
    highlighCodeBlock(storage, editorType, std::move(completion), plat::Range(0, storage->length()));
}

void ZQRender::highlighCodeBlock(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType editorType,
                                 CodeBlockCompletion completion, plat::Range range)
{
    bool sent = false;
    try {
        sent = highlighCodeBlockRequest(storage, editorType, completion, range);
    } catch (const std::exception& e) {
        qWarning().noquote() << QStringLiteral("Code blocks were not sent for colouring: %1").arg(e.what());
    }
    if (!sent && completion)
        completion(std::nullopt, std::nullopt);
}

bool ZQRender::highlighCodeBlockRequest(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType editorType,
                                        const CodeBlockCompletion& completion, plat::Range range)
{
    const auto theme = ZSTextTheme::sharedTheme();
    const QString cssName = editorType == ZQEditorType::Markup ? theme->mdCodeBlockCSS() : theme->editorCodeBlockCSS();
    const plat::TextStorage& text = *storage;
    // The range grows to the whole blocks at its ends (their parts share the block's key).
    const qsizetype length = text.length();
    qsizetype from = std::clamp<qsizetype>(range.isNotFound() ? 0 : range.location, 0, length);
    qsizetype to = std::clamp<qsizetype>(range.isNotFound() ? length : range.end(), from, length);
    for (const QString& name : {ZQAttr::Raw, ZQAttr::IndentBlock}) {
        plat::Range block;
        for (const qsizetype at : {from - 1, from}) {
            if (at >= 0 && at < length && !text.attributeAtIndexLongestEffectiveRange(name, at, &block,
                                                                                      plat::Range(0, length)).isNull())
                from = std::min(from, block.location);
        }
        for (const qsizetype at : {to - 1, to}) {
            if (at >= 0 && at < length && !text.attributeAtIndexLongestEffectiveRange(name, at, &block,
                                                                                      plat::Range(0, length)).isNull())
                to = std::max(to, block.end());
        }
    }
    const plat::Range whole(from, to - from);

    std::map<QString, plat::Range> bodyRanges;
    std::map<QString, QString> langs;
    auto required = std::make_shared<std::map<QString, std::shared_ptr<ZQHighlighterBlockCacheItem>>>();
    ZQSyntaxHighlighter::CodeBlocks request;
    const auto check = [&](const QString& key, plat::Range range, const QString& lang) {
        if (auto item = requiredHighlightedItem(text, key, range, lang, cssName)) {
            const QString rangeText = plat::toString(range);
            (*required)[rangeText] = std::move(item);
            request[rangeText] = lang;
        }
    };

    // Fenced blocks from the end: the closing fence, the body lines upwards,
    // the info string, then the opening fence that completes the block.
    plat::Range body = plat::Range::notFound();
    text.enumerateAttribute(ZQAttr::FilterCodeBlock, whole, plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range run, bool*) {
        const QString part = value.toString();
        if (part.isEmpty())
            return;
        if (part == u"E") {
            body = plat::Range::notFound();
            return;
        }
        const QString key = text.attributeAtIndex(ZQAttr::Raw, run.location).toString();
        if (key.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Unexpected - code block does not have pairedkey");
            return;
        }
        if (part == u"B") {
            if (body.location == plat::NotFound)
                body = run;
            else if (body.location == run.end())
                body = plat::Range(run.location, body.length + run.length);
            else
                body = plat::Range::notFound();
            if (body.location != plat::NotFound)
                bodyRanges[key] = body;
        } else if (part == u"T") {
            langs[key] = ZQShared::trim(textIn(text, run));
        } else if (part == u"S") {
            const auto found = bodyRanges.find(key);
            if (found != bodyRanges.end()) {
                const auto lang = langs.find(key);
                check(key, found->second, lang == langs.end() ? QString() : lang->second);
            }
            body = plat::Range::notFound();
        }
    });

    text.enumerateAttribute(ZQAttr::IndentBlock, whole, plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range run, bool*) {
        const QString key = value.toString();
        if (!key.isEmpty())
            check(key, run, QString());
    });

    if (request.empty())
        return false;

    ZQSyntaxHighlighter::sharedSyntaxHighlighter().highlight(
        storage, request, cssName,
        [storage, required, completion](const std::optional<ZQErrorValue>& error, const QStringList& ranges) {
            try {
                if (!error) {
                    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
                    for (const QString& rangeText : ranges) {
                        const plat::Range range = plat::rangeFromString(rangeText);
                        const auto item = required->find(rangeText);
                        if (item != required->end()) {
                            item->second->setFirstKeywordRange(firstKeywordRange(*storage, range));
                            item->second->setCodeText(textIn(*storage, range));
                            item->second->setLastUsedTime(now);
                            codeHighligherCaching()[item->second->key()] = item->second;
                        } else {
                            qWarning().noquote()
                                << QStringLiteral("Unexpected, no cached ZQHighlighterBlockCacheItem item %1").arg(rangeText);
                        }
                        // The editor lays the block out again.
                        storage->edited(plat::EditedAttributes, range, 0);
                    }
                }
            } catch (const std::exception& e) {
                qWarning().noquote() << QStringLiteral("Taking in code-block colours failed: %1").arg(e.what());
            }
            if (completion)
                completion(error, ranges);
        });
    return true;
}

std::shared_ptr<ZQHighlighterBlockCacheItem> ZQRender::requiredHighlightedItem(const plat::AttributedString& text,
                                                                               const QString& attributeKey,
                                                                               plat::Range codeRange,
                                                                               const QString& codeLang,
                                                                               const QString& cssName)
{
    poolChecking();
    const CodeBlockCache& cache = codeHighligherCaching();
    const auto found = cache.find(attributeKey);
    if (found != cache.end()) {
        const ZQHighlighterBlockCacheItem& item = *found->second;
        if (item.codeRange() == codeRange && ZQShared::trim(item.codeLang()) == ZQShared::trim(codeLang)
            && item.cssName() == cssName && textIn(text, codeRange) == item.codeText()
            && firstKeywordRange(text, codeRange) == item.firstKeywordRange())
            return nullptr;
    }
    return std::make_shared<ZQHighlighterBlockCacheItem>(attributeKey, codeRange, codeLang, cssName);
}

void ZQRender::poolChecking()
{
    CodeBlockCache& cache = codeHighligherCaching();
    if (cache.size() <= MaxCachedBlocks)
        return;
    std::vector<std::pair<double, QString>> byTime;
    byTime.reserve(cache.size());
    for (const auto& [key, item] : cache)
        byTime.emplace_back(item->lastUsedTime(), key);
    // Most recent first; everything after the first 30 goes.
    std::nth_element(byTime.begin(), byTime.begin() + KeptCachedBlocks, byTime.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto it = byTime.begin() + KeptCachedBlocks; it != byTime.end(); ++it)
        cache.erase(it->second);
}
