#pragma once
// The tags space: every tag used in the library, rebuilt from the tags that
// the outline operation stored in each page record. One row per tag in the
// tags space's store and one generated rich page, the tags page, that lists
// each tag as a heading followed by a link to every page carrying it.

#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <QHash>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

class ZQDocumentTag;
class ZQHighlighter;
class ZSSettings;
class ZSTextTheme;

// One tag and the pages that carry it.
class ZQPageTag {
public:
    struct PageEntry {
        QString uuid;
        QString title;
        QString sname;   // the space's title
        QString sfolder; // the space's folder
    };

    // tagName is the key: the tag text as a link label, upper-cased.
    explicit ZQPageTag(QString tagName);
    static std::shared_ptr<ZQPageTag> initWithTagName(const QString& tagName);

    // A page carrying the tag twice is listed (and counted) twice; its space once.
    void addPage(const QString& pageUuid, const QString& pageTitle, const QString& spaceName,
                 const QString& spaceFolder);

    const QString& tagName() const { return m_tagName; }
    const plat::AttributedString& title() const { return m_title; }
    void setTitle(plat::AttributedString title) { m_title = std::move(title); }
    // Where the tag's heading lies in the tags page.
    plat::Range tagRange() const { return m_tagRange; }
    void setTagRange(plat::Range range) { m_tagRange = range; }
    const QString& tagUuid() const { return m_tagUuid; }
    qint64 pageCount() const { return m_pageCount; }
    qint64 spaceCount() const { return m_spaceCount; }
    const std::vector<PageEntry>& pageLists() const { return m_pageLists; }

    // "%ld page%@ tagged in %ld space%@", the plural "s" from 2 up.
    QString countsLine() const;

private:
    QString m_tagName;
    plat::AttributedString m_title;
    plat::Range m_tagRange;
    QString m_tagUuid;
    qint64 m_pageCount = 0;
    qint64 m_spaceCount = 0;
    std::vector<PageEntry> m_pageLists;
    std::set<QString> m_spaceFolders;
};

using ZQPageTagPtr = std::shared_ptr<ZQPageTag>;

class ZQPageTagContainer {
public:
    ZQPageTagContainer();

    // Adds the page to each of its tags, in list order, under the tag's key.
    void addPageTags(const std::vector<std::shared_ptr<ZQDocumentTag>>& tags, const QString& spaceName,
                     const QString& pageTitle, const QString& spaceFolder, const QString& pageUuid);
    // Every tag by its key in plain code-unit order (digits before letters);
    // with withOutlineTitle each tag's two-line title is set first.
    std::vector<ZQPageTagPtr> getTagsWithOutlineTitle(bool withOutlineTitle);

    const std::map<QString, ZQPageTagPtr>& tags() const { return m_tags; }
    // The key a tag text falls under: blanks trimmed and collapsed, case folded, upper-cased.
    static QString tagKey(const QString& tagText);

private:
    std::map<QString, ZQPageTagPtr> m_tags;
    QHash<QString, ZQPageTag*> m_tagsByText; // tag text as written to its entry in m_tags
    std::shared_ptr<ZSSettings> m_settings;
};

class ZQTagsService {
public:
    ZQTagsService();

    // Collects the tags of every page outside the trash, replaces the rows of
    // the tags space by one per tag (saved, waiting) and answers the tags page,
    // empty when no page carries a tag. Main thread only.
    plat::AttributedString rebuildTagTree();

    const std::shared_ptr<ZQPageTagContainer>& container() const { return m_container; }

private:
    plat::AttributedString buildTagsPage(const std::vector<ZQPageTagPtr>& tags);

    std::shared_ptr<ZQPageTagContainer> m_container;
    std::shared_ptr<ZSSettings> m_settings;
    std::shared_ptr<ZSTextTheme> m_textTheme;
    ZQHighlighter* m_highlighter; // the process-wide one
};
