#pragma once
// highlight.js style sheets read into selector chains with a text colour:
// enough to answer which colour a stack of "hljs" classes gets.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/text/Color.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// One selector: class names, outermost first, and the colour it gives.
class ZSSyntaxCSSChain : public plat::Object {
public:
    QStringList& names() { return m_names; }
    const QStringList& names() const { return m_names; }
    plat::ColorPtr fontColor() const { return m_fontColor; }
    void setFontColor(plat::ColorPtr color) { m_fontColor = std::move(color); }

    // Empty when the position is past the end.
    QString nameAtIndex(qsizetype index) const;
    // The names form an ordered subsequence of the stack (outermost first).
    bool isMatched(const QStringList& classStack) const;

    QString className() const override { return QStringLiteral("ZSSyntaxCSSChain"); }

private:
    QStringList m_names;
    plat::ColorPtr m_fontColor;
};

using ZSSyntaxCSSChainPtr = std::shared_ptr<ZSSyntaxCSSChain>;

class ZQSyntaxCSS : public plat::Object {
public:
    void loadCSSContent(const QString& css);
    bool isValid() const { return !m_chains.empty() && m_bodyColor; }
    // The colour of the one chain that matches, or of the one that the
    // innermost distinguishing class picks; nullptr when undecided.
    plat::ColorPtr findColorForCssChain(const QStringList& classStack) const;
    void invalidChainCache() { m_nameLangCache.clear(); }

    const std::vector<ZSSyntaxCSSChainPtr>& chains() const { return m_chains; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const QString& filename() const { return m_filename; }
    void setFilename(const QString& filename) { m_filename = filename; }
    qint64 index() const { return m_index; }
    void setIndex(qint64 index) { m_index = index; }
    plat::ColorPtr bodyColor() const { return m_bodyColor; }

    QString className() const override { return QStringLiteral("ZQSyntaxCSS"); }

private:
    void parseCssNames(const QString& selectorText);
    void parseCssValues(const QString& declarations);

    std::vector<ZSSyntaxCSSChainPtr> m_chains;
    std::vector<ZSSyntaxCSSChainPtr> m_nameLangCache;
    QString m_name;
    QString m_filename;
    qint64 m_index = 0;
    plat::ColorPtr m_bodyColor;
};

using ZQSyntaxCSSPtr = std::shared_ptr<ZQSyntaxCSS>;

// A detached description of a sheet, for the preferences.
struct ZSCSSItem {
    QString name;
    QString filename;
    qint64 index = 0;
};

// What the render engine's code-block cache keeps per fenced block.
class ZQHighlighterBlockCacheItem : public plat::Object {
public:
    ZQHighlighterBlockCacheItem(QString key, plat::Range codeRange, QString codeLang, QString cssName)
        : m_key(std::move(key)), m_codeRange(codeRange), m_codeLang(std::move(codeLang)), m_cssName(std::move(cssName)) {}

    const QString& key() const { return m_key; }
    void setKey(const QString& v) { m_key = v; }
    plat::Range codeRange() const { return m_codeRange; }
    void setCodeRange(plat::Range v) { m_codeRange = v; }
    const QString& codeLang() const { return m_codeLang; }
    void setCodeLang(const QString& v) { m_codeLang = v; }
    const QString& cssName() const { return m_cssName; }
    void setCssName(const QString& v) { m_cssName = v; }
    const QString& codeText() const { return m_codeText; }
    void setCodeText(const QString& v) { m_codeText = v; }
    plat::Range firstKeywordRange() const { return m_firstKeywordRange; }
    void setFirstKeywordRange(plat::Range v) { m_firstKeywordRange = v; }
    double lastUsedTime() const { return m_lastUsedTime; }
    void setLastUsedTime(double v) { m_lastUsedTime = v; }

    QString className() const override { return QStringLiteral("ZQHighlighterBlockCacheItem"); }

private:
    QString m_key;
    plat::Range m_codeRange;
    QString m_codeLang;
    QString m_cssName;
    QString m_codeText;
    plat::Range m_firstKeywordRange;
    double m_lastUsedTime = 0;
};
