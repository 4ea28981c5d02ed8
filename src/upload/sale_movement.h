#pragma once

#include <string>

#include "common/clock.h"
#include "scanntech/scanntech_module.h"

namespace monitor::upload {

/** Builds and posts the movement document of a sale (or, with `cancelacion`, of its
 *  cancellation). True when Scanntech answered 200 or the sale has nothing to send. */
bool EnviarVenda(scanntech::ScanntechModule& module, int codvenda, bool cancelacion);

/** The stored time of a sale made whole: a blank time is the current time of day, "hh:nn"
 *  gains ":59", anything else is kept. */
std::string CompletaHora(const std::string& horasaida, const Clock& clock);

}  // namespace monitor::upload
