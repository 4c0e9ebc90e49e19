#include "kit/model/ZQListStyle.h"

#include "platform/foundation/KeyedArchive.h"
#include "platform/text/TextList.h"

#include <QDebug>

#include <utility>

namespace {

[[maybe_unused]] const bool registered = [] {
    using plat::KeyedUnarchiver;
    KeyedUnarchiver::registerClass(QStringLiteral("ZQTextList"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto list = ZQTextList::initWithMarkerFormat(c.decodeString(QStringLiteral("markerFormat")),
                                                     quint64(c.decodeInteger(QStringLiteral("startingItemNumber"))));
        list->setListIndex(quint64(c.decodeInteger(QStringLiteral("listIndex"))));
        return list;
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQListStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        std::vector<ZQTextListPtr> levels;
        const plat::Value archived = c.decodeValue(QStringLiteral("textLists"));
        for (const plat::Value& item : archived.toList()) {
            auto level = item.toObject<ZQTextList>();
            if (!level) {
                c.failWithError(QStringLiteral("A list style holds a level that is not a list"));
                return nullptr;
            }
            levels.push_back(std::move(level));
        }
        auto style = ZQListStyle::initWithTextLists(levels);
        style->setIsInvalid(c.decodeBool(QStringLiteral("isInvalid")));
        style->correctLevel();
        return style;
    });
    return true;
}();

// The part of a format before its first "}", or the whole format without one.
QStringView formatKind(const QString& format)
{
    const qsizetype close = format.indexOf(QLatin1Char('}'));
    return close < 0 ? QStringView(format) : QStringView(format).left(close);
}

} // namespace

// --- List level -------------------------------------------------------------------

std::shared_ptr<ZQTextList> ZQTextList::initWithMarkerFormat(const QString& format, quint64 startIndex)
{
    return std::make_shared<ZQTextList>(format, startIndex);
}

bool ZQTextList::isOrderList() const
{
    return m_richMarkerFormat.startsWith(QLatin1String("{decimal}"));
}

QString ZQTextList::markerForItemNumber(quint64 n)
{
    m_listIndex = n;
    return plat::TextList::create(m_richMarkerFormat)->markerForItemNumber(qint64(n));
}

bool ZQTextList::isEqual(const plat::Object& other) const
{
    const auto* o = dynamic_cast<const ZQTextList*>(&other);
    if (!o || o->m_startingItemNumber != m_startingItemNumber || o->m_listIndex != m_listIndex)
        return false;
    if (o->m_richMarkerFormat == m_richMarkerFormat)
        return true;
    return m_richMarkerFormat.contains(QLatin1Char('}')) && o->m_richMarkerFormat.contains(QLatin1Char('}'))
        && formatKind(m_richMarkerFormat) == formatKind(o->m_richMarkerFormat);
}

std::size_t ZQTextList::hash() const
{
    return qHashMulti(0, formatKind(m_richMarkerFormat), m_startingItemNumber, m_listIndex);
}

std::shared_ptr<plat::Object> ZQTextList::copy() const
{
    auto list = std::make_shared<ZQTextList>(m_richMarkerFormat, m_startingItemNumber);
    list->setListIndex(m_listIndex);
    return list;
}

QString ZQTextList::description() const
{
    return QStringLiteral("Marker %1; StartIndex %2; ListIndex %3")
        .arg(m_richMarkerFormat)
        .arg(m_startingItemNumber)
        .arg(m_listIndex);
}

void ZQTextList::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeInteger(QStringLiteral("startingItemNumber"), qint64(m_startingItemNumber));
    coder.encodeInteger(QStringLiteral("listIndex"), qint64(m_listIndex));
    coder.encodeString(QStringLiteral("markerFormat"), m_richMarkerFormat);
}

// --- List style -------------------------------------------------------------------

std::shared_ptr<ZQListStyle> ZQListStyle::initWithTextLists(const std::vector<ZQTextListPtr>& textLists)
{
    return std::make_shared<ZQListStyle>(textLists);
}

