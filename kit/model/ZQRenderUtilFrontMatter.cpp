#include "kit/model/ZQRenderUtil.h"

#include "kit/foundation/ZQShared.h"
#include "platform/foundation/StringLines.h"

namespace {

// Only lines starting before this position are looked at.
constexpr qsizetype ScanLimit = 700;

enum class TitleState { None, Collecting, Done };

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

} // namespace

qsizetype ZQRenderUtil::jekllyStylePageFrontMatterLength(const QString& text, QString* jekllyTitle)
{
    qsizetype total = 0;
    bool opened = false;
    TitleState state = TitleState::None;
    QChar openQuote;
    QString title;

    while (total < text.size() && total < ScanLimit) {
        const plat::LineBounds bounds = plat::lineBounds(text, plat::Range(total, 0));
        const QString line = text.mid(bounds.start, bounds.contentsEnd - bounds.start);
        total = bounds.end;
        const QString trimmed = ZQShared::trim(line);
        if (trimmed.isEmpty())
            continue;
        if (!opened) {
            if (!line.startsWith(QLatin1String("---")))
                return 0;
            opened = true;
            continue;
        }
        if (!openQuote.isNull()) {
            if (state == TitleState::Collecting)
                title += u' ' + trimmed;
            if (trimmed.endsWith(openQuote)) {
                if (state == TitleState::Collecting)
                    title.chop(1);
                state = TitleState::Done;
                openQuote = QChar();
            }
            continue;
        }
        if (line.startsWith(QLatin1String("---"))) {
            if (jekllyTitle)
                *jekllyTitle = title;
            return total;
        }
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            return 0;
        const QString key = ZQShared::trim(line.left(colon)).toLower();
        const QString value = ZQShared::trim(line.mid(colon + 1));
        if (key == QLatin1String("title"))
            state = TitleState::Collecting;
        else if (state == TitleState::Collecting)
            state = TitleState::Done; // a title left empty never takes another key's value
        if (value.isEmpty())
            continue;
        if (state == TitleState::Collecting)
            title += value;
        if (isQuote(value.front())) {
            if (state == TitleState::Collecting)
                title.remove(title.size() - value.size(), 1);
            if (value.size() > 1 && value.back() == value.front()) {
                if (state == TitleState::Collecting)
                    title.chop(1);
                state = TitleState::Done;
            } else {
                openQuote = value.front();
            }
        } else {
            state = TitleState::Done;
        }
    }
    return 0;
}
