#include "kit/foundation/ZSURLParser.h"

namespace {

bool isSkipped(QChar c)
{
    return c == u'&' || c == u'?';
}

} // namespace

// A scan that skips "&" and "?" before each piece: the text up to the first
// "?" is dropped, then every run up to the next "&" is one piece.
ZSURLParser::ZSURLParser(const QUrl& url)
{
    const QString text = QString::fromLatin1(url.toEncoded());
    qsizetype pos = 0;
    const auto skip = [&] {
        while (pos < text.size() && isSkipped(text[pos]))
            ++pos;
    };
    skip();
    pos = text.indexOf(u'?', pos);
    if (pos < 0)
        return;
    for (skip(); pos < text.size(); skip()) {
        qsizetype end = text.indexOf(u'&', pos);
        if (end < 0)
            end = text.size();
        m_variables << text.mid(pos, end - pos);
        pos = end;
    }
}

QString ZSURLParser::valueForVariable(const QString& name) const
{
    const QString prefix = name + u'=';
    for (const QString& piece : m_variables) {
        if (piece.size() > prefix.size() && piece.startsWith(prefix))
            return piece.mid(prefix.size());
    }
    return QString();
}
