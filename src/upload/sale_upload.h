#pragma once

#include <string>

#include "scanntech/scanntech_module.h"

namespace monitor::upload {

/** Decides what Scanntech must receive for one sale (the sale, the sale and its cancellation,
 *  or nothing), uploads it and sets the sale's flags for every movement accepted. Raises on
 *  database failures and on failures preparing or recording a request; a refusal by the
 *  service only leaves the sale unflagged. */
void ProcessaVenda(scanntech::ScanntechModule& module, int codvenda);

/** One sale of the monitoring cycle's pending pass: MarcaVendaScanntech, MarcaVendaNaoEnviada
 *  and ProcessaVenda, in that order and with their effects and failures, the two marks and the
 *  first reads of ProcessaVenda sent to the database in one round trip. Needs the Scanntech
 *  module made, as MarcaVendaScanntech does. */
void EnviaVendaPendente(scanntech::ScanntechModule& module, int codvenda);

/** Marks the sale as taking part in Scanntech promotions. */
void MarcaVendaScanntech(scanntech::ScanntechModule& module, int codvenda);

/** Clears both sent flags so that the sale is uploaded again from the start. */
void MarcaVendaNaoEnviada(scanntech::ScanntechModule& module, int codvenda);

}  // namespace monitor::upload
