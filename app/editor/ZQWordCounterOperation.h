#pragma once
// Counts the words and characters of an immutable copy of an editor's text,
// off the main thread.

#include "platform/foundation/Operation.h"

#include <QString>
#include <atomic>

class ZQWordCounterOperation final : public plat::Operation {
    struct Passkey {};

public:
    static std::shared_ptr<ZQWordCounterOperation> create(QString text, qint64 request = 0);
    ZQWordCounterOperation(Passkey, QString text, qint64 request) : m_text(std::move(text)), m_request(request) {}

    QString className() const override { return QStringLiteral("ZQWordCounterOperation"); }

    const QString& text() const { return m_text; }
    // 0 until the operation has run; partial when it was cancelled while counting.
    qint64 wordCount() const { return m_wordCount.load(); }
    void setWordCount(qint64 count) { m_wordCount = count; }
    // The text's length in UTF-16 units; 0 until the operation has run.
    qint64 charCount() const { return m_charCount.load(); }
    void setCharCount(qint64 count) { m_charCount = count; }
    // The number the window gave this count when it was queued.
    qint64 request() const { return m_request; }

    void main() override;

private:
    const QString m_text;
    const qint64 m_request;
    std::atomic<qint64> m_wordCount{0};
    std::atomic<qint64> m_charCount{0};
};

using ZQWordCounterOperationPtr = std::shared_ptr<ZQWordCounterOperation>;
