#pragma once
// One pending repair of rich text after an edit: found while the block tree of
// the text is examined, carried out afterwards from the highest marker down, so
// that repairs never move the positions of those still to come.

#include "kit/foundation/ZSTree.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>

class ZQListStyle;

class ZQFixAttribute : public plat::Object {
public:
    // Bits of needFix, in the order their repairs run for one record.
    static constexpr qint64 FixRenumber = 8;           // a new marker text
    static constexpr qint64 FixMarkerAttributes = 2;   // the marker's attributes afresh
    static constexpr qint64 FixUnusedTab = 32;         // the tab leaves its list
    static constexpr qint64 FixDefaultParagraph = 16;  // the editor's default paragraph style
    static constexpr qint64 FixTabStops = 4;           // list tab stops recomputed
    static constexpr qint64 FixDeleteTab = 64;         // a superfluous tab deleted, after all else

    // Kinds of marker (attributeFixType).
    static constexpr qint64 ListMarker = 1;
    static constexpr qint64 TaskMarker = 2;
    static constexpr qint64 ListIndentTab = 3;
    static constexpr qint64 TaskIndentTab = 4;

    // A list or task marker, or an indentation tab of such a line (forTab).
    // Tab stops are left alone for an item that begins on the line of its
    // parent item: the parent's repair owns that line's paragraph style.
    static std::shared_ptr<ZQFixAttribute> initWithListStyle(std::shared_ptr<ZQListStyle> listStyle, const ZSTree& node,
                                                             bool forTab, plat::Range markerRange,
                                                             plat::Range lineRange, const QString& taskStateMarker,
                                                             qint64 needFixLevel);
    static std::shared_ptr<ZQFixAttribute> initForUnusedTabRange(plat::Range range);
    static std::shared_ptr<ZQFixAttribute> initForParagraphTabStopFix(plat::Range range);
    static std::shared_ptr<ZQFixAttribute> initForDeletedTabRange(plat::Range range);

    qint64 needFix() const { return m_needFix; }
    void setNeedFix(qint64 bits) { m_needFix = bits; }
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range range) { m_markerRange = range; }
    plat::Range lineRange() const { return m_lineRange; }
    void setLineRange(plat::Range range) { m_lineRange = range; }
    qint64 attributeFixType() const { return m_attributeFixType; }
    void setAttributeFixType(qint64 type) { m_attributeFixType = type; }
    const std::shared_ptr<ZQListStyle>& listStyle() const { return m_listStyle; }
    void setListStyle(std::shared_ptr<ZQListStyle> style) { m_listStyle = std::move(style); }
    const QString& taskStateMarker() const { return m_taskStateMarker; }
    void setTaskStateMarker(const QString& marker) { m_taskStateMarker = marker; }

    bool isForTab() const { return m_attributeFixType == ListIndentTab || m_attributeFixType == TaskIndentTab; }
    bool isForTask() const { return m_attributeFixType == TaskMarker || m_attributeFixType == TaskIndentTab; }

    QString className() const override { return QStringLiteral("ZQFixAttribute"); }
    QString description() const override;

private:
    static std::shared_ptr<ZQFixAttribute> forRange(plat::Range markerRange, plat::Range lineRange, qint64 needFix);

    qint64 m_needFix = 0;
    plat::Range m_markerRange;
    plat::Range m_lineRange;
    qint64 m_attributeFixType = 0;
    std::shared_ptr<ZQListStyle> m_listStyle;
    QString m_taskStateMarker;
};

using ZQFixAttributePtr = std::shared_ptr<ZQFixAttribute>;
