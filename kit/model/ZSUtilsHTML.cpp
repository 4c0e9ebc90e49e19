#include "kit/model/ZSUtils.h"

#include "kit/foundation/HTMLNode.h"

#include <QSet>
#include <optional>

namespace {

// The tag test walks the text in one direction: skip blanks to a tag, read it;
// an opening tag decides; a closing one is remembered and the walk goes on to
// the next tag that pairs with it, which decides.
class BlockTagWalk {
public:
    BlockTagWalk(const QString& text, bool backwards) : m_text(text), m_backwards(backwards) {}

    bool run()
    {
        const QChar tagStart = m_backwards ? u'>' : u'<';
        qsizetype i = first();
        while (i != end() && (at(i) == u' ' || at(i) == u'\t'))
            i = next(i);
        if (i == end() || at(i) != tagStart)
            return false;
        std::optional<HTMLNode> closing;
        while (i != end()) {
            const qsizetype tagEnd = tagEndFrom(i);
            if (tagEnd == end())
                return false;
            HTMLNode node(tagText(i, tagEnd));
            if (!closing) {
                if (!node.closeTag())
                    return ZSUtils::isBlockTag(node);
                closing.emplace(std::move(node));
            } else if (node.isPaired(*closing)) {
                return ZSUtils::isBlockTag(node);
            }
            i = next(tagEnd);
            while (i != end() && at(i) != tagStart)
                i = next(i);
        }
        return false;
    }

private:
    qsizetype first() const { return m_backwards ? m_text.size() - 1 : 0; }
    qsizetype end() const { return m_backwards ? -1 : m_text.size(); }
    qsizetype next(qsizetype i) const { return m_backwards ? i - 1 : i + 1; }
    QChar at(qsizetype i) const { return m_text[i]; }

    // The position of the character that closes the tag opened at i.
    qsizetype tagEndFrom(qsizetype i) const
    {
        const QChar tagEnd = m_backwards ? u'<' : u'>';
        i = next(i);
        while (i != end() && at(i) != tagEnd)
            i = next(i);
        return i;
    }

    QString tagText(qsizetype a, qsizetype b) const
    {
        const qsizetype from = std::min(a, b);
        return m_text.mid(from, std::max(a, b) - from + 1);
    }

    const QString& m_text;
    bool m_backwards;
};

} // namespace

bool ZSUtils::isBlockTag(const HTMLNode& node)
{
    static const QSet<QString> names = [] {
        const QStringList list = QStringLiteral(
            "table tr td th caption div h1 h2 h3 h4 h5 h6 ol li ul menu dd dt dir blockquote br p").split(u' ');
        return QSet<QString>(list.begin(), list.end());
    }();
    return !node.tagName().isNull() && names.contains(node.tagName().toLower());
}

bool ZSUtils::isStartByBlockHtmlTag(const QString& text)
{
    return !text.isNull() && BlockTagWalk(text, false).run();
}

bool ZSUtils::isEndByBlockHtmlTag(const QString& text)
{
    return !text.isNull() && BlockTagWalk(text, true).run();
}
