#pragma once
// The list levels of rich text: a ZQTextList per level, and the ZQListStyle that
// stacks them from the outermost list to an item's own.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>
#include <vector>

class ZQTextList : public plat::Object {
public:
    // Both the starting number and the list index start at startIndex.
    ZQTextList(QString markerFormat, quint64 startIndex)
        : m_richMarkerFormat(std::move(markerFormat)), m_startingItemNumber(startIndex), m_listIndex(startIndex)
    {
    }

    QString className() const override { return QStringLiteral("ZQTextList"); }

    const QString& richMarkerFormat() const { return m_richMarkerFormat; }
    void setRichMarkerFormat(const QString& format) { m_richMarkerFormat = format; }
    quint64 startingItemNumber() const { return m_startingItemNumber; }
    void setStartingItemNumber(quint64 number) { m_startingItemNumber = number; }
    quint64 listIndex() const { return m_listIndex; }
    void setListIndex(quint64 index) { m_listIndex = index; }

private:
    QString m_richMarkerFormat;
    quint64 m_startingItemNumber = 0;
    quint64 m_listIndex = 0;
};

class ZQListStyle : public plat::Object {
public:
    using TextLists = std::vector<std::shared_ptr<ZQTextList>>;

    // Holds the given levels themselves, outermost first.
    explicit ZQListStyle(TextLists textLists) : m_textLists(std::move(textLists)) {}
    // One level of that format.
    ZQListStyle(const QString& markerFormat, quint64 startIndex)
        : m_textLists{std::make_shared<ZQTextList>(markerFormat, startIndex)}
    {
    }

    QString className() const override { return QStringLiteral("ZQListStyle"); }

    bool isInvalid() const { return m_isInvalid; }
    void setIsInvalid(bool invalid) { m_isInvalid = invalid; }
    const TextLists& textLists() const { return m_textLists; }
    TextLists& textLists() { return m_textLists; }
    void setTextLists(TextLists textLists) { m_textLists = std::move(textLists); }
    qint64 level() const { return m_level; }
    void setLevel(qint64 level) { m_level = level; }
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range range) { m_markerRange = range; }

private:
    bool m_isInvalid = false;
    TextLists m_textLists;
    qint64 m_level = 0;
    plat::Range m_markerRange = plat::Range::notFound();
};
