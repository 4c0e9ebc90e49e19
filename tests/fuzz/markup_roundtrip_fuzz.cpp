// Markup -> rich -> markup, twice: the first pass may normalise the page, the
// second must write exactly what the first wrote (else every save rewrites the
// page, or it grows without bound). Each pass on an engine of its own, as
// opening a page does.

#include "FuzzSupport.h"

#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"

extern const FuzzSupport::Target fuzzTarget = {"markup_roundtrip", FuzzSupport::Seeds::Markup};

namespace {

QString pass(const QString& markup)
{
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(markup), false, ZQMarkupType::Markdown);
    return render.renderRichToMarkdown(&rich, false, ZQMarkupType::Markdown).string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > FuzzSupport::MaxInput)
        return 0;
    FuzzSupport::setUp();
    const QString first = pass(FuzzSupport::text(data, size));
    const QString second = pass(first);
    if (second != first)
        FuzzSupport::finding(QStringLiteral("the second round trip changed the page: %1 became %2")
                                 .arg(FuzzSupport::quoted(first), FuzzSupport::quoted(second)),
                             QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
