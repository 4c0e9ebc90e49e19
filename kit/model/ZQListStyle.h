#pragma once
// List levels and the list style of a list or task paragraph. Lists compare
// by structure: "{decimal}." and "{decimal})" are one kind of level.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/foundation/Regex.h"

#include <QString>
#include <memory>
#include <vector>

class ZQTextList final : public plat::Object {
public:
    // Both the starting number and the list index begin at startIndex.
    ZQTextList(QString format, quint64 startIndex)
        : m_richMarkerFormat(std::move(format)), m_startingItemNumber(startIndex), m_listIndex(startIndex) {}
    static std::shared_ptr<ZQTextList> initWithMarkerFormat(const QString& format, quint64 startIndex);

    const QString& richMarkerFormat() const { return m_richMarkerFormat; }
    void setRichMarkerFormat(const QString& format) { m_richMarkerFormat = format; }
    quint64 startingItemNumber() const { return m_startingItemNumber; }
    void setStartingItemNumber(quint64 n) { m_startingItemNumber = n; }
    quint64 listIndex() const { return m_listIndex; }
    void setListIndex(quint64 n) { m_listIndex = n; }

    bool isOrderList() const;
    // Sets the list index to n and returns item n's marker as the platform writes it.
    QString markerForItemNumber(quint64 n);

    QString className() const override { return QStringLiteral("ZQTextList"); }
    bool isEqual(const plat::Object& other) const override;
    std::size_t hash() const override;
    std::shared_ptr<plat::Object> copy() const override;
    QString description() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    QString m_richMarkerFormat;
    quint64 m_startingItemNumber;
    quint64 m_listIndex;
};

using ZQTextListPtr = std::shared_ptr<ZQTextList>;

class ZQListStyle final : public plat::Object {
public:
    using TextLists = std::vector<ZQTextListPtr>;
    // The levels as an immutable chain, innermost first: an item's style shares
    // its parent's levels instead of copying them, so a list nested n deep
    // costs n links rather than n * n / 2 copies.
    struct Chain {
        Chain(ZQTextListPtr l, std::shared_ptr<const Chain> o, qint64 d)
            : level(std::move(l)), outer(std::move(o)), depth(d) {}
        Chain(const Chain&) = delete;
        Chain& operator=(const Chain&) = delete;
        // Unlinks the outer links it alone holds one by one: a chain thousands
        // deep would otherwise be freed by as deep a recursion.
        ~Chain();

        ZQTextListPtr level;
        mutable std::shared_ptr<const Chain> outer;
        qint64 depth;
    };
    using ChainPtr = std::shared_ptr<const Chain>;

    // Holds the given level objects themselves (not copies), outermost first.
    explicit ZQListStyle(TextLists textLists) : m_textLists(std::move(textLists)) {}
    // One level of that format.
    ZQListStyle(const QString& format, quint64 startIndex)
        : m_textLists{std::make_shared<ZQTextList>(format, startIndex)} {}

    static std::shared_ptr<ZQListStyle> initWithTextLists(const std::vector<ZQTextListPtr>& textLists);
    static std::shared_ptr<ZQListStyle> initWithMarkerFormat(const QString& format, quint64 startIndex);
    // The levels of outer (none when null) with level inside them, sharing outer's.
    static std::shared_ptr<ZQListStyle> initWithOuterStyle(const std::shared_ptr<const ZQListStyle>& outer,
                                                           ZQTextListPtr level);

    bool isInvalid() const { return m_isInvalid; }
    void setIsInvalid(bool invalid) { m_isInvalid = invalid; }
    // Outermost level first. The mutable form lets the caller change the
    // levels; the style no longer shares them then.
    std::vector<ZQTextListPtr>& textLists();
    const std::vector<ZQTextListPtr>& textLists() const;
    void setTextLists(TextLists textLists);
    // The number of levels and the innermost one, without listing them.
    qint64 depth() const { return m_chain ? m_chain->depth : qint64(m_textLists.size()); }
    ZQTextListPtr innermost() const;
    // Puts level in place of the innermost one (there must be one).
    void setInnermost(ZQTextListPtr level);
    // The levels as a chain another style can share.
    ChainPtr chain() const;
    // The nesting depth: 0 after creation, the number of levels after decoding or correctLevel().
    qint64 level() const { return m_level; }
    void setLevel(qint64 level) { m_level = level; }
    // The item marker's range; not found while unset.
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range range) { m_markerRange = range; }

    // Appends a level like the last one, numbered from 1.
    void increaseLevel();
    // Drops the last level unless it is the only one.
    bool decreaseLevel();
    void correctLevel() { m_level = qint64(m_textLists.size()); }
    // Puts the given levels in front of the style's own.
    void parentLists(const std::vector<ZQTextListPtr>& lists);
    // Keeps only the innermost level.
    void resetParentLists();

    // The pattern that finds a marker of the format at the start of a rich
    // line; nullptr (logged) for a format it does not know.
    static std::shared_ptr<const plat::Regex> richListMakerRegex(const QString& markerFormat);
    // The first run of decimal digits inside the range, as a number; 0 without one.
    static qint64 parseListIndex(const QString& string, plat::Range markerRange);

    QString className() const override { return QStringLiteral("ZQListStyle"); }
    bool isEqual(const plat::Object& other) const override;
    std::size_t hash() const override;
    // Copies of the levels, the same flag and level; the marker range unset.
    std::shared_ptr<plat::Object> copy() const override;
    QString description() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    bool m_isInvalid = false;
    // With a chain the vector is its listing, made on first use; without one
    // the vector alone holds the levels.
    mutable std::vector<ZQTextListPtr> m_textLists;
    mutable ChainPtr m_chain;
    mutable bool m_listed = true;
    qint64 m_level = 0;
    plat::Range m_markerRange = plat::Range::notFound();
};

using ZQListStylePtr = std::shared_ptr<ZQListStyle>;
