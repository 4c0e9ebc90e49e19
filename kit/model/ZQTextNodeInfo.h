#pragma once
// Block details that hang on a text node: list and task items, fenced code
// lines, headings, and the indentation tabs of rich list lines.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>
#include <vector>

class ZQListStyle;
class ZQTextList;

// Marks the classes a text node accepts as its node info.
class ZQTextNodeInfo : public plat::Object {
};

// One indentation tab of a rich list line.
class ZQTextNodeTab : public plat::Object {
public:
    QString className() const override { return QStringLiteral("ZQTextNodeTab"); }

    const std::shared_ptr<ZQListStyle>& listStyle() const { return m_listStyle; }
    void setListStyle(std::shared_ptr<ZQListStyle> style) { m_listStyle = std::move(style); }
    qint64 level() const { return m_level; }
    void setLevel(qint64 level) { m_level = level; }
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range range) { m_markerRange = range; }

private:
    std::shared_ptr<ZQListStyle> m_listStyle;
    qint64 m_level = 0;
    plat::Range m_markerRange;
};

// The indentation tabs of one rich list line.
class ZQTextNodeListIndentTabs : public plat::Object {
public:
    using Tabs = std::vector<std::shared_ptr<ZQTextNodeTab>>;

    ZQTextNodeListIndentTabs() { m_tabs.reserve(4); }

    QString className() const override { return QStringLiteral("ZQTextNodeListIndentTabs"); }
    // "Tabs (...); LineRange {location, length}".
    QString description() const override;

    // Appends a tab whose level is the number of the style's list levels (1 without
    // a style) and returns that level.
    qint64 addTab(plat::Range markerRange, std::shared_ptr<ZQListStyle> listStyle);

    const Tabs& tabs() const { return m_tabs; }
    Tabs& tabs() { return m_tabs; }
    void setTabs(Tabs tabs) { m_tabs = std::move(tabs); }
    qint64 level() const { return m_level; }
    void setLevel(qint64 level) { m_level = level; }
    plat::Range lineRange() const { return m_lineRange; }
    void setLineRange(plat::Range range) { m_lineRange = range; }

private:
    Tabs m_tabs;
    qint64 m_level = 0;
    plat::Range m_lineRange;
};

// List and task items.
class ZQTextNodeListItem : public ZQTextNodeInfo {
public:
    using IndentTabs = std::vector<std::shared_ptr<ZQTextNodeListIndentTabs>>;

    ZQTextNodeListItem() = default;
    // A task item; "x" in either case marks it completed.
    static std::shared_ptr<ZQTextNodeListItem> initForTaskWithStateMarker(const QString& stateMarker);

    QString className() const override { return QStringLiteral("ZQTextNodeListItem"); }
    // "Marker <rich format>; ListStyle <style>; Tabs (...)".
    QString description() const override;

    // Whether a later item with the other info continues this item's list: ordered
    // markers by their closing character ("1." and "7."), others by equal markers.
    bool isSameList(const ZQTextNodeListItem* other) const;

