// The library holds its references with the public ComPtr; this name is
// kept for code that still includes it from here.
#include "quenloft/com_ptr.h"
