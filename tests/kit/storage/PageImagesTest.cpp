// The render engine's work on a page's images: finding them, replacing one
// in an editor, and the files of an export.

#include "PageFixtures.h"

#include "kit/model/ZSTextAttachment.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/Attributes.h"
#include "platform/text/TextView.h"

#include "support/QStringPrinting.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pages;

namespace {

QStringList linksOf(const std::vector<std::shared_ptr<ZQLinkRef>>& refs)
{
    QStringList links;
    for (const auto& ref : refs)
        links << ref->link();
    return links;
}

std::shared_ptr<ZQAttachedStorage> imageStorage(ZQRenderContext& context, const QString& fileName, bool withImage)
{
    auto storage = context.createAttachedStroage(QStringLiteral("ZQMacroImage"), ZSUtils::uuid());
    const auto payload = storage->attachedObject();
    payload->setUrl(QString());
    payload->setOriginalFileName(fileName);
    payload->setImageFileName(fileName);
    payload->setImageLabel(QStringLiteral("new"));
    if (withImage)
        payload->setOriginalImage(Exs::loadImageFromData(encodedImage("png")));
    return storage;
}

QStringList entriesOf(const QString& folder)
{
    QStringList found;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        found << info.fileName();
    return found;
}

} // namespace

TEST(PageImages, ImagesAreFoundInTextOrderButNotInCode)
{
    installedSettings();
    ZQRender render;
    const QString markup = QStringLiteral(
        "Two ![a](one.png) and ![b](two.png \"t\").\n\n"
        "```\n![c](code.png)\n```\n\n"
        "    ![d](indented.png)\n\n"
        "Later ![e](three.png)\n");
    EXPECT_EQ(linksOf(render.parseImageFiles(plat::AttributedString(markup))),
              (QStringList{QStringLiteral("one.png"), QStringLiteral("two.png"), QStringLiteral("three.png")}));
    EXPECT_TRUE(render.parseImageFiles(plat::AttributedString(QStringLiteral("`![x](y.png)`\n"))).empty());

    // One new storage per image found, each loaded from the folder when the file is there.
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("one.png")), encodedImage("png"));
    const auto storages = ZQRender::loadExternalImages(plat::AttributedString(markup), dir.path(), QString(), render);
    ASSERT_EQ(storages.size(), 3u);
    EXPECT_EQ(storages[0]->owner(), QStringLiteral("ZQMacroImage"));
    EXPECT_TRUE(storages[0]->attachedObject()->originalImage());
    EXPECT_EQ(storages[1]->attachedObject()->imageTitle(), QStringLiteral("t"));
    EXPECT_FALSE(storages[2]->attachedObject()->originalImage());
    EXPECT_NE(storages[0]->uuid(), storages[1]->uuid());
}

TEST(PageImages, UpdateImageIsOneUndoStepInEitherEditor)
{
    installedSettings();
    for (const quint64 editorType : {quint64(3), quint64(1)}) {
        ZQRender render;
        plat::TextView view;
        view.setEditorType(editorType);
        view.setUndoManager(std::make_shared<plat::UndoManager>());
        const QString before = QStringLiteral("see ![old](old.png) end");
        view.textStorage()->replaceCharacters(plat::Range(0, 0), before);
        const auto storage = imageStorage(*render.renderContext(), QStringLiteral("new.png"), true);
        const plat::Range image(4, 15);
        render.updateImageContent(storage, view, image);
        if (editorType == 3) {
            EXPECT_EQ(view.string(), QStringLiteral("see ![new](new.png) end"));
        } else {
            EXPECT_EQ(view.string(), QStringLiteral("see ") + QChar(0xFFFC) + QStringLiteral(" end"));
            EXPECT_TRUE(view.textStorage()->attributeAtIndex(plat::AttachmentAttribute, 4).toObject<ZSTextAttachment>());
            EXPECT_EQ(view.selectedRange(), plat::Range(5, 0));
        }
        ASSERT_TRUE(view.undoManager()->canUndo());
        EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Update Image"));
        view.undoManager()->undo();
        EXPECT_EQ(view.string(), before);
        EXPECT_FALSE(view.undoManager()->canUndo());

        // An image without a path changes nothing.
        const auto nameless = imageStorage(*render.renderContext(), QString(), true);
        render.updateImageContent(nameless, view, image);
        EXPECT_EQ(view.string(), before);
    }
}

