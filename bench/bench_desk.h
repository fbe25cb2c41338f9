#pragma once

// The desk the benchmarks run the real window on: its title, refresh and station, and the
// fixture's login for one engine, written to the configuration as the program's login keeps them.

#include "core/config/desk_settings.h"
#include "core/config/settings_store.h"
#include "db/engine_fixture.h"

#include <cstdio>

namespace orvela::bench {

inline void WriteDesk(SettingsStore& store, DeskSettings desk, const test::EngineFixture& fixture,
                      test::Engine engine)
{
    desk.dataSource = fixture.DataSource(engine);
    desk.userName = fixture.User(engine);
    QString reason;
    if (!desk.rememberPassword(fixture.Password(engine), reason))
        std::fprintf(stderr, "the desk cannot keep the %s password: %s\n",
                     qPrintable(test::EngineTitle(engine)), qPrintable(reason));
    desk.save(store);
}

} // namespace orvela::bench
