#pragma once
// The inline parser of one paragraph. Its class operations read the destination
// and title of a link: inside the parentheses of an inline link, and after the
// colon of a link reference definition.

#include "platform/foundation/Range.h"

#include <QString>
#include <QStringView>
#include <memory>

class ZQLinkRef;

class ZQParagraphParser {
public:
    // Reads destination and optional title from the start of text. effectRange (when
    // given) receives the consumed part (0, length). With matched set, nothing but
    // white space may follow that part. Null when no valid destination is there.
    static std::shared_ptr<ZQLinkRef> parseLinkAndTitle(QStringView text, plat::Range* effectRange, bool matched,
                                                        qint64 parseOptions);

    // Whether the parentheses of a bare destination are acceptable: one level, no
    // stray ")". text is the escape-masked text.
    static bool verifyLink(QStringView text, plat::Range range);
};
