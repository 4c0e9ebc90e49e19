#include "kit/foundation/ZQShared.h"

#include "platform/foundation/Regex.h"
#include "platform/foundation/StringLines.h"

#include <QDebug>
#include <QStringList>

#include <algorithm>
#include <array>
#include <unicode/locid.h>
#include <unicode/unistr.h>

using plat::CharacterSet;
using plat::Range;

namespace ZQShared {

namespace {

constexpr char16_t kAsciiPunctuation[] = u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";

bool fitsIn(Range range, qsizetype length)
{
    return range.location >= 0 && range.length >= 0 && range.location <= length
           && range.length <= length - range.location;
}

QString lowercased(const QString& s)
{
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    u.toLower(icu::Locale::getRoot());
    return QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
}

// Path components as the platform splits them: a leading "/" and a trailing
// "/" are components of their own, empty components are dropped.
QStringList pathComponents(const QString& path)
{
    QStringList components;
    if (path.startsWith(u'/'))
        components << QStringLiteral("/");
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts))
        components << part;
    if (path.size() > 1 && path.endsWith(u'/'))
        components << QStringLiteral("/");
    return components;
}

QString pathWithComponents(const QStringList& components, qsizetype from)
{
    QString path;
    for (qsizetype i = from; i < components.size(); ++i) {
        const QString& part = components[i];
        if (part == u"/") {
            if (!path.endsWith(u'/'))
                path += u'/';
            continue;
        }
        if (!path.isEmpty() && !path.endsWith(u'/'))
            path += u'/';
        path += part;
    }
    return path;
}

// The entity for the four characters HTML reserves, else null.
QLatin1String htmlEntity(QChar c, bool withQuote)
{
    switch (c.unicode()) {
    case u'&': return QLatin1String("&amp;");
    case u'<': return QLatin1String("&lt;");
    case u'>': return QLatin1String("&gt;");
    case u'"': return withQuote ? QLatin1String("&quot;") : QLatin1String();
    default: return QLatin1String();
    }
}

// Built forward: the same result as replacing from the end, in linear time.
QString escapedHTML(const QString& s, bool withQuote, bool keepEntities)
{
    QString out;
    out.reserve(s.size() + s.size() / 8);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const QLatin1String entity = htmlEntity(c, withQuote);
        if (entity.isNull()) {
            out += c;
            continue;
        }
        if (keepEntities && c == u'&') {
            const QStringView rest = QStringView(s).mid(i);
            if (rest.startsWith(u"&amp;") || rest.startsWith(u"&lt;") || rest.startsWith(u"&gt;")
                || rest.startsWith(u"&quot;")) {
                out += c;
                continue;
            }
        }
        out += entity;
    }
    return out;
}

void appendEscapedCharacter(QString& out, QChar c)
{
    const QLatin1String entity = htmlEntity(c, true);
    if (entity.isNull())
        out += c;
    else
        out += entity;
}

} // namespace

const CharacterSet& asciiPunctuation()
{
    static const CharacterSet set = CharacterSet::fromString(QString::fromUtf16(kAsciiPunctuation));
    return set;
}

bool isAsciiPunctuation(QChar c)
{
    static const auto table = [] {
        std::array<bool, 128> t{};
        for (const char16_t* p = kAsciiPunctuation; *p; ++p)
            t[*p] = true;
        return t;
    }();
    return c.unicode() < 128 && table[c.unicode()];
}

// --- Immutable operations ---------------------------------------------------

bool stringIsEqualString(const QString& a, const QString& to)
{
    if (a.isNull() || to.isNull())
        return a.isNull() && to.isNull();
    return a == to;
}

void print(const QString& s)
{
    qDebug().noquote() << QStringLiteral("[%1]").arg(s);
}

void printInRange(const QString& s, Range range)
{
    if (!fitsIn(range, s.size())) {
        qDebug().noquote() << QStringLiteral("String length %1 is less than required %2").arg(s.size()).arg(range.end());
        return;
    }
    qDebug().noquote() << QStringLiteral("[%1] %2 : %3").arg(s.mid(range.location, range.length)).arg(range.location).arg(range.length);
}

bool isNotBlank(const QString& s)
{
    const CharacterSet& blank = CharacterSet::whitespaceAndNewline();
    return std::any_of(s.begin(), s.end(), [&](QChar c) { return !blank.contains(c); });
}

