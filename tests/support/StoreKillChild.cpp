// Creates page records in a loop until it is killed, printing each uuid once
// its persistAndWait has returned. The store kill test runs it.
// Arguments: data folder, space folder, first number.
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    qputenv("QUORVEL_DATA_DIR", argv[1]);
    QCoreApplication app(argc, argv);
    const QString space = QString::fromLocal8Bit(argv[2]);
    for (qint64 n = QByteArray(argv[3]).toLongLong();; ++n) {
        const QString uuid = QStringLiteral("k%1").arg(n);
        bool saved = false;
        ZSCoreDataUtil::createPageRecord(uuid, std::nullopt, space, QString(), plat::Value(),
                                         ZSCoreData::sharedCoredData()->pageObjectContext(space), nullptr,
                                         [&](const plat::ManagedObjectPtr&, const std::optional<ZQErrorValue>& error) {
                                             saved = !error;
                                         });
        if (!saved)
            return 3;
        std::printf("%s\n", qPrintable(uuid));
        std::fflush(stdout);
    }
}
