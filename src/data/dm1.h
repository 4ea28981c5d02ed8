#pragma once

#include "data/connection.h"
#include "data/query.h"

namespace monitor {

/** The main data module: the main connection, the company record shown in the window, the
 *  promotion-check schedule and the two selections of pending work. */
class TDM1 {
public:
    TDM1();
    TDM1(const TDM1&) = delete;
    TDM1& operator=(const TDM1&) = delete;

    db::Connection ZConnection1;
    db::Query TabEmitente;
    /** The schedule row; its next due time is written back by Apply(). */
    db::Query QConfigScannTech;
    /** Sales pending upload: one row per settings row and non-cancelled payment. */
    db::Query QVendasReenviar;
    /** Register movements whose daily closing is pending. */
    db::Query QMovimentoReenviar;
};

}  // namespace monitor
