#include "platform/foundation/StringWords.h"

#include <QLocale>
#include <memory>
#include <mutex>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

namespace plat {

namespace {

// Building a word iterator loads its rules and dictionaries; one prototype is
// built once and cloned (cloning a shared const iterator is thread-safe).
const icu::BreakIterator* wordIteratorPrototype()
{
    static std::unique_ptr<icu::BreakIterator> prototype;
    static std::once_flag once;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray locale = QLocale().name().toLatin1();
        prototype.reset(icu::BreakIterator::createWordInstance(icu::Locale(locale.constData()), status));
        if (U_FAILURE(status))
            prototype.reset();
    });
    return prototype.get();
}

} // namespace

void enumerateWords(const QString& text, Range range, const std::function<bool(Range word)>& block)
{
    checkRange(range, text.size(), "enumerateWords");
    const icu::BreakIterator* prototype = wordIteratorPrototype();
    if (range.length == 0 || !prototype)
        return;
    std::unique_ptr<icu::BreakIterator> words(prototype->clone());
    UErrorCode status = U_ZERO_ERROR;
    UText utext = UTEXT_INITIALIZER;
    utext_openUChars(&utext, reinterpret_cast<const UChar*>(text.utf16()) + range.location, range.length, &status);
    words->setText(&utext, status);
    if (U_FAILURE(status)) {
        utext_close(&utext);
        return;
    }
    int32_t start = words->first();
    for (int32_t end = words->next(); end != icu::BreakIterator::DONE; start = end, end = words->next()) {
        // Segments of spaces, punctuation and symbols carry the "none" status.
        if (words->getRuleStatus() == UBRK_WORD_NONE)
            continue;
        if (!block(Range(range.location + start, end - start)))
            break;
    }
    utext_close(&utext);
}

qint64 countWords(const QString& text)
{
    qint64 count = 0;
    enumerateWords(text, Range(0, text.size()), [&count](Range) {
        ++count;
        return true;
    });
    return count;
}

} // namespace plat
