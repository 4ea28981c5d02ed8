#pragma once

#include <string>

#include "data/query.h"

namespace monitor {

/** "Será feita a consulta de promoções a cada N minutos." from the schedule row; a null (or
 *  unread) interval leaves the number out. */
std::string TextoIntervalo(const db::Query& configScannTech);

}  // namespace monitor
