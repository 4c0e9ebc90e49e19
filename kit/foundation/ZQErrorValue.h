#pragma once
// An error as the kit reports it: a domain, a code and user information, with
// a description for people. A plain value; absent errors are std::nullopt.

#include "platform/foundation/Value.h"

#include <QString>

class ZQErrorValue {
public:
    ZQErrorValue(QString domain, qint64 code, plat::ValueMap userInfo = {})
        : m_domain(std::move(domain)), m_code(code), m_userInfo(std::move(userInfo)) {}

    const QString& domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    const plat::ValueMap& userInfo() const { return m_userInfo; }

    // The user information's description, or a generic sentence naming the
    // domain and code when it holds none.
    QString localizedDescription() const;

    static QString localizedDescriptionKey() { return QStringLiteral("NSLocalizedDescription"); }
    // The platform's domains whose codes other layers test (512: a file could not be written).
    static QString cocoaErrorDomain() { return QStringLiteral("NSCocoaErrorDomain"); }
    static QString osStatusErrorDomain() { return QStringLiteral("NSOSStatusErrorDomain"); }

private:
    QString m_domain;
    qint64 m_code;
    plat::ValueMap m_userInfo;
};
