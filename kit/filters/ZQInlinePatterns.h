#pragma once
// The patterns and character sets of the inline parser, compiled once per
// process (first use, guarded by the language's static initialisation) and
// only read afterwards. Each pattern is applied at a scan position and must
// match there.

#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"

#include <QSet>
#include <QString>
#include <memory>

class ZQInlinePatterns {
public:
    static const ZQInlinePatterns& shared();
    // White space and newlines.
    static const plat::CharacterSet& blank();

    // One side of a delimiter run: whether a character is there, and whether
    // it is white space or punctuation.
    struct RunSide {
        bool present;
        bool blank;
        bool punctuation;
    };
    // What a run of the delimiter c can do by its neighbours (the flanking
    // rules; a "_", "-" or "+" with a word on both sides, as in "snake_case",
    // "well-known" or "1+2", opens only after punctuation and closes only
    // before it): 0 nothing, 1 open and close, 2 open, 3 close.
    static quint64 delimiterRunType(QChar c, RunSide before, RunSide after);

    std::shared_ptr<const plat::Regex> mailP;      // e-mail autolink body with its ">"
    std::shared_ptr<const plat::Regex> entityP;    // "&name;", "&#123;", "&#x7B;"
    std::shared_ptr<const plat::Regex> commentP;   // comment after "<!"; group 1 the comment text
    std::shared_ptr<const plat::Regex> cdataP;     // CDATA section after "<!"
    std::shared_ptr<const plat::Regex> piP;        // processing instruction after "<"

    // URI schemes of autolinks, in lower case.
    bool isScheme(const QString& lowerCaseName) const { return m_schemes.contains(lowerCaseName); }

private:
    ZQInlinePatterns();
    QSet<QString> m_schemes;
};
