#pragma once
// Completes a paired emphasis marker in markup text while it is typed: the run
// of "*" or "_" at the caret becomes the opening marker, a matching closing run
// follows it, and the caret stays between. Typing the marker again between the
// two grows both runs together (emphasis, strong, strong with emphasis).

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>

class ZQHighlighter;
class ZSSettings;
namespace plat {
class AttributedString;
class TextView;
} // namespace plat

class ZQOnFlyManager : public plat::Object {
public:
    static std::shared_ptr<ZQOnFlyManager> sharedOnFlyManager();

    QString className() const override { return QStringLiteral("ZQOnFlyManager"); }

    // position is the caret just after the typed marker character. Always YES.
    bool markupAutoComplete(const QString& marker, qsizetype onPosition, plat::TextView& onView);

private:
    ZQOnFlyManager();

    // YES when a pair was completed, NO when refused.
    bool baseMarkupAutoComplete(const QString& marker, qsizetype position, plat::TextView& view);
    // The run of marker around position; closing halves of earlier completions
    // never belong to it.
    static plat::Range findConsequence(QChar marker, qsizetype onPosition, const plat::AttributedString& content);

    std::shared_ptr<ZSSettings> m_settings;
    ZQHighlighter& m_highlighter;
};
