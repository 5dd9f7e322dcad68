#pragma once
#include <vector>

#include "history/voce_patch.h"

namespace Module2 {

/// The patch history as last read by Form1::controlla_file, in file order:
/// element i is the record whose indice is i. Filled anew on each reading.
extern std::vector<voce_patch> storico_patch;

}  // namespace Module2
