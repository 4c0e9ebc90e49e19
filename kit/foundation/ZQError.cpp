#include "kit/foundation/ZQError.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <mutex>

namespace ZQError {

namespace {

const QString kMessageInfoKey = QStringLiteral("MessageInfo");

void logPresentation(const ZQErrorValue& error)
{
    const QString details = error.userInfo().count(kMessageInfoKey)
                                ? error.userInfo().at(kMessageInfoKey).toString()
                                : QString();
    qWarning().noquote() << error.localizedDescription() << details;
}

struct Presenter {
    std::mutex mutex;
    PresentationHandler handler = logPresentation;
};

Presenter& presenter()
{
    static Presenter instance;
    return instance;
}

PresentationHandler currentHandler()
{
    std::lock_guard lock(presenter().mutex);
    return presenter().handler;
}

} // namespace

ZQErrorValue errorFromMessage(const QString& message)
{
    return ZQErrorValue(QStringLiteral("Invalid Operation"), 200,
                        {{ZQErrorValue::localizedDescriptionKey(), message}});
}

ZQErrorValue errorFromException(const std::exception& exception, const QString& actionMessage)
{
    const QString message = QStringLiteral("Sorry, unexpected error: %1.  %2")
                                .arg(QString::fromUtf8(exception.what()), actionMessage);
    return ZQErrorValue(ZQErrorValue::osStatusErrorDomain(), -19, {{kMessageInfoKey, message}});
}

void presentError(const ZQErrorValue& error)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        currentHandler()(error);
        return;
    }
    QMetaObject::invokeMethod(app, [error] { currentHandler()(error); }, Qt::QueuedConnection);
}

void presentException(const std::exception& exception, const QString& actionMessage)
{
    presentError(errorFromException(exception, actionMessage));
}

void log(const ZQErrorValue& error, const QString& prefix)
{
    const QString description = error.localizedDescription();
    qInfo().noquote() << QStringLiteral("%1: %2").arg(prefix, description.isEmpty() ? QStringLiteral("Unknown Error") : description);
}

PresentationHandler setPresentationHandler(PresentationHandler handler)
{
    std::lock_guard lock(presenter().mutex);
    PresentationHandler previous = std::move(presenter().handler);
    presenter().handler = handler ? std::move(handler) : logPresentation;
    return previous;
}

} // namespace ZQError
