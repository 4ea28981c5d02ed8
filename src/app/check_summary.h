#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "data/connection.h"
#include "data/query.h"

namespace monitor {

/** What a check leaves in the store, counted from the database: the stored promotions by
 *  state, the sales flagged as sent to Scanntech, the exchanges logged and the next due time. */
struct StoreCounts {
    std::map<std::string, std::int64_t> promocoesPorStatus;
    std::int64_t vendasEnviadas = 0;
    std::int64_t cancelamentosEnviados = 0;
    std::int64_t linhasLogst = 0;
    std::string proximaConsulta;  // empty when none is stored

    friend bool operator==(const StoreCounts&, const StoreCounts&) = default;
};

/** Counts what a check did, for the headless service's one-line report after each check. */
class CheckSummary {
  public:
    explicit CheckSummary(db::Connection& connection);

    StoreCounts Count();
    /** "promotions ACEPTADA 3, RECHAZADA 1 (+4); sales sent 5 (+2), cancellations sent 1 (+1);
     *  logst +6; next check 2024-05-02 10:30:00". */
    static std::string Describe(const StoreCounts& before, const StoreCounts& after);

  private:
    db::Query QContagemPromocoes;
    db::Query QContagemEnvios;
};

}  // namespace monitor
