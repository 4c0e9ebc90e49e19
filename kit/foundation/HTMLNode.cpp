#include "kit/foundation/HTMLNode.h"

#include "kit/foundation/ZQShared.h"

HTMLNode::HTMLNode(const QString& tag)
    : m_tagName(parseTagName(tag.toLower()))
    , m_closeTag(ZQShared::trim(tag).startsWith(u"</"))
{
}

bool HTMLNode::isPaired(const HTMLNode& other) const
{
    return m_closeTag != other.m_closeTag && !m_tagName.isNull() && m_tagName == other.m_tagName;
}

// The name ends at the first non-word character; text that ends while the
// name is still being read was no complete tag.
QString HTMLNode::parseTagName(const QString& tag)
{
    const QString text = ZQShared::trim(tag);
    qsizetype nameStart = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((i == 0 && c == u'<') || (i == 1 && c == u'/'))
            continue;
        if (isWord(c)) {
            if (nameStart < 0)
                nameStart = i;
            continue;
        }
        return nameStart < 0 ? QString() : text.mid(nameStart, i - nameStart);
    }
    return QString();
}

bool HTMLNode::isWord(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
}
