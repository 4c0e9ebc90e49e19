#pragma once
// A page exported to HTML by a render object, in the given dialect.

#include "kit/model/ZSSettings.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/Regex.h"
#include "platform/text/AttributedString.h"
#include "support/ScopedDefaults.h"

#include <QFile>

namespace HTMLExport {

// White space at tag boundaries and the form of empty elements do not count.
inline QString normalised(QString html)
{
    static const auto aroundTags = plat::Regex::create(QStringLiteral("\\s*(<[^>]*>)\\s*"), 0);
    html.replace(QStringLiteral(" />"), QStringLiteral(">")).replace(QStringLiteral("/>"), QStringLiteral(">"));
    html = aroundTags->stringByReplacingMatches(html, plat::wholeRange(html), QStringLiteral("$1"));
    return html.trimmed();
}

using enum ZQMarkupType;

// Settings of their own, installed as the application's while in scope.
class Settings {
public:
    explicit Settings(ZQMarkupType markupType)
    {
        auto settings = ZSSettings::create();
        settings->setMarkupType(markupType);
        ZSSettings::hookPlatformSettings(settings);
    }
    ~Settings() { ZSSettings::hookPlatformSettings(nullptr); }

private:
    ScopedDefaults m_defaults;
};

inline QString body(const QString& markup, ZQMarkupType markupType = Markdown)
{
    Settings settings(markupType);
    ZQRender render;
    return render.renderMarkupToHTML(plat::AttributedString(markup), QString(), nullptr);
}

inline QString readData(const QString& name)
{
    QFile file(qEnvironmentVariable("QUORVEL_TEST_DATA") + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace HTMLExport
