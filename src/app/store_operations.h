#pragma once

#include <memory>

#include "app/monitor_operations.h"
#include "common/clock.h"
#include "data/store_database.h"
#include "notices/error_log.h"
#include "notices/notices.h"

namespace monitor {

/** What the Scanntech operations work with: the store's connections (their queries run on the
 *  framework connection), the clock of the exchange log, the error log and the notices. */
struct OperationsContext {
    StoreDatabase& store;
    const Clock& clock;
    ErrorLog& log;
    Notices& notices;
};

/** The operations both shells give the monitoring cycle. */
std::unique_ptr<MonitorOperations> CreateStoreOperations(const OperationsContext& context);

}  // namespace monitor