TEST(PageImages, ReloadedImagesAreDrawnAgainOrAsPlaceholders)
{
    installedSettings();
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("pic.png")), encodedImage("png", 20, 10));
    auto doc = richPage(encodedImage("png"), QStringLiteral("pic.png"), false);
    plat::MutableAttributedString rich(*doc->richTextStorage());
    const auto table = doc->markupRender()->refreshRenderContextImages(rich, dir.path(), QString());
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.begin().value()->originalImage()->size(), QSizeF(20, 10));
    doc->markupRender()->updateImageRichContent(rich, table);
    EXPECT_TRUE(rich.string().contains(QChar(0xFFFC)));
    // A UUID the table lacks gets the placeholder.
    doc->markupRender()->updateImageRichContent(rich, {{QStringLiteral("other"), table.begin().value()}});
    EXPECT_TRUE(rich.string().contains(QStringLiteral("{IMG}")));
}

TEST(PageImages, CheckOnlyExportReportsExistingFilesAndWritesNothing)
{
    installedSettings();
    ZQRender render;
    imageStorage(*render.renderContext(), QStringLiteral("a.png"), true);
    imageStorage(*render.renderContext(), QStringLiteral("b.png"), true);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("a.png")), "existing");
    const plat::AttributedString markup(QStringLiteral("text"));
    QStringList conflicts;
    EXPECT_TRUE(render.exportFilesFromMarkdown(markup, conflicts, 1, dir.path(), true, false));
    EXPECT_EQ(conflicts, QStringList{dir.filePath(QStringLiteral("a.png"))});
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("a.png")});
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("a.png"))), QByteArray("existing"));

    // Nothing to propose: NO.
    ZQRender empty;
    conflicts.clear();
    EXPECT_FALSE(empty.exportFilesFromMarkdown(markup, conflicts, 1, dir.path(), true, false));

    // Writing puts both files in the folder.
    EXPECT_TRUE(render.exportFilesFromMarkdown(markup, conflicts, 1, dir.path(), false, false));
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{QStringLiteral("a.png"), QStringLiteral("b.png")}));
    EXPECT_TRUE(Exs::loadImageFromData(readFile(dir.filePath(QStringLiteral("a.png")))));
}

TEST(PageImages, ExportNeverWritesOutsideItsFolder)
{
    installedSettings();
    QTemporaryDir root;
    const QString exportDir = root.filePath(QStringLiteral("export"));
    const QString outside = root.filePath(QStringLiteral("outside"));
    QDir().mkpath(exportDir);
    QDir().mkpath(outside);
    // A folder inside the export folder that leads out of it.
    ASSERT_TRUE(QFile::link(outside, exportDir + QStringLiteral("/linked")));
    // A file name that is a link to a file outside.
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/target.png"), exportDir + QStringLiteral("/link.png")));
    for (const QString& name : {QStringLiteral("link.png"), QStringLiteral("../escape.png"), QStringLiteral("/tmp/abs.png"),
                                QStringLiteral("sub/../../escape.png"), QStringLiteral("linked/escape.png"),
                                QStringLiteral("..\\escape.png")}) {
        ZQRender render;
        imageStorage(*render.renderContext(), name, true);
        QStringList conflicts;
        render.exportFilesFromMarkdown(plat::AttributedString(QStringLiteral("x")), conflicts, 1, exportDir, false, false);
        EXPECT_EQ(entriesOf(root.path()), (QStringList{QStringLiteral("export"), QStringLiteral("outside")})) << name.toStdString();
        EXPECT_TRUE(entriesOf(outside).isEmpty()) << name.toStdString();
        EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/abs.png")));
    }
}
