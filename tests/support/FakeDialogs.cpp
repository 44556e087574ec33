#include "support/FakeDialogs.h"

ScopedFakeDialogs::ScopedFakeDialogs()
{
    auto owned = std::make_unique<FakeDialogs>();
    fake = owned.get();
    platform::setDialogs(std::move(owned));
}

ScopedFakeDialogs::~ScopedFakeDialogs()
{
    if (platform::installedDialogs() == fake) // a later guard may have replaced it
        platform::setDialogs(nullptr);
}