bool isNotSpace(const QString& s)
{
    const CharacterSet& space = CharacterSet::whitespace();
    return std::any_of(s.begin(), s.end(), [&](QChar c) { return !space.contains(c); });
}

bool isEndByLineSeparator(const QString& s, Range range)
{
    plat::checkRange(range, s.size(), "isEndByLineSeparator");
    return range.length > 0 && s[range.end() - 1].unicode() == 0x2028;
}

bool hasNewline(const QString& s)
{
    return !s.isEmpty() && CharacterSet::newline().contains(s.back());
}

QString stringWithCharacter(QChar c, qsizetype fillTolength)
{
    return QString(std::max<qsizetype>(fillTolength, 0), c);
}

bool containOnlyCharactersInSet(const QString& s, const CharacterSet& set, Range range)
{
    plat::checkRange(range, s.size(), "containOnlyCharactersInSet");
    for (qsizetype i = range.location; i < range.end(); ++i) {
        if (!set.contains(s[i]))
            return false;
    }
    return true;
}

QString stringByReplacingCharacters(const QString& s, const CharacterSet& set, const QString& withString)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (set.contains(c))
            out += withString;
        else
            out += c;
    }
    return out;
}

qsizetype countOfCharaceter(const QString& s, QChar c, Range range)
{
    plat::checkRange(range, s.size(), "countOfCharaceter");
    return QStringView(s).mid(range.location, range.length).count(c);
}

bool containCharacter(const QString& s, QChar c, Range range)
{
    plat::checkRange(range, s.size(), "containCharacter");
    return QStringView(s).mid(range.location, range.length).contains(c);
}

QString trim(const QString& s)
{
    const Range kept = rangeOfTrimCharactersInSet(s, CharacterSet::whitespaceAndNewline(), plat::wholeRange(s));
    return s.mid(kept.location, kept.length);
}

QString stringByTrimmingLeadingCharactersInSet(const QString& s, const CharacterSet& set)
{
    return s.mid(lengthByLeadingCharactersInSet(s, set));
}

QString stringByTrimmingTrailingCharactersInSet(const QString& s, const CharacterSet& set)
{
    return s.left(s.size() - lengthByTrailingCharactersInSet(s, set));
}

QString stringByRemoveCharactersInSet(const QString& s, const CharacterSet& set)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (!set.contains(c))
            out += c;
    }
    return out;
}

bool hasDigit(const QString& s)
{
    const CharacterSet& digits = CharacterSet::decimalDigits();
    return std::any_of(s.begin(), s.end(), [&](QChar c) { return digits.contains(c); });
}

bool isAllDigits(const QString& s)
{
    const CharacterSet& digits = CharacterSet::decimalDigits();
    return std::all_of(s.begin(), s.end(), [&](QChar c) { return digits.contains(c); });
}

qsizetype lengthByLeadingCharacter(const QString& s, QChar c, Range range)
{
    if (range.isEmpty() || !fitsIn(range, s.size()))
        return 0;
    qsizetype i = range.location;
    while (i < range.end() && s[i] == c)
        ++i;
    return i - range.location;
}

qsizetype lengthByLeadingCharactersInSet(const QString& s, const CharacterSet& set, Range range)
{
    if (range.isEmpty() || !fitsIn(range, s.size()))
        return 0;
    qsizetype i = range.location;
    while (i < range.end() && set.contains(s[i]))
        ++i;
    return i - range.location;
}

qsizetype lengthByLeadingCharactersInSet(const QString& s, const CharacterSet& set)
{
    return lengthByLeadingCharactersInSet(s, set, plat::wholeRange(s));
}

qsizetype lengthByTrailingCharactersInSet(const QString& s, const CharacterSet& set, Range range)
{
    if (range.isEmpty() || !fitsIn(range, s.size()))
        return 0;
    qsizetype i = range.end();
    while (i > range.location && set.contains(s[i - 1]))
        --i;
    return range.end() - i;
}

qsizetype lengthByTrailingCharactersInSet(const QString& s, const CharacterSet& set)
{
    return lengthByTrailingCharactersInSet(s, set, plat::wholeRange(s));
}

Range rangeOfTrimCharactersInSet(const QString& s, const CharacterSet& set, Range range)
{
    plat::checkRange(range, s.size(), "rangeOfTrimCharactersInSet");
    const qsizetype leading = lengthByLeadingCharactersInSet(s, set, range);
    if (leading == range.length)
        return Range(range.location, 0);
    const qsizetype trailing = lengthByTrailingCharactersInSet(s, set, range);
    return Range(range.location + leading, range.length - leading - trailing);
}

