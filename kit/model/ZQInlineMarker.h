#pragma once
// Value records the inline parser and the rich-text parser pass around while they
// work on one paragraph: delimiter occurrences, recognised spans, span borders and
// open brackets.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>
#include <vector>

class ZQLinkRef;

// One delimiter occurrence: one end of a possible span.
class ZQInlineMarkerTag : public plat::Object {
public:
    static std::shared_ptr<ZQInlineMarkerTag> tagWithRange(plat::Range range, bool isOpenTag, char16_t delimiter,
                                                           bool forImageAlt = false);

    QString className() const override { return QStringLiteral("ZQInlineMarkerTag"); }
    // The close tag is not copied: a copy stands alone until it is paired again.
    plat::ObjectPtr copy() const override;

    bool openTag() const { return m_openTag; }
    void setOpenTag(bool v) { m_openTag = v; }
    bool isForImageAlt() const { return m_isForImageAlt; }
    void setIsForImageAlt(bool v) { m_isForImageAlt = v; }
    char16_t delimiter() const { return m_delimiter; }
    void setDelimiter(char16_t v) { m_delimiter = v; }
    std::shared_ptr<ZQInlineMarkerTag> closeTag() const { return m_closeTag; }
    void setCloseTag(std::shared_ptr<ZQInlineMarkerTag> v) { m_closeTag = std::move(v); }
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range v) { m_markerRange = v; }

private:
    bool m_openTag = false;
    bool m_isForImageAlt = false;
    char16_t m_delimiter = 0;
    std::shared_ptr<ZQInlineMarkerTag> m_closeTag;
    plat::Range m_markerRange;
};

// One recognised inline span (node types 20 to 33 of the text node).
class ZQInlineMarker : public plat::Object {
public:
    // The delimiter-pair marker (type 28) spanning from the start tag to the end tag.
    static std::shared_ptr<ZQInlineMarker> initBaseInlineMarkerWithStartTag(std::shared_ptr<ZQInlineMarkerTag> startTag,
                                                                             std::shared_ptr<ZQInlineMarkerTag> endTag);

    QString className() const override { return QStringLiteral("ZQInlineMarker"); }
    // Copies body range, type, delimiter and copies of both tags; nothing else.
    plat::ObjectPtr copy() const override;

    void addMarkerAbsoluteRange(plat::Range range);

    bool isForImageAlt() const { return m_isForImageAlt; }
    void setIsForImageAlt(bool v) { m_isForImageAlt = v; }
    char16_t delimiter() const { return m_delimiter; }
    void setDelimiter(char16_t v) { m_delimiter = v; }
    quint64 delimiterType() const { return m_delimiterType; }
    void setDelimiterType(quint64 v) { m_delimiterType = v; }
    quint64 nodeType() const { return m_nodeType; }
    void setNodeType(quint64 v) { m_nodeType = v; }
    std::shared_ptr<ZQInlineMarkerTag> startTag() const { return m_startTag; }
    void setStartTag(std::shared_ptr<ZQInlineMarkerTag> v) { m_startTag = std::move(v); }
    std::shared_ptr<ZQInlineMarkerTag> endTag() const { return m_endTag; }
    void setEndTag(std::shared_ptr<ZQInlineMarkerTag> v) { m_endTag = std::move(v); }
    std::shared_ptr<ZQLinkRef> linkRef() const { return m_linkRef; }
    void setLinkRef(std::shared_ptr<ZQLinkRef> v) { m_linkRef = std::move(v); }
    QString entityUnicode() const { return m_entityUnicode; }
    void setEntityUnicode(const QString& v) { m_entityUnicode = v; }
    QString entityString() const { return m_entityString; }
    void setEntityString(const QString& v) { m_entityString = v; }
    // Empty until the first range is added.
    const std::vector<plat::Range>& markerAbsoluteRanges() const { return m_markerAbsoluteRanges; }
    void setMarkerAbsoluteRanges(std::vector<plat::Range> v) { m_markerAbsoluteRanges = std::move(v); }
    QString attachedUuid() const { return m_attachedUuid; }
    void setAttachedUuid(const QString& v) { m_attachedUuid = v; }
    QString attachedFilename() const { return m_attachedFilename; }
    void setAttachedFilename(const QString& v) { m_attachedFilename = v; }
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range v) { m_markerRange = v; }
    plat::Range bodyRange() const { return m_bodyRange; }
    void setBodyRange(plat::Range v) { m_bodyRange = v; }
    // A tag's body as the page wrote it: its names, markup and escapes included.
    QString writtenBody() const { return m_writtenBody; }
    void setWrittenBody(const QString& v) { m_writtenBody = v; }

