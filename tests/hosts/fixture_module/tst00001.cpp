// A screen module with no screen, for the loader's tests: it exports the entry table the way a
// screen module does, and its entries only write into their parameters.
#include "platform/framework/screen_module.h"

namespace {

void conta(cad::VariantArray& params) { params.push_back(cad::Variant(static_cast<long long>(params.size()))); }
void eco(cad::VariantArray& params) { params.push_back(cad::Variant("eco")); }

const CadServEntry kEntries[] = {
    {"Conta", conta},
    {"EcoTexto", eco},
    {nullptr, nullptr},
};

}  // namespace

extern "C" const CadServEntry* CadServEntries() { return kEntries; }
