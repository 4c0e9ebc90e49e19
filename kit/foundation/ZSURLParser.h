#pragma once
// Splits a URL's query into its "name=value" pieces, without decoding.

#include "platform/foundation/Object.h"

#include <QStringList>
#include <QUrl>

class ZSURLParser : public plat::Object {
public:
    explicit ZSURLParser(const QUrl& url);

    QString className() const override { return QStringLiteral("ZSURLParser"); }

    // The query's pieces in URL order.
    const QStringList& variables() const { return m_variables; }
    // The value of the first piece "name=value" with a non-empty value; null when none.
    QString valueForVariable(const QString& name) const;

private:
    QStringList m_variables;
};
