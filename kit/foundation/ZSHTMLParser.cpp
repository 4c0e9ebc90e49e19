#include "kit/foundation/ZSHTMLParser.h"

void ZSHTMLParser::scan(const QString& html, ZSHTMLListener& listener) const
{
    listener.startDocument();
    qsizetype pos = 0;
    do {
        const qsizetype open = html.indexOf(u'<', pos);
        if (open < 0) {
            listener.content(html.mid(pos));
            break;
        }
        if (open > pos)
            listener.content(html.mid(pos, open - pos));
        const qsizetype close = html.indexOf(u'>', open);
        if (close < 0) {
            listener.content(QStringLiteral("<"));
            pos = open + 1;
        } else {
            listener.tag(html.mid(open, close - open + 1));
            pos = close + 1;
        }
    } while (pos < html.size());
    listener.endDocument();
}
