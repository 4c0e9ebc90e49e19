// The filters read the shared settings, theme and style factory, which the
// application installs before any filter exists: so does this binary.

#include "kit/model/ZSSettings.h"
#include "support/ScopedDefaults.h"

#include <gtest/gtest.h>

namespace {

class FiltersEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        m_defaults = std::make_unique<ScopedDefaults>();
        ZSSettings::hookPlatformSettings(ZSSettings::create());
    }
    void TearDown() override
    {
        ZSSettings::hookPlatformSettings(nullptr);
        m_defaults.reset();
    }

private:
    std::unique_ptr<ScopedDefaults> m_defaults;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new FiltersEnvironment);

} // namespace
