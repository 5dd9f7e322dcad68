#include "history/module2.h"

namespace Module2 {

std::vector<voce_patch> storico_patch;

}  // namespace Module2
