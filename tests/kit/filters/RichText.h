#pragma once
// Rich text built by hand, piece by piece, the way the rich editor marks it.

#include "kit/model/ZSSettings.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <initializer_list>
#include <utility>

namespace RichText {

inline const ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

inline plat::Attributes body()
{
    return ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
}

// The body attributes with a font of those traits.
inline plat::Attributes font(bool bold, bool italic)
{
    plat::Attributes a = body();
    a.set(plat::FontAttribute, plat::Value(plat::Font::create(QStringLiteral("Menlo"), 14, bold, italic)));
    return a;
}

// The body attributes plus one more.
inline plat::Attributes with(const QString& name, const plat::Value& value, plat::Attributes a = body())
{
    a.set(name, value);
    return a;
}

// A list style of those levels, outermost first.
inline std::shared_ptr<ZQListStyle> listOf(std::initializer_list<QString> formats)
{
    ZQListStyle::TextLists lists;
    for (const QString& format : formats)
        lists.push_back(ZQTextList::initWithMarkerFormat(format, 1));
    return ZQListStyle::initWithTextLists(lists);
}

class Builder {
public:
    Builder& add(const QString& text, const plat::Attributes& attributes = body())
    {
        m_text.append(plat::AttributedString(text, attributes));
        return *this;
    }
    plat::MutableAttributedString& text() { return m_text; }

private:
    plat::MutableAttributedString m_text;
};

} // namespace RichText
