// Saving and opening a rich page of about 1 MB of text with 20 images (ten
// JPEG photos and ten PNG drawings, each with a half-size shown copy): the
// whole save (package built, every file flushed, swapped into place) and the
// whole open, beside the archiving and unarchiving of the rich text alone, so
// that the share spent in the archive shows. Run with
// --benchmark_repetitions=N for medians.

#include "BenchPages.h"
#include "kit/model/ZSTextAttachment.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/foundation/ImageExs.h"
#include "kit/storage/ZSAbstractDocument.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Attributes.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Images = 20;
constexpr qsizetype PageSize = 1024 * 1024;

QByteArray picture(int index)
{
    const bool photo = index % 2 == 0;
    QImage image(photo ? 1024 : 480, photo ? 768 : 360, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7 + index * 13) & 255, (y * 5 + x / 3) & 255, (x ^ y) & 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, photo ? "jpeg" : "png", photo ? 85 : -1);
    return bytes;
}

struct Page {
    Page()
    {
        BenchPages::setUpApplication();
        // PAGE_BENCH_KB sets another page size, to see how the times grow.
        const qsizetype size = qEnvironmentVariableIsSet("PAGE_BENCH_KB") ? qEnvironmentVariableIntValue("PAGE_BENCH_KB") * 1024 : PageSize;
        QString markup = BenchPages::samplePageOfOwnLabels(size);
        // One image every twentieth of the page, at a paragraph's start.
        for (int i = Images - 1; i >= 0; --i) {
            const qsizetype at = markup.indexOf(QStringLiteral("\n\n"), markup.size() * i / Images) + 2;
            markup.insert(at, QStringLiteral("![picture %1](picture%1.%2)\n\n").arg(i).arg(i % 2 == 0 ? "jpg" : "png"));
        }
        doc = ZSAbstractDocument::create();
        plat::MutableAttributedString rich =
            doc->markupRender()->renderMarkupToRich(plat::AttributedString(markup), false, ZQMarkupType::Markdown);
        QHash<QString, std::shared_ptr<ZQAttachedImageObject>> shown;
        for (const auto& storage : doc->renderContext()->getAttachedStorageByOwner(QStringLiteral("ZQMacroImage"))) {
            const auto payload = storage->attachedObject();
            const int index = payload->originalFileName().mid(7).section(QLatin1Char('.'), 0, 0).toInt();
            payload->setOriginalImage(Exs::loadImageFromData(picture(index)));
            const QSizeF half = payload->originalImage()->size() / 2;
            payload->setImage(Exs::imageResize(*payload->originalImage(), half));
            payload->setResize(half);
            shown.insert(storage->uuid(), payload);
        }
        doc->markupRender()->updateImageRichContent(rich, shown);
        doc->richTextStorage()->setAttributedString(rich);
        doc->setStorageType(2);
        path = dir.filePath(QStringLiteral("page.mkqrv"));
        doc->saveToURL(QUrl::fromLocalFile(path), ZSAbstractDocument::pageDocumentType());
        imageCount = int(shown.size());
    }

    // The archive the save makes of the rich text.
    QByteArray archiveRichText() const
    {
        plat::MutableAttributedString text(*doc->richTextStorage());
        text.enumerateAttribute(plat::AttachmentAttribute, plat::Range(0, text.length()), plat::EnumerationReverse,
                                [&](const plat::Value& value, plat::Range range, bool*) {
                                    if (!value.isNull())
                                        text.addAttribute(plat::AttachmentAttribute,
                                                          plat::Value(ZSTextAttachment::initWithFileWrapper(nullptr)), range);
                                });
        plat::ValueList records;
        for (const auto& [uuid, storage] : doc->renderContext()->getAllAttachedStorages().asKeyValueRange())
            if (storage->owner() != QLatin1String("ZQMacroImage"))
                records.emplace_back(storage);
        return plat::KeyedArchiver::archivedData(plat::Value(plat::ValueMap{
            {QStringLiteral("zqMainStorage"), plat::Value(plat::AttributedText::create(text))},
            {QStringLiteral("zqAttachedStorage"), plat::Value(std::move(records))}}));
    }

    QTemporaryDir dir;
    QString path;
    ZSAbstractDocumentPtr doc;
    int imageCount = 0;
};

Page& page()
{
    static Page shared;
    return shared;
}

void describe(benchmark::State& state)
{
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(page().path).entryInfoList(QDir::Files))
        bytes += file.size();
    if (qEnvironmentVariableIsSet("PAGE_BENCH_LIST"))
        for (const QFileInfo& file : QDir(page().path).entryInfoList(QDir::Files))
            qInfo() << file.fileName() << file.size();
    state.counters["rich_chars"] = double(page().doc->richTextStorage()->length());
    state.counters["images"] = page().imageCount;
    state.counters["package_bytes"] = double(bytes);
}

void BM_SavePage(benchmark::State& state)
{
    Page& p = page();
    for (auto _ : state) {
        p.doc->updateChangeCount(plat::Document::ChangeType::Done);
        if (!p.doc->saveToURL(QUrl::fromLocalFile(p.path), ZSAbstractDocument::pageDocumentType()))
            state.SkipWithError("save failed");
    }
    describe(state);
}

void BM_BuildPackageInMemory(benchmark::State& state)
{
    Page& p = page();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.doc->fileWrapper());
}

void BM_ArchiveRichText(benchmark::State& state)
{
    Page& p = page();
    qsizetype size = 0;
    for (auto _ : state)
        size = p.archiveRichText().size();
    state.counters["archive_bytes"] = double(size);
}

void BM_OpenPage(benchmark::State& state)
{
    Page& p = page();
    for (auto _ : state) {
        auto doc = ZSAbstractDocument::create();
        if (!doc->readFromURL(QUrl::fromLocalFile(p.path), ZSAbstractDocument::pageDocumentType()))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(doc);
    }
    describe(state);
}

void BM_UnarchiveRichText(benchmark::State& state)
{
    const QByteArray archive = page().archiveRichText();
    if (qEnvironmentVariableIsSet("PAGE_BENCH_DUMP")) {
        QFile out(qEnvironmentVariable("PAGE_BENCH_DUMP"));
        if (out.open(QIODevice::WriteOnly))
            out.write(archive);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(plat::KeyedUnarchiver::unarchiveValue(archive));
}

} // namespace

BENCHMARK(BM_SavePage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BuildPackageInMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ArchiveRichText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_UnarchiveRichText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
