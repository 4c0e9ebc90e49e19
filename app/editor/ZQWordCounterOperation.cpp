#include "app/editor/ZQWordCounterOperation.h"

#include "platform/foundation/StringWords.h"

std::shared_ptr<ZQWordCounterOperation> ZQWordCounterOperation::create(QString text, qint64 request)
{
    return std::make_shared<ZQWordCounterOperation>(Passkey{}, std::move(text), request);
}

void ZQWordCounterOperation::main()
{
    if (isCancelled())
        return;
    qint64 words = 0;
    plat::enumerateWords(m_text, plat::Range(0, m_text.size()), [this, &words](plat::Range) {
        ++words;
        return !isCancelled();
    });
    m_wordCount = words;
    m_charCount = m_text.size();
}