private:
    bool m_isForImageAlt = false;
    char16_t m_delimiter = 0;
    quint64 m_delimiterType = 0;
    quint64 m_nodeType = 0;
    std::shared_ptr<ZQInlineMarkerTag> m_startTag;
    std::shared_ptr<ZQInlineMarkerTag> m_endTag;
    std::shared_ptr<ZQLinkRef> m_linkRef;
    QString m_entityUnicode;
    QString m_entityString;
    std::vector<plat::Range> m_markerAbsoluteRanges;
    QString m_attachedUuid;
    QString m_attachedFilename;
    plat::Range m_markerRange;
    plat::Range m_bodyRange;
    QString m_writtenBody;
};

// An opening or closing point of a span, sorted when rich text is written as markup.
class ZQInlineMarkerBorder : public plat::Object {
public:
    static std::shared_ptr<ZQInlineMarkerBorder> initBorderWithMarker(std::shared_ptr<ZQInlineMarker> marker,
                                                                      qint64 pos1, qint64 pos2, bool isOpenTag,
                                                                      qint64 keyIndex);

    QString className() const override { return QStringLiteral("ZQInlineMarkerBorder"); }
    plat::ObjectPtr copy() const override;

    // -1 when this border sorts before the other in ascending order, 1 after, 0 same place.
    int compare(const ZQInlineMarkerBorder& other) const;

    bool openTag() const { return m_openTag; }
    void setOpenTag(bool v) { m_openTag = v; }
    std::shared_ptr<ZQInlineMarker> marker() const { return m_marker; }
    void setMarker(std::shared_ptr<ZQInlineMarker> v) { m_marker = std::move(v); }
    qint64 pos1() const { return m_pos1; }
    void setPos1(qint64 v) { m_pos1 = v; }
    qint64 pos2() const { return m_pos2; }
    void setPos2(qint64 v) { m_pos2 = v; }
    qint64 keyIndex() const { return m_keyIndex; }
    void setKeyIndex(qint64 v) { m_keyIndex = v; }

private:
    bool m_openTag = false;
    std::shared_ptr<ZQInlineMarker> m_marker;
    qint64 m_pos1 = 0;
    qint64 m_pos2 = 0;
    qint64 m_keyIndex = 0;
};

// An open bracket waiting for its closing bracket while links and images are scanned.
class ZQLinkMarker : public plat::Object {
public:
    static std::shared_ptr<ZQLinkMarker> initAt(quint64 location, quint64 contentOffset, bool forImage);

    QString className() const override { return QStringLiteral("ZQLinkMarker"); }

    bool isImage() const { return m_isImage; }
    void setIsImage(bool v) { m_isImage = v; }
    bool isInvalid() const { return m_isInvalid; }
    void setIsInvalid(bool v) { m_isInvalid = v; }
    quint64 openBracketLocation() const { return m_openBracketLocation; }
    void setOpenBracketLocation(quint64 v) { m_openBracketLocation = v; }
    quint64 contentOffset() const { return m_contentOffset; }
    void setContentOffset(quint64 v) { m_contentOffset = v; }
    quint64 linkType() const { return m_linkType; }
    void setLinkType(quint64 v) { m_linkType = v; }

private:
    bool m_isImage = false;
    bool m_isInvalid = false;
    quint64 m_openBracketLocation = 0;
    quint64 m_contentOffset = 0;
    quint64 m_linkType = 0;
};
