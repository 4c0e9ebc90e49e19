#pragma once
// The outline of a page as the library and the editor show it without opening
// the page: its headings, its tags and its counts. Headings and tags are kept in
// the page record as keyed archives; the page UUID is set by whoever loads them.

#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>
#include <vector>

// What headings and tags share: their place in the page's list and in its text.
class ZQDocumentOutlineEntry : public plat::Object {
public:
    // The position in the page's list of headings (or tags).
    qint64 index() const { return m_index; }
    void setIndex(qint64 index) { m_index = index; }
    // Rich or Markup: the text the range refers to.
    ZQEditorType editorType() const { return m_editorType; }
    void setEditorType(ZQEditorType type) { m_editorType = type; }
    // Set by whoever loads the entry; not archived.
    const QString& pageUuid() const { return m_pageUuid; }
    void setPageUuid(const QString& uuid) { m_pageUuid = uuid; }
    plat::Range range() const { return m_range; }
    void setRange(plat::Range range) { m_range = range; }

    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

protected:
    ZQDocumentOutlineEntry(qint64 index, plat::Range range, ZQEditorType editorType)
        : m_index(index), m_editorType(editorType), m_range(range)
    {
    }

private:
    qint64 m_index;
    ZQEditorType m_editorType;
    QString m_pageUuid;
    plat::Range m_range;
};

class ZQDocumentHeading final : public ZQDocumentOutlineEntry {
public:
    static std::shared_ptr<ZQDocumentHeading> initWithIndex(qint64 index, qint64 level, const QString& heading,
                                                            plat::Range range, ZQEditorType editorType);

    // 1 to 6.
    qint64 level() const { return m_level; }
    void setLevel(qint64 level) { m_level = level; }
    const QString& heading() const { return m_heading; }
    void setHeading(const QString& heading) { m_heading = heading; }

    QString className() const override { return QStringLiteral("ZQDocumentHeading"); }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    using ZQDocumentOutlineEntry::ZQDocumentOutlineEntry;
    qint64 m_level = 0;
    QString m_heading;
};

class ZQDocumentTag final : public ZQDocumentOutlineEntry {
public:
    static std::shared_ptr<ZQDocumentTag> initWithIndex(qint64 index, const QString& tag, plat::Range range,
                                                        ZQEditorType editorType);

    const QString& tagText() const { return m_tagText; }
    void setTagText(const QString& text) { m_tagText = text; }

    QString className() const override { return QStringLiteral("ZQDocumentTag"); }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    using ZQDocumentOutlineEntry::ZQDocumentOutlineEntry;
    QString m_tagText;
};

using ZQDocumentHeadingPtr = std::shared_ptr<ZQDocumentHeading>;
using ZQDocumentTagPtr = std::shared_ptr<ZQDocumentTag>;

// Assembled by the library from a page record; never archived as a whole.
class ZQDocumentOutline final : public plat::Object {
public:
    static std::shared_ptr<ZQDocumentOutline> initWithPageUuid(const QString& pageUuid);

    // The page is a file of a linked folder.
    bool isExternalFile() const { return m_isExternalFile; }
    void setIsExternalFile(bool external) { m_isExternalFile = external; }
    const QString& pageUuid() const { return m_pageUuid; }
    void setPageUuid(const QString& uuid) { m_pageUuid = uuid; }
    quint64 wordCount() const { return m_wordCount; }
    void setWordCount(quint64 count) { m_wordCount = count; }
    quint64 charCount() const { return m_charCount; }
    void setCharCount(quint64 count) { m_charCount = count; }
    const std::vector<ZQDocumentHeadingPtr>& headings() const { return m_headings; }
    void setHeadings(std::vector<ZQDocumentHeadingPtr> headings) { m_headings = std::move(headings); }
    const std::vector<ZQDocumentTagPtr>& tags() const { return m_tags; }
    void setTags(std::vector<ZQDocumentTagPtr> tags) { m_tags = std::move(tags); }
    // Name and folder of an external file.
    const QString& filename() const { return m_filename; }
    void setFilename(const QString& name) { m_filename = name; }
    const QString& fileDirPath() const { return m_fileDirPath; }
    void setFileDirPath(const QString& path) { m_fileDirPath = path; }

    QString className() const override { return QStringLiteral("ZQDocumentOutline"); }

private:
    explicit ZQDocumentOutline(QString pageUuid) : m_pageUuid(std::move(pageUuid)) {}
    bool m_isExternalFile = false;
    QString m_pageUuid;
    quint64 m_wordCount = 0;
    quint64 m_charCount = 0;
    std::vector<ZQDocumentHeadingPtr> m_headings;
    std::vector<ZQDocumentTagPtr> m_tags;
    QString m_filename;
    QString m_fileDirPath;
};