bool isImage(const QString& fileExtension)
{
    static const QStringList extensions = QStringLiteral("tif tiff jpg jpeg jp2 exr pdf png nef raw gif psd psb")
                                              .split(u' ');
    return extensions.contains(lowercased(fileExtension));
}

QString getObjectId(const QString& s)
{
    static const auto regex = plat::Regex::create(QStringLiteral("[\\s|(]+(0x\\w+)[\\s|)]+"));
    const auto match = regex->firstMatch(s, plat::wholeRange(s));
    if (!match)
        return s;
    const Range group = match->rangeAtIndex(1);
    return s.mid(group.location, group.length);
}

QString escapeForRTF(const QString& s)
{
    // Units above U+00FF do not fit a \'hh byte escape: RTF writes them as
    // \uN? with N the unit as a signed 16-bit number.
    QString out;
    out.reserve(s.size() * 6);
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u <= 0xFF)
            out += QStringLiteral("\\'%1\\ ").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1?").arg(int(qint16(u)));
    }
    return out;
}

bool isSameDirectory(const QString& s, const QString& otherPath)
{
    if (otherPath.isNull() || !isNotBlank(otherPath))
        return false;
    if (s == otherPath)
        return true;
    const auto normalised = [](QString path) {
        while (path.endsWith(u'\\'))
            path.chop(1);
        if (path.startsWith(u"file://"))
            path.remove(0, 7);
        return path;
    };
    return normalised(s) == normalised(otherPath);
}

bool isParentPath(const QString& s, const QString& otherPath)
{
    // Directional and by whole components: a folder that merely lies above
    // s (the home folder above the Trash) or shares a name prefix ("/a/bc"
    // beside "/a/b") is not inside it.
    const QStringList mine = pathComponents(s);
    const QStringList theirs = pathComponents(otherPath);
    if (mine.isEmpty() || mine.size() > theirs.size())
        return false;
    return std::equal(mine.begin(), mine.end(), theirs.begin());
}

QString subpath(const QString& s, const QString& rootPath)
{
    if (!s.startsWith(u'/') || !rootPath.startsWith(u'/'))
        return s;
    const QStringList mine = pathComponents(s);
    const QStringList root = pathComponents(rootPath);
    qsizetype shared = 0;
    while (shared < mine.size() && shared < root.size() && mine[shared] == root[shared])
        ++shared;
    return shared >= 2 ? pathWithComponents(mine, shared) : s;
}

// The step is the whole line's length counted from p, so a walk whose range
// begins inside a line lands inside a later line or beyond it.
void enumerateLinesRangeUsingBlock(const QString& s, const LineBlock& block, Range range)
{
    if (range.isEmpty() || s.isEmpty())
        return;
    qsizetype p = range.location;
    for (;;) {
        const Range line = plat::lineRangeForRange(s, Range(p, 0));
        bool stop = false;
        block(line, &stop);
        const qsizetype step = line.length > 0 ? line.length : 1;
        if (stop || p + step >= range.end())
            return;
        p += step;
    }
}

void enumerateLinesReversedRangeUsingBlock(const QString& s, const LineBlock& block, Range range)
{
    if (range.isEmpty() || s.isEmpty() || !fitsIn(range, s.size()))
        return;
    qsizetype e = range.end();
    while (e > range.location && e >= 1) {
        const Range line = plat::lineRangeForRange(s, Range(e - 1, 0));
        bool stop = false;
        block(line, &stop);
        if (stop)
            return;
        e -= line.length > 0 ? line.length : 1;
    }
}

QString shrinkSpaces(const QString& s)
{
    if (!isNotBlank(s))
        return QStringLiteral("");
    static const auto runs = plat::Regex::create(QStringLiteral("\\s+"));
    const QString trimmed = trim(s);
    return runs->stringByReplacingMatches(trimmed, plat::wholeRange(trimmed), QStringLiteral(" "));
}

QString asLinkLabel(const QString& s)
{
    if (!isNotBlank(s))
        return QStringLiteral(" ");
    return lowercased(shrinkSpaces(s));
}

// --- Mutations --------------------------------------------------------------

void tabExpansion(QString& s)
{
    tabExpansionRanges(s, false);
}

