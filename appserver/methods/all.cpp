// The list of method areas. Registration is explicit (no static initialisers) because the methods
// live in a static library, whose unreferenced objects the linker would drop.
#include "appserver/methods/methods.h"

namespace cad::appserver {

void registerAllMethods(Registry& r) {
  registerServiceMethods(r);
  registerAccessMethods(r);
  registerParameterMethods(r);
  registerDietMethods(r);
  registerLookupMethods(r);
  registerBillingMethods(r);
  registerMenuConfigMethods(r);
  registerShiftMethods(r);
  registerStandardCostMethods(r);
  registerPackagingMethods(r);
  registerDeliveryPointMethods(r);
  registerBranchGroupMethods(r);
  registerPackagingTransferMethods(r);
  registerBranchServiceListMethods(r);
  registerReportMethods(r);
  registerAutoCostMethods(r);
  registerReplicaMethods(r);
  registerExportMethods(r);
  registerHistoryMethods(r);
}

}  // namespace cad::appserver
