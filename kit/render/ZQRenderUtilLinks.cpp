#include "kit/render/ZQRenderUtil.h"

#include "kit/foundation/ZQAttributedString.h"
#include "kit/foundation/ZSSettings.h"
#include "kit/markup/ZQAttributeNames.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

namespace {

constexpr quint64 RichEditor = 1;

} // namespace

bool ZQRenderUtil::removeRichLink(plat::TextView& view, plat::Range range)
{
    plat::TextStorage& storage = *view.textStorage();
    qsizetype index = range.location;
    if (index == storage.length() && index > 0)
        --index;
    if (index < 0 || index >= storage.length())
        return false;
    plat::Range run;
    if (storage.attributeAtIndexLongestEffectiveRange(ZQAttr::FilterLink, index, &run, plat::Range(0, storage.length()))
            .isNull())
        return false;

    plat::MutableAttributedString copy(storage.attributedSubstring(run));
    const plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(RichEditor);
    bool replaced = false;
    copy.enumerateAttribute(ZQAttr::FilterLink, plat::Range(0, copy.length()), plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range sub, bool*) {
        const QStringView text = QStringView(copy.string()).mid(sub.location, sub.length);
        if (value.isNull() || text.size() < 2 || !text.startsWith(u'[') || !text.endsWith(u']'))
            return;
        copy.replaceCharacters(sub, plat::AttributedString(text.mid(1, text.size() - 2).toString(), plain));
        replaced = true;
    });
    if (!replaced)
        return false;
    ZQMutableAttributedString::replaceCharactersInRange(storage, run, plat::AttributedString(copy),
                                                        view.undoManager(), QStringLiteral("Unlink"));
    return true;
}