    bool isOrdered() const { return m_isOrdered; }
    void setIsOrdered(bool ordered) { m_isOrdered = ordered; }
    bool isCompletedTask() const { return m_isCompletedTask; }
    void setIsCompletedTask(bool completed) { m_isCompletedTask = completed; }
    const QString& marker() const { return m_marker; }
    void setMarker(const QString& marker) { m_marker = marker; }
    qint64 markerOrderIndex() const { return m_markerOrderIndex; }
    void setMarkerOrderIndex(qint64 index) { m_markerOrderIndex = index; }
    const QString& richMarker() const { return m_richMarker; }
    void setRichMarker(const QString& marker) { m_richMarker = marker; }
    const QString& richMarkerFormat() const { return m_richMarkerFormat; }
    void setRichMarkerFormat(const QString& format) { m_richMarkerFormat = format; }
    const std::shared_ptr<ZQTextList>& currentTextlist() const { return m_currentTextlist; }
    void setCurrentTextlist(std::shared_ptr<ZQTextList> list) { m_currentTextlist = std::move(list); }
    qint64 markerOrderStartIndex() const { return m_markerOrderStartIndex; }
    void setMarkerOrderStartIndex(qint64 index) { m_markerOrderStartIndex = index; }
    const std::shared_ptr<ZQListStyle>& listStyle() const { return m_listStyle; }
    void setListStyle(std::shared_ptr<ZQListStyle> style) { m_listStyle = std::move(style); }
    const IndentTabs& listIndentTabs() const { return m_listIndentTabs; }
    IndentTabs& listIndentTabs() { return m_listIndentTabs; }
    void setListIndentTabs(IndentTabs tabs) { m_listIndentTabs = std::move(tabs); }
    const std::shared_ptr<ZQTextNodeListIndentTabs>& leadingTab() const { return m_leadingTab; }
    void setLeadingTab(std::shared_ptr<ZQTextNodeListIndentTabs> tab) { m_leadingTab = std::move(tab); }
    const QString& taskStateMarker() const { return m_taskStateMarker; }
    void setTaskStateMarker(const QString& marker) { m_taskStateMarker = marker; }

private:
    bool m_isOrdered = false;
    bool m_isCompletedTask = false;
    QString m_marker;
    qint64 m_markerOrderIndex = 0;
    QString m_richMarker;
    QString m_richMarkerFormat;
    std::shared_ptr<ZQTextList> m_currentTextlist;
    qint64 m_markerOrderStartIndex = 0;
    std::shared_ptr<ZQListStyle> m_listStyle;
    IndentTabs m_listIndentTabs;
    std::shared_ptr<ZQTextNodeListIndentTabs> m_leadingTab;
    QString m_taskStateMarker;
};

// Lines of a fenced code block.
class ZQTextNodeFencedBlock : public ZQTextNodeInfo {
public:
    QString className() const override { return QStringLiteral("ZQTextNodeFencedBlock"); }

    // Which line of the block this is ("E" for the closing fence).
    const QString& fencedBlockType() const { return m_fencedBlockType; }
    void setFencedBlockType(const QString& type) { m_fencedBlockType = type; }
    // The opening fence's run of backquotes or tildes.
    const QString& fencedMarker() const { return m_fencedMarker; }
    void setFencedMarker(const QString& marker) { m_fencedMarker = marker; }
    quint64 fencedMarkerIndent() const { return m_fencedMarkerIndent; }
    void setFencedMarkerIndent(quint64 indent) { m_fencedMarkerIndent = indent; }
    // The info string, e.g. the language.
    const QString& fencedBlockInfoTag() const { return m_fencedBlockInfoTag; }
    void setFencedBlockInfoTag(const QString& tag) { m_fencedBlockInfoTag = tag; }
    plat::Range fencedTagRange() const { return m_fencedTagRange; }
    void setFencedTagRange(plat::Range range) { m_fencedTagRange = range; }

private:
    QString m_fencedBlockType;
    QString m_fencedMarker;
    quint64 m_fencedMarkerIndent = 0;
    QString m_fencedBlockInfoTag;
    plat::Range m_fencedTagRange;
};

class ZQTextNodeHeading : public ZQTextNodeInfo {
public:
    QString className() const override { return QStringLiteral("ZQTextNodeHeading"); }

    qint64 headingLevel() const { return m_headingLevel; }
    void setHeadingLevel(qint64 level) { m_headingLevel = level; }
    // The underline of a setext heading.
    plat::Range settextHeaderLineRange() const { return m_settextHeaderLineRange; }
    void setSettextHeaderLineRange(plat::Range range) { m_settextHeaderLineRange = range; }

private:
    qint64 m_headingLevel = 0;
    plat::Range m_settextHeaderLineRange;
};