std::shared_ptr<ZQListStyle> ZQListStyle::initWithMarkerFormat(const QString& format, quint64 startIndex)
{
    return initWithTextLists({ZQTextList::initWithMarkerFormat(format, startIndex)});
}

ZQListStyle::Chain::~Chain()
{
    std::shared_ptr<const Chain> next = std::move(outer);
    while (next && next.use_count() == 1)
        next = std::move(next->outer);
}

std::shared_ptr<ZQListStyle> ZQListStyle::initWithOuterStyle(const std::shared_ptr<const ZQListStyle>& outer,
                                                             ZQTextListPtr level)
{
    auto style = std::make_shared<ZQListStyle>(TextLists());
    const ChainPtr outerChain = outer ? outer->chain() : nullptr;
    const qint64 depth = (outerChain ? outerChain->depth : 0) + 1;
    style->m_chain = std::make_shared<const Chain>(std::move(level), outerChain, depth);
    style->m_listed = false;
    return style;
}

const std::vector<ZQTextListPtr>& ZQListStyle::textLists() const
{
    if (!m_listed) {
        m_textLists.assign(std::size_t(m_chain->depth), nullptr);
        std::size_t i = m_textLists.size();
        for (const Chain* link = m_chain.get(); link; link = link->outer.get())
            m_textLists[--i] = link->level;
        m_listed = true;
    }
    return m_textLists;
}

std::vector<ZQTextListPtr>& ZQListStyle::textLists()
{
    std::as_const(*this).textLists();
    m_chain.reset();
    return m_textLists;
}

void ZQListStyle::setTextLists(TextLists textLists)
{
    m_textLists = std::move(textLists);
    m_chain.reset();
    m_listed = true;
}

ZQTextListPtr ZQListStyle::innermost() const
{
    if (m_chain)
        return m_chain->level;
    return m_textLists.empty() ? nullptr : m_textLists.back();
}

void ZQListStyle::setInnermost(ZQTextListPtr level)
{
    if (m_chain) {
        // A new innermost link: styles sharing the old one keep their level.
        m_chain = std::make_shared<const Chain>(level, m_chain->outer, m_chain->depth);
        if (m_listed)
            m_textLists.back() = std::move(level);
        return;
    }
    m_textLists.back() = std::move(level);
}

ZQListStyle::ChainPtr ZQListStyle::chain() const
{
    if (!m_chain) {
        ChainPtr built;
        for (const ZQTextListPtr& level : m_textLists)
            built = std::make_shared<const Chain>(level, built, (built ? built->depth : 0) + 1);
        m_chain = built;
    }
    return m_chain;
}

void ZQListStyle::increaseLevel()
{
    auto& levels = textLists();
    if (levels.empty())
        return;
    auto level = ZQTextList::initWithMarkerFormat(levels.back()->richMarkerFormat(), 1);
    level->setListIndex(0);
    levels.push_back(std::move(level));
}

bool ZQListStyle::decreaseLevel()
{
    auto& levels = textLists();
    if (levels.size() < 2)
        return false;
    levels.pop_back();
    levels.back()->setListIndex(0);
    return true;
}

void ZQListStyle::parentLists(const std::vector<ZQTextListPtr>& lists)
{
    auto& levels = textLists();
    levels.insert(levels.begin(), lists.begin(), lists.end());
}

void ZQListStyle::resetParentLists()
{
    auto& levels = textLists();
    if (levels.size() > 1)
        levels.erase(levels.begin(), levels.end() - 1);
}

