// libFuzzer's entry for one target, chosen when this file is compiled
// (GVS_FUZZ_TARGET names one of the functions of fuzz_targets.hpp).
#include "tests/fuzz/fuzz_targets.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return GVS_FUZZ_TARGET(data, size); }
