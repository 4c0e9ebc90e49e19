#pragma once
// The attachment of a rich image: the value of the attachment attribute on the
// object replacement character, holding the image's file and the cell that
// shows it.

#include "platform/foundation/FileWrapper.h"
#include "platform/graphics/Image.h"
#include "platform/text/AttachmentFileSource.h"

class ZSTextAttachmentCell final : public plat::Object {
public:
    static std::shared_ptr<ZSTextAttachmentCell> initImageCell(plat::ImagePtr image)
    {
        return std::shared_ptr<ZSTextAttachmentCell>(new ZSTextAttachmentCell(std::move(image)));
    }
    const plat::ImagePtr& image() const { return m_image; }
    QString className() const override { return QStringLiteral("ZSTextAttachmentCell"); }

private:
    explicit ZSTextAttachmentCell(plat::ImagePtr image) : m_image(std::move(image)) {}
    plat::ImagePtr m_image;
};

class ZSTextAttachment final : public plat::Object, public plat::AttachmentFileSource {
public:
    static std::shared_ptr<ZSTextAttachment> initWithFileWrapper(plat::FileWrapperPtr fileWrapper)
    {
        return std::shared_ptr<ZSTextAttachment>(new ZSTextAttachment(std::move(fileWrapper)));
    }
    const plat::FileWrapperPtr& fileWrapper() const { return m_fileWrapper; }
    void setFileWrapper(plat::FileWrapperPtr fileWrapper) { m_fileWrapper = std::move(fileWrapper); }
    const std::shared_ptr<ZSTextAttachmentCell>& attachmentCell() const { return m_attachmentCell; }
    void setAttachmentCell(std::shared_ptr<ZSTextAttachmentCell> cell) { m_attachmentCell = std::move(cell); }
    // The file, or for an image shown without one, the image's own bytes.
    plat::FileWrapperPtr attachmentFile() const override
    {
        if (m_fileWrapper || !m_attachmentCell || !m_attachmentCell->image())
            return m_fileWrapper;
        const plat::ImagePtr& image = m_attachmentCell->image();
        const bool hasSource = !image->sourceData().isEmpty();
        auto file = plat::FileWrapper::initRegularFileWithContents(hasSource ? image->sourceData()
                                                                             : image->encoded("png"));
        file->setPreferredFilename(QStringLiteral("image.")
                                   + QString::fromLatin1(hasSource ? image->sourceFormat() : QByteArray("png")));
        return file;
    }
    QString className() const override { return QStringLiteral("ZSTextAttachment"); }
    // Archived without its file or cell: a page keeps its images beside the text.
    bool supportsCoding() const override { return true; }

private:
    explicit ZSTextAttachment(plat::FileWrapperPtr fileWrapper) : m_fileWrapper(std::move(fileWrapper)) {}
    plat::FileWrapperPtr m_fileWrapper;
    std::shared_ptr<ZSTextAttachmentCell> m_attachmentCell;
};
