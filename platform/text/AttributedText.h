#pragma once
// An attributed string as an archivable object: the text and its runs of
// attribute dictionaries. Values shared between runs (or with other objects
// of the same archive) are one object again after decoding.

#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

namespace plat {

class AttributedText final : public Object {
public:
    static std::shared_ptr<AttributedText> create(const AttributedString& text);

    const AttributedString& text() const { return m_text; }

    QString className() const override { return QStringLiteral("AttributedString"); }
    bool isEqual(const Object& other) const override;
    std::shared_ptr<Object> copy() const override { return create(m_text); }
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    explicit AttributedText(AttributedString text) : m_text(std::move(text)) {}
    AttributedString m_text;
};

using AttributedTextPtr = std::shared_ptr<AttributedText>;

} // namespace plat
