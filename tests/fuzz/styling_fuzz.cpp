// Styling markup in place: styling a styled page again changes nothing, not a
// character and not an attribute (the markup editor restyles on every edit).

#include "FuzzSupport.h"

#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"

extern const FuzzSupport::Target fuzzTarget = {"styling", FuzzSupport::Seeds::Markup};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > FuzzSupport::MaxInput)
        return 0;
    FuzzSupport::setUp();
    static ZQRender render;
    plat::MutableAttributedString once{plat::AttributedString(FuzzSupport::text(data, size))};
    render.highlightMarkdown(once);
    plat::MutableAttributedString twice = once;
    render.highlightMarkdown(twice);
    if (twice.string() != once.string()) {
        FuzzSupport::finding(QStringLiteral("styling again changed the text: %1 became %2")
                                 .arg(FuzzSupport::quoted(once.string()), FuzzSupport::quoted(twice.string())),
                             QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } else if (twice != once) {
        qsizetype at = 0;
        while (at < once.length()) {
            plat::Range a;
            plat::Range b;
            if (!(once.attributesAtIndex(at, &a) == twice.attributesAtIndex(at, &b)))
                break;
            at = std::min(a.end(), b.end());
        }
        FuzzSupport::finding(QStringLiteral("styling again changed the attributes at %1 of %2")
                                 .arg(at)
                                 .arg(FuzzSupport::quoted(once.string())),
                             QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    }
    return 0;
}
