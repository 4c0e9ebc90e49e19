#pragma once
// User defaults of their own for a test: a fresh file with the application's
// registered defaults, installed as the standard defaults while in scope.

#include "kit/foundation/ZSRegisteredDefaults.h"
#include "platform/foundation/UserDefaults.h"

#include <QTemporaryDir>
#include <memory>

class ScopedDefaults {
public:
    ScopedDefaults()
        : m_defaults(std::make_shared<plat::UserDefaults>(m_dir.filePath("defaults.ini")))
    {
        ZSRegisteredDefaults::registerTable(m_defaults.get());
        plat::UserDefaults::setStandardUserDefaults(m_defaults);
    }
    ~ScopedDefaults() { plat::UserDefaults::setStandardUserDefaults(nullptr); }
    ScopedDefaults(const ScopedDefaults&) = delete;
    ScopedDefaults& operator=(const ScopedDefaults&) = delete;

    plat::UserDefaults* operator->() const { return m_defaults.get(); }

private:
    QTemporaryDir m_dir;
    std::shared_ptr<plat::UserDefaults> m_defaults;
};
