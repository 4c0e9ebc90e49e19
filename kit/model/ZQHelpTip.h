#pragma once
// The tip line under the editor: code that just did something worth a tip fires
// its number, and the tip view observes "tid" and shows title and message. New
// tips are spaced at least six seconds apart so the line stays readable.

#include "kit/foundation/ZSObservableProperties.h"
#include "platform/foundation/Object.h"

#include <QString>
#include <memory>

class ZQHelpTip : public plat::Object, public ZSObservableProperties {
public:
    static std::shared_ptr<ZQHelpTip> sharedTip();

    QString className() const override { return QStringLiteral("ZQHelpTip"); }

    // Publishes tip n now, or once six seconds have passed since the last tip;
    // nothing when n is the tip last published.
    void fire(qint64 n);

    qint64 tid() const { return get(m_tid); }
    QString msg() const { return get(m_msg); }
    QString title() const { return get(m_title); }
    // Clock time (plat::Clock) of the last publication; 0 before the first.
    double lastFireTime() const { return get(m_lastFireTime); }

    // Seconds between two publications.
    static constexpr double spacing = 6.0;

private:
    ZQHelpTip() = default;

    qint64 m_tid = 0;
    QString m_msg;
    QString m_title;
    double m_lastFireTime = 0;
    bool m_published = false;
};
