#pragma once
// Walks over an ordered list of filters: only members that play the role are
// called. An exception thrown inside a filter is caught and logged, and that call
// counts as not handled, so one faulty filter never stops a conversion or a key.

#include "platform/foundation/Object.h"

#include <QDebug>
#include <cxxabi.h>
#include <cstdlib>
#include <exception>
#include <typeinfo>
#include <vector>

namespace ZQFilterDispatch {

using Members = std::vector<plat::ObjectPtr>;

inline void logFailure(const std::exception* e, const char* what)
{
    QString type = QStringLiteral("unknown exception");
    if (e) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(typeid(*e).name(), nullptr, nullptr, &status);
        type = QString::fromLatin1(status == 0 && demangled ? demangled : typeid(*e).name());
        std::free(demangled);
    }
    qWarning().noquote() << QStringLiteral("catching %1 reason %2")
                                .arg(type, e ? QString::fromUtf8(e->what()) : QString());
    qWarning().noquote() << QStringLiteral("error when processing %1").arg(QString::fromUtf8(what));
}

// Runs call(role) and reports its answer; a throw answers false.
template <class Role, class Call>
bool guardedCall(Role& role, Call& call, const char* what)
{
    try {
        return call(role);
    } catch (const std::exception& e) {
        logFailure(&e, what);
    } catch (...) {
        logFailure(nullptr, what);
    }
    return false;
}

// First answer wins: members playing Role are asked in order until one answers
// YES; that member is returned (null when none did).
template <class Role, class Call>
plat::ObjectPtr first(const Members& members, Call call, const char* what)
{
    for (const plat::ObjectPtr& member : members) {
        if (auto* role = dynamic_cast<Role*>(member.get()); role && guardedCall(*role, call, what))
            return member;
    }
    return nullptr;
}

// Ask all: every member playing Role is asked; the answers are combined with OR.
template <class Role, class Call>
bool all(const Members& members, Call call, const char* what)
{
    bool any = false;
    for (const plat::ObjectPtr& member : members) {
        if (auto* role = dynamic_cast<Role*>(member.get()))
            any = guardedCall(*role, call, what) || any;
    }
    return any;
}

} // namespace ZQFilterDispatch
