// A screen whose layout folder holds two faults; compiling it must fail naming both.
#include "tests/platform/framework/layout_binding_faults/binding.h"

namespace cad {

class TfrmFalhas : public TForm, public layout::falhas::TfrmFalhasComponents {
 public:
  TfrmFalhas() { layout::falhas::Load_falhas(*this); }
  void btnGravarClick(TComponent&) {}  // not the name the layout gives
};

}  // namespace cad

void instancia() { cad::TfrmFalhas tela; }
