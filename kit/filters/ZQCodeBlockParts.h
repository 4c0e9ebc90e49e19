#pragma once
// The part codes of a fenced code block ("ZQFilterCodeBlock" values) and the
// fence this filter writes itself.

#include <QString>

namespace ZQCodeBlockParts {

inline const QString StartPart = QStringLiteral("S");
inline const QString TagPart = QStringLiteral("T");
inline const QString BodyPart = QStringLiteral("B");
inline const QString EndPart = QStringLiteral("E");
// The fence this filter writes, and the marker of every markup pairing.
inline const QString ThreeBackquotes = QStringLiteral("```");

} // namespace ZQCodeBlockParts
