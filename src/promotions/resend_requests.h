#pragma once

#include "promotions/reenvio_document.h"
#include "scanntech/scanntech_module.h"

namespace monitor::promotions {

/** Fetches Scanntech's requests to resend the movements and then the daily closings of a day,
 *  logging each list's exchange ("GetReenvioMovimento", "GetReenvioFechamento"), and obeys
 *  every request listed. Nothing is acknowledged: a request listed again is obeyed again. The
 *  first failure ends the handling with a std::runtime_error carrying its message. */
void ProcessaReenvios(scanntech::ScanntechModule& module);

/** Clears both sent flags of every sale of the request's day and register (every register when
 *  CodigoCaja is 0 or less) and runs the sale upload decision on each. */
void ReenviaVendas(scanntech::ScanntechModule& module, const TReenvio& reenvio);

/** Hands the day's last movement of each requested register of model "65" to the closing step. */
void ReenviaFechamentos(scanntech::ScanntechModule& module, const TReenvio& reenvio);

}  // namespace monitor::promotions
