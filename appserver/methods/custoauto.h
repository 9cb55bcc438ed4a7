// Housekeeping of the automatic standard-cost maintenance (custoauto.cpp) that runs outside a call.
#pragma once

#include <cstdint>

#include "platform/core/datetime.h"
#include "platform/db/database.h"

namespace cad::appserver {

// Removes the working lists (LISTCUSTPADR) abandoned for a day: created before the day before
// `hoje` (a list lives at least one whole day after its load). Returns the rows removed. The
// server runs it at start and at each GetCustPadrManu.
int64_t removeListasCustoAbandonadas(db::Database& db, DateTime hoje);

}  // namespace cad::appserver
