#pragma once
// Paragraph layout as the text model keeps it: tab stops, indents, spacing,
// alignment and the list levels the paragraph belongs to. Compared by value.
// Shared between runs like every attribute value: change a copy(), not a
// style that text already holds.

#include "platform/foundation/Object.h"
#include "platform/text/TextList.h"

#include <vector>

namespace plat {

enum class TextAlignment { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };

class TextTab final : public Object {
public:
    static std::shared_ptr<TextTab> create(TextAlignment alignment, double location);

    TextAlignment alignment() const { return m_alignment; }
    double location() const { return m_location; }

    QString className() const override { return QStringLiteral("TextTab"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    std::shared_ptr<Object> copy() const override;
    QString description() const override;
    // Archived field by field (TextCoding.cpp).
    bool supportsCoding() const override { return true; }
    bool archivesByValue() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    TextTab(TextAlignment alignment, double location) : m_alignment(alignment), m_location(location) {}

    TextAlignment m_alignment;
    double m_location;
};

using TextTabPtr = std::shared_ptr<TextTab>;

class ParagraphStyle final : public Object {
public:
    static std::shared_ptr<ParagraphStyle> create();

    // An independent copy (tab stops and list levels are shared, the lists themselves are not).
    std::shared_ptr<ParagraphStyle> mutableCopy() const;

    const std::vector<TextTabPtr>& tabStops() const { return m_tabStops; }
    void setTabStops(std::vector<TextTabPtr> tabStops);
    // Keeps the stops ordered by location.
    void addTabStop(TextTabPtr tab);

    double defaultTabInterval() const { return m_defaultTabInterval; }
    void setDefaultTabInterval(double v) { m_defaultTabInterval = v; }
    double headIndent() const { return m_headIndent; }
    void setHeadIndent(double v) { m_headIndent = v; }
    double firstLineHeadIndent() const { return m_firstLineHeadIndent; }
    void setFirstLineHeadIndent(double v) { m_firstLineHeadIndent = v; }
    double tailIndent() const { return m_tailIndent; }
    void setTailIndent(double v) { m_tailIndent = v; }
    double lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(double v) { m_lineSpacing = v; }
    double lineHeightMultiple() const { return m_lineHeightMultiple; }
    void setLineHeightMultiple(double v) { m_lineHeightMultiple = v; }
    double paragraphSpacing() const { return m_paragraphSpacing; }
    void setParagraphSpacing(double v) { m_paragraphSpacing = v; }
    double paragraphSpacingBefore() const { return m_paragraphSpacingBefore; }
    void setParagraphSpacingBefore(double v) { m_paragraphSpacingBefore = v; }
    TextAlignment alignment() const { return m_alignment; }
    void setAlignment(TextAlignment v) { m_alignment = v; }
    // Outermost level first.
    const std::vector<TextListPtr>& textLists() const { return m_textLists; }
    void setTextLists(std::vector<TextListPtr> lists) { m_textLists = std::move(lists); }

    QString className() const override { return QStringLiteral("ParagraphStyle"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    std::shared_ptr<Object> copy() const override { return mutableCopy(); }
    QString description() const override;
    // Archived field by field (TextCoding.cpp).
    bool supportsCoding() const override { return true; }
    bool archivesByValue() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    ParagraphStyle() = default;
    ParagraphStyle(const ParagraphStyle&) = default;

    std::vector<TextTabPtr> m_tabStops;
    double m_defaultTabInterval = 0;
    double m_headIndent = 0;
    double m_firstLineHeadIndent = 0;
    double m_tailIndent = 0;
    double m_lineSpacing = 0;
    double m_lineHeightMultiple = 0;
    double m_paragraphSpacing = 0;
    double m_paragraphSpacingBefore = 0;
    TextAlignment m_alignment = TextAlignment::Natural;
    std::vector<TextListPtr> m_textLists;
};

using ParagraphStylePtr = std::shared_ptr<ParagraphStyle>;

} // namespace plat