std::vector<Range> tabExpansionRanges(QString& s, bool wantRanges)
{
    if (!s.contains(u'\t'))
        return {};
    // Lines are expanded from the last to the first, so a range counts the
    // spaces added to the left of its TAB on its own line only.
    std::vector<std::vector<Range>> lines;
    QString out;
    out.reserve(s.size() + s.size() / 4);
    qsizetype lineStart = 0;
    qsizetype added = 0;
    bool lineHasTab = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c != u'\t') {
            out += c;
            if (plat::isLineTerminator(c)) {
                lineStart = i + 1;
                added = 0;
                lineHasTab = false;
            }
            continue;
        }
        const qsizetype q = i + added;
        const qsizetype width = 4 - (q - lineStart) % 4;
        out += QString(width, u' ');
        added += width - 1;
        if (wantRanges) {
            if (!lineHasTab)
                lines.emplace_back();
            lines.back().push_back(Range(q, width));
        }
        lineHasTab = true;
    }
    s = out;
    std::vector<Range> result;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        result.insert(result.end(), line->begin(), line->end());
    return result;
}

void escapeSlashToSafeString(QString& s)
{
    escapeSlashToSafeString(s, nullptr);
}

void escapeSlashToSafeString(QString& s, std::vector<Range>* escapedRanges)
{
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != u'\\' || !isAsciiPunctuation(s[i + 1]))
            continue;
        s[i] = u'v';
        s[i + 1] = u'v';
        if (escapedRanges)
            escapedRanges->push_back(Range(i, 2));
        ++i;
    }
}

void insertCharacter(QString& s, QChar c, qsizetype atIndex)
{
    plat::checkRange(Range(atIndex, 0), s.size(), "insertCharacter");
    s.insert(atIndex, c);
}

void trimLeadingCharactersInSet(QString& s, const CharacterSet& set, qsizetype maxTrimLength)
{
    s.remove(0, std::min(lengthByLeadingCharactersInSet(s, set), std::max<qsizetype>(maxTrimLength, 0)));
}

void escapeHTMLEntity(QString& s)
{
    s = escapedHTML(s, true, false);
}

void escapeHTMLKeyChar(QString& s)
{
    s = escapedHTML(s, false, false);
}

void escapeHTMLEntityIgnoreEntityAmp(QString& s)
{
    s = escapedHTML(s, true, true);
}

// One level only: "&amp;lt;" becomes "&lt;", never "<".
void unescapeHTMLKeyChar(QString& s)
{
    if (!s.contains(u'&'))
        return;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QStringView rest = QStringView(s).mid(i);
        if (rest.startsWith(u"&amp;")) {
            out += u'&';
            i += 4;
        } else if (rest.startsWith(u"&lt;")) {
            out += u'<';
            i += 3;
        } else if (rest.startsWith(u"&gt;")) {
            out += u'>';
            i += 3;
        } else {
            out += s[i];
        }
    }
    s = out;
}

void deleteEscapseSlash(QString& s)
{
    if (!s.contains(u'\\'))
        return;
    QString out;
    out.reserve(s.size() + s.size() / 8);
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i] != u'\\') {
            out += s[i++];
            continue;
        }
        qsizetype runEnd = i;
        while (runEnd < s.size() && s[runEnd] == u'\\')
            ++runEnd;
        const qsizetype run = runEnd - i;
        const bool beforePunctuation = runEnd < s.size() && isAsciiPunctuation(s[runEnd]);
        // A single backslash is an escape only before punctuation; a longer run
        // loses half of its backslashes, and an odd one escapes punctuation.
        qsizetype kept = run - run / 2;
        const bool escapes = beforePunctuation && run % 2 == 1;
        if (escapes)
            --kept;
        out += QString(kept, u'\\');
        i = runEnd;
        if (escapes)
            appendEscapedCharacter(out, s[i++]);
    }
    s = out;
}

void appendStringBeforeLineEnd(QString& s, const QString& string)
{
    if (hasNewline(s))
        s.insert(s.size() - 1, string);
    else
        s += string;
}

// An empty replacement has no characters to mask with: the text stays.
void replaceAllBy(QString& s, const QString& replacement, const CharacterSet& exceptCharacterSet, Range range)
{
    plat::checkRange(range, s.size(), "replaceAllBy");
    if (replacement.isEmpty())
        return;
    for (qsizetype offset = 0; offset < range.length; ++offset) {
        QChar& c = s[range.location + offset];
        if (!exceptCharacterSet.contains(c))
            c = replacement[offset % replacement.size()];
    }
}

} // namespace ZQShared
