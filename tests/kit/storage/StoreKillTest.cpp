// A writer killed with SIGKILL at any moment leaves a store that opens,
// passes the integrity check and holds every page whose save had returned.

#include "platform/foundation/Resources.h"
#include "platform/store/PersistentStore.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

namespace {

QString integrityCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(path.toLocal8Bit().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

TEST(StoreKill, EveryReturnedSaveSurvivesAKill)
{
    QTemporaryDir data;
    const QString space = QStringLiteral("killed");
    const QString path = data.filePath(space + "/workspace.sql");
    const auto model = plat::ManagedObjectModel::load(plat::Resources::pathForResource("workspace", "momd", "models"));
    ASSERT_TRUE(model);
    QStringList saved;
    qint64 next = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(QUORVEL_STORE_KILL_CHILD), {data.path(), space, QString::number(next)});
        ASSERT_TRUE(writer.waitForStarted());
        // Let it save at least once, then kill it somewhere in the next few saves.
        // Generous: a sanitizer build on a busy machine starts slowly.
        ASSERT_TRUE(writer.waitForReadyRead(120000)) << round;
        QThread::usleep(QRandomGenerator::global()->bounded(0, 8000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished();
        const QStringList lines = QString::fromUtf8(writer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty()) << round;
        saved += lines;
        next += 1000;

        ASSERT_EQ(integrityCheck(path), QStringLiteral("ok")) << round;
        plat::StoreError error;
        auto store = plat::PersistentStore::open(path, model, {}, &error);
        ASSERT_TRUE(store) << round << error.message.toStdString();
        const auto rows = store->fetch(plat::FetchRequest("Node"), &error);
        ASSERT_TRUE(rows);
        QSet<QString> present;
        for (const auto& row : *rows)
            present.insert(row.values.at("uuid").toString());
        for (const QString& uuid : saved)
            ASSERT_TRUE(present.contains(uuid)) << round << " lost " << uuid.toStdString();
    }
}

} // namespace
