#pragma once
// Archives an object and decodes it again, failing the test when either step fails.

#include "platform/foundation/KeyedArchive.h"

#include <gtest/gtest.h>

template <typename T>
std::shared_ptr<T> archiveRoundTrip(const std::shared_ptr<T>& object)
{
    QString error;
    const QByteArray data = plat::KeyedArchiver::archivedData(object, &error);
    EXPECT_FALSE(data.isEmpty()) << error.toStdString();
    auto decoded = plat::objectCast<T>(plat::KeyedUnarchiver::unarchiveObject(data, &error));
    EXPECT_TRUE(decoded) << error.toStdString();
    return decoded;
}
