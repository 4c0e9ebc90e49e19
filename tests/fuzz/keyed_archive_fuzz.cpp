// Keyed archives as they come from disk or the pasteboard: any bytes decode to
// an object or a clear error, never a crash; attributed text that decodes has
// runs that cover its text.

#include "FuzzSupport.h"

#include "platform/foundation/KeyedArchive.h"
#include "platform/text/AttributedText.h"

extern const FuzzSupport::Target fuzzTarget = {"keyed_archive", FuzzSupport::Seeds::Archives};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > FuzzSupport::MaxInput)
        return 0;
    FuzzSupport::setUp();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    plat::KeyedUnarchiver::unarchiveValue(bytes, &error);
    const plat::ObjectPtr object = plat::KeyedUnarchiver::unarchiveObject(bytes, &error);
    if (!object && error.isEmpty())
        FuzzSupport::finding(QStringLiteral("an archive failed without an error"), bytes);
    const auto text = plat::objectCast<plat::AttributedText>(object);
    if (!text)
        return 0;
    // Every run of the decoded text is read.
    qsizetype covered = 0;
    text->text().enumerateAttributes(plat::Range(0, text->text().length()), 0,
                                     [&](const plat::Attributes&, plat::Range range, bool*) { covered += range.length; });
    if (covered != text->text().length())
        FuzzSupport::finding(QStringLiteral("the runs of decoded text do not cover it"), bytes);
    return 0;
}
