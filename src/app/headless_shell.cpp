#include "app/headless_shell.h"

#include <iostream>

#include "app/stderr_notices.h"
#include "common/clock.h"
#include "data/store_database.h"
#include "notices/error_log.h"

namespace monitor {

int RunHeadless(const ProgramOptions& options) {
    SystemClock clock;
    StderrNotices notices(std::cerr);
    ErrorLog log(options.dir, "scanntech-monitor", clock, notices);
    StoreDatabase database(options.dir, log, notices);
    if (!database.ConectarBanco()) return 1;
    std::cerr << "Connected: " << database.RazaoSocial() << " " << database.Cnpj() << "\n";
    return 0;
}

}  // namespace monitor