std::shared_ptr<const plat::Regex> ZQListStyle::richListMakerRegex(const QString& markerFormat)
{
    struct Row {
        const char* prefix;
        std::shared_ptr<const plat::Regex> regex;
    };
    static const std::vector<Row> rows = [] {
        const std::pair<const char*, const char*> table[] = {
            {"{decimal}", "^\\s*\\d+[).]\\s+"},
            {"{hyphen}", "^\\s*\\p{P}\\s+"},
            {"{disc}", "^\\s*\\p{P}\\s+"},
            {"{circle}", "^\\s*\\p{S}\\s+"},
            {"{check}", "^\\s*\\p{S}\\s+"},
            {"{lower-roman}", "^\\s*[mdclxvi]+\\.\\s+"},
            {"{upper-roman}", "^\\s*[MDCLXVI]+\\.\\s+"},
            {"{cjk-heavenly-stem}", "^\\s*\\p{L}\\s+"},
            {"{lower-alpha}", "^\\s*[a-z]+[).]\\s+"},
            {"{upper-alpha}", "^\\s*[A-Z]+[).]\\s+"},
        };
        std::vector<Row> compiled;
        for (const auto& [prefix, pattern] : table)
            compiled.push_back(Row{prefix, plat::Regex::create(QString::fromLatin1(pattern))});
        return compiled;
    }();
    for (const Row& row : rows) {
        if (markerFormat.startsWith(QLatin1String(row.prefix)))
            return row.regex;
    }
    qWarning().noquote() << QStringLiteral("Unable to decide list marker regex %1").arg(markerFormat);
    return nullptr;
}

qint64 ZQListStyle::parseListIndex(const QString& string, plat::Range markerRange)
{
    const qsizetype end = std::min<qsizetype>(markerRange.end(), string.size());
    qsizetype i = std::max<qsizetype>(markerRange.location, 0);
    while (i < end && !(string[i] >= u'0' && string[i] <= u'9'))
        ++i;
    qint64 value = 0;
    while (i < end && string[i] >= u'0' && string[i] <= u'9' && value < (qint64(1) << 58))
        value = value * 10 + (string[i++].unicode() - u'0');
    return value;
}

bool ZQListStyle::isEqual(const plat::Object& other) const
{
    const auto* o = dynamic_cast<const ZQListStyle*>(&other);
    if (!o || o->m_markerRange != m_markerRange || o->depth() != depth() || o->m_level != m_level)
        return false;
    if (m_chain && o->m_chain) {
        // Shared outer levels are the same objects: the walk stops where the chains meet.
        for (const Chain *a = m_chain.get(), *b = o->m_chain.get(); a && a != b; a = a->outer.get(), b = b->outer.get()) {
            if (!a->level->isEqual(*b->level))
                return false;
        }
        return true;
    }
    const auto& mine = textLists();
    const auto& theirs = o->textLists();
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (!mine[i]->isEqual(*theirs[i]))
            return false;
    }
    return true;
}

std::size_t ZQListStyle::hash() const
{
    return qHashMulti(0, std::size_t(depth()), m_level);
}

std::shared_ptr<plat::Object> ZQListStyle::copy() const
{
    auto style = std::make_shared<ZQListStyle>(TextLists());
    for (const ZQTextListPtr& level : textLists())
        style->m_textLists.push_back(plat::objectCast<ZQTextList>(level->copy()));
    style->m_isInvalid = m_isInvalid;
    style->m_level = m_level;
    return style;
}

QString ZQListStyle::description() const
{
    QStringList levels;
    for (const ZQTextListPtr& level : textLists())
        levels << level->description();
    const ZQTextListPtr last = innermost();
    return QStringLiteral("%1 - TextList %2 %3; MarkerRange %4; StartIdx: %5; Index: %6; Level %7")
        .arg(className())
        .arg(depth())
        .arg(QStringLiteral("(") + levels.join(QStringLiteral(", ")) + QStringLiteral(")"))
        .arg(plat::toString(m_markerRange))
        .arg(last ? last->startingItemNumber() : 0)
        .arg(last ? last->listIndex() : 0)
        .arg(m_level);
}

void ZQListStyle::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    plat::ValueList levels;
    for (const ZQTextListPtr& level : textLists())
        levels.push_back(plat::Value(level));
    coder.encodeValue(QStringLiteral("textLists"), plat::Value(std::move(levels)));
    coder.encodeBool(QStringLiteral("isInvalid"), m_isInvalid);
}
