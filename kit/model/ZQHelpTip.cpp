#include "kit/model/ZQHelpTip.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"

#include <QHash>

namespace {

struct Tip {
    QString title;
    QString message;
};

const QHash<qint64, Tip>& tips()
{
    static const QHash<qint64, Tip> table = [] {
        const QString undoKey = QString(QChar(0x2318)) + QStringLiteral("-Z");
        const QString undoMessage = QStringLiteral("Undo and Escape the automatically render");
        return QHash<qint64, Tip>{
            {1, {QStringLiteral("ESC"), QStringLiteral("Close the popup")}},
            {2, {QStringLiteral("ENTER"), QStringLiteral("One more Enter in an empty line to cancel the indentation.")}},
            {3, {QStringLiteral("ENTER on Popover"),
                 QStringLiteral("To select first macro or continue to type the macro name")}},
            {4, {QStringLiteral("ESC"), QStringLiteral("To resume normal typing font")}},
            {5, {undoKey, undoMessage}},
            {6, {undoKey, undoMessage}},
            {7, {QStringLiteral("ENTER or COMMA"), QStringLiteral("Enter to end a tag; Comma to create a new tag.")}},
            {8, {QStringLiteral("Click"), QStringLiteral("Click the task marker to change state.")}},
            {9, {QStringLiteral("TAB"), QStringLiteral("Tab or Shift+Tab at Task marker to change level.")}},
        };
    }();
    return table;
}

} // namespace

std::shared_ptr<ZQHelpTip> ZQHelpTip::sharedTip()
{
    static const std::shared_ptr<ZQHelpTip> shared(new ZQHelpTip);
    return shared;
}

void ZQHelpTip::fire(qint64 n)
{
    if (n == tid())
        return;
    const double now = plat::Clock::current()->now();
    bool published;
    {
        std::lock_guard lock(m_propertyMutex);
        published = m_published;
    }
    // The first tip after start shows at once, whatever the clock reads.
    const double elapsed = now - lastFireTime();
    if (published && elapsed < spacing) {
        const std::weak_ptr<ZQHelpTip> weak = sharedTip();
        plat::DispatchQueue::main()->asyncAfter(spacing - elapsed, [weak, n] {
            if (const auto tip = weak.lock())
                tip->fire(n);
        });
        return;
    }
    const Tip tip = tips().value(n);
    {
        std::lock_guard lock(m_propertyMutex);
        m_published = true;
        m_lastFireTime = now;
        m_msg = tip.message;
        m_title = tip.title;
    }
    // Observers of "tid" find message and title already set.
    set(m_tid, n, "tid");
}
