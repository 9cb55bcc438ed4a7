// Packets of the clients a corporate service delivers to and of their delivery points (table
// DESTSRVCLI with the names from CLIENTE and DESTFILI), in the shapes of the screen's cdsCliente
// and cdsPEntClie. Shared by the methods that load the delivery-points page.
#pragma once

#include <string>

#include "platform/core/packet.h"

namespace cad::db {
class Database;
}

namespace cad::appserver {

// Clients of the service: packet (CDFILIAL 4, CDSERVFILI 5, CDCLIENTE 21, IDTPIJURCLIE 1,
// NRINSJURCLIE 18, NMRAZSOCCLIE 50, NMFANTCLIE 50), one row per client with at least one delivery
// point, ordered by CDCLIENTE. NRINSJURCLIE holds the digits only; its size leaves room for a number
// typed with its punctuation before the screen normalises it.
PacketPtr clientesPacket(db::Database& db, const std::string& filial, const std::string& servico);

// Delivery points of every client of the service: packet (CDFILIAL 4, CDSERVFILI 5, CDCLIENTE 21,
// CDDESTFILI 3, NMDESTFILI 30, QTCOESTCSSEG ... QTCOESTCSFER floats, Monday to Sunday then
// holiday), ordered by CDCLIENTE, CDDESTFILI (the screen's index order).
PacketPtr pontosEntregaPacket(db::Database& db, const std::string& filial, const std::string& servico);

}  // namespace cad::appserver
