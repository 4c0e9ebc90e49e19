// Markup to HTML: any page exports without a crash, a sanitizer report or a hang.

#include "FuzzSupport.h"

#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"

extern const FuzzSupport::Target fuzzTarget = {"markup_to_html", FuzzSupport::Seeds::Markup};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > FuzzSupport::MaxInput)
        return 0;
    FuzzSupport::setUp();
    ZQRender render;
    const QString html = render.renderMarkupToHTML(plat::AttributedString(FuzzSupport::text(data, size)), QString(), nullptr);
    if (size > 0 && !FuzzSupport::text(data, size).trimmed().isEmpty() && html.isNull())
        FuzzSupport::finding(QStringLiteral("no HTML at all"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
