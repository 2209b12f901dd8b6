// Simulated ole32/oleaut32: streams over movable memory and pictures.
#include "sim_internal.h"

namespace sim {
void reset_ole() {}
} // namespace sim
