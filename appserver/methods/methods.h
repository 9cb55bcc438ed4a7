// The remote methods of the application server, one registration function per area. Every area's
// file documents, next to each method, what the server does with it. Besides that, for every
// method: an unknown or inactive operator is refused before it runs, and so is a read of a branch
// the operator cannot access, for the methods that declare their branch argument (Method::branchArg).
#pragma once

namespace cad::appserver {

class Registry;

// The server name the screens connect to.
inline constexpr const char* kCadastroServ = "Ger04100.rdmCadastroServ";

void registerAllMethods(Registry& r);

// Areas.
void registerServiceMethods(Registry& r);            // general parameters, service list and record
void registerAccessMethods(Registry& r);             // operator groups and authorizations
void registerParameterMethods(Registry& r);          // branch parameters (requisition per dish, planning)
void registerDietMethods(Registry& r);               // estimated diners per diet
void registerLookupMethods(Registry& r);             // hospitalization standards, billing products
void registerBillingMethods(Registry& r);            // billing equivalences and effective entries
void registerMenuConfigMethods(Registry& r);         // default menu configuration
void registerShiftMethods(Registry& r);              // shifts of a corporate service
void registerStandardCostMethods(Registry& r);       // standard cost per month and dish type
void registerPackagingMethods(Registry& r);          // packaging distribution and restrictions
void registerDeliveryPointMethods(Registry& r);      // clients and delivery points of a corporate service
void registerBranchGroupMethods(Registry& r);        // branch groups and their branches
void registerPackagingTransferMethods(Registry& r);  // packaging configuration import and export
void registerBranchServiceListMethods(Registry& r);  // branches and services across a group (listing)
void registerReportMethods(Registry& r);             // report data: the named queries of the reports
void registerAutoCostMethods(Registry& r);           // automatic standard-cost maintenance over many services
void registerReplicaMethods(Registry& r);            // copy of a service under new codes
void registerExportMethods(
    Registry& r);  // diners to other diets and to the menu planning, menu configuration to other services
void registerHistoryMethods(Registry& r);  // change history of a service (audit trail)

}  // namespace cad::appserver
