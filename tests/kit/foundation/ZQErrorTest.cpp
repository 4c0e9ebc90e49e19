#include "kit/foundation/ZQError.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {

// Collects what the presentation handler is given, and on which thread.
struct PresentationLog {
    std::vector<std::pair<QString, bool>> shown; // description, on the main thread
    ZQError::PresentationHandler previous;

    PresentationLog()
    {
        previous = ZQError::setPresentationHandler([this](const ZQErrorValue& error) {
            shown.emplace_back(error.localizedDescription(), QThread::currentThread() == qApp->thread());
        });
    }
    ~PresentationLog() { ZQError::setPresentationHandler(previous); }
};

QStringList capturedLog;
void captureMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    capturedLog << message;
}

TEST(ZQError, MadeErrors)
{
    const ZQErrorValue message = ZQError::errorFromMessage("Unable to create new file.");
    EXPECT_EQ(message.domain(), "Invalid Operation");
    EXPECT_EQ(message.code(), 200);
    EXPECT_EQ(message.localizedDescription(), "Unable to create new file.");

    const ZQErrorValue bare = ZQError::errorFromException(std::runtime_error("boom"));
    EXPECT_EQ(bare.domain(), ZQErrorValue::osStatusErrorDomain());
    EXPECT_EQ(bare.code(), -19);
    EXPECT_EQ(bare.userInfo().at("MessageInfo").toString(), "Sorry, unexpected error: boom.  ");
    const ZQErrorValue withAction = ZQError::errorFromException(std::runtime_error("boom"), "Saving failed.");
    EXPECT_EQ(withAction.userInfo().at("MessageInfo").toString(), "Sorry, unexpected error: boom.  Saving failed.");
    EXPECT_FALSE(bare.localizedDescription().isEmpty());
}

TEST(ZQError, LogUsesThePrefix)
{
    capturedLog.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    ZQError::log(ZQError::errorFromMessage("disk full"), "Save");
    ZQError::log(ZQError::errorFromMessage(""), "Save");
    qInstallMessageHandler(previous);
    EXPECT_EQ(capturedLog, QStringList({"Save: disk full", "Save: Unknown Error"}));
}

TEST(ZQError, PresentsAtOnceOnTheMainThread)
{
    PresentationLog log;
    ZQError::presentException(std::runtime_error("x"), "y");
    ZQError::presentError(ZQError::errorFromMessage("main"));
    ASSERT_EQ(log.shown.size(), 2u);
    EXPECT_EQ(log.shown[1], std::make_pair(QString("main"), true));
}

TEST(ZQError, PresentingFromAWorkerCannotDeadlockAMainThreadThatWaitsForIt)
{
    PresentationLog log;
    std::thread worker([] { ZQError::presentError(ZQError::errorFromMessage("from worker")); });
    // The main thread blocks on the worker, as code that joins a job does; a
    // synchronous hop to the main thread would never return here.
    worker.join();
    EXPECT_TRUE(log.shown.empty());
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(log.shown.size(), 1u);
    EXPECT_EQ(log.shown[0], std::make_pair(QString("from worker"), true));
}

} // namespace
