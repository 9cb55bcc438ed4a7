// The lookup routines the screens call: single pick (Pesquisa), multiple pick with its selection
// text (Pesqlista), the search of a screen's own dataset (Procurar) and the product-code check
// (Tabvalid). They run the installed lookups service (services.h); the rules below are shared
// by every host.
//
// Rules:
//  - Titles come as one text "title|empty-list text" (the part after '|' is optional).
//  - A closed dataset is opened first (a query runs its SQL). An empty one shows the empty-list
//    text (or a standard text when none is given) as an information message and the lookup
//    returns false.
//  - A cancelled pick leaves the dataset's cursor where it was before the lookup.
//  - Selection text of a multiple pick: "_" before and after each key, in the dataset's order
//    ("_0001_0003_"); "" when the user confirmed without choosing anything. As the current
//    selection handed in, "T" means every row ("all"), and a row is marked when its key appears
//    between underscores.
//  - Pesquisa::KeyPressed is the key that opened the lookup (F6, F9...); a screen sets it before
//    calling, the lookup hands it to the host and clears it.
#pragma once

#include <string>
#include <vector>

namespace cad {

class DataSet;
class DataSource;

namespace Pesquisa {
extern int KeyPressed;

// Single pick over the dataset; true when a row was chosen (the cursor stands on it).
bool Pesquisar(DataSet& dataSet, const std::string& titles, const std::string& fields = {});
bool Pesquisar(DataSource& source, const std::string& titles, const std::string& fields = {});
// The same pick over a list that must be current: an open query is run again first.
bool Pesquisar_Plus(DataSet& dataSet, const std::string& titles, const std::string& fields = {});
bool Pesquisar_Plus(DataSource& source, const std::string& titles, const std::string& fields = {});
}  // namespace Pesquisa

namespace Pesqlista {
// Multiple pick keyed by `keyField`. `selection` is the current selection on entry and, when the
// user confirms, the new one (returns true); cancelling or an empty list keeps it (false).
bool PesquisaLista(DataSet& dataSet, const std::string& keyField, const std::string& titles, std::string& selection);
bool PesquisaLista(DataSource& source, const std::string& keyField, const std::string& titles, std::string& selection);
// Without a current selection: the selection text chosen, "" when cancelled.
std::string PesquisaLista(DataSet& dataSet, const std::string& keyField, const std::string& titles);
std::string PesquisaLista(DataSource& source, const std::string& keyField, const std::string& titles);
// The same lookup for lists whose keys combine several codes (branch and service, L_FILISERV);
// the selection text follows the same rules.
bool PesquisaListaMsg(DataSet& dataSet, const std::string& keyField, const std::string& titles, std::string& selection);
bool PesquisaListaMsg(DataSource& source, const std::string& keyField, const std::string& titles,
                      std::string& selection);

// The selection text of a list of keys, and the membership test used for the current selection.
std::string SelectionText(const std::vector<std::string>& keys);
bool InSelection(const std::string& selection, const std::string& key);
}  // namespace Pesqlista

namespace Procurar {
// The search of the screens' search button: the user picks a row of the dataset (open and not
// empty; otherwise nothing happens) and the cursor stays on it. True when a row was picked.
bool Procura(DataSet& dataSet);
bool Procura(DataSource& source);
}  // namespace Procurar

namespace Tabvalid {
// Product-code check over a product dataset (PRODUTO rows: CDARVPROD, optionally CDNVPRODUTO).
// An empty or closed dataset passes (the caller reports "not found"). The current row's tree
// code must be all digits with the length of a complete code (the digits of every NIVELPROD
// level) and, when the row carries its level, be of the last level; otherwise cad::Exception
// "Código de produto 'X' inválido." or "O código 'X' não é de um produto (nível N de M).".
void ValidEx(DataSet& dataSet);
void ValidEx(DataSource& source);
}  // namespace Tabvalid

// Wires TBtnPesquisa to the single pick (called when the library loads; callable again).
void InstallLookupButtonHook();

}  // namespace cad
