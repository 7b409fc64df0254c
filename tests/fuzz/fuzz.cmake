# The libFuzzer targets (GVS_FUZZ, clang only): gvs-fuzz-threeds, gvs-fuzz-scene and
# gvs-fuzz-picture, one per function of fuzz_targets.hpp. scripts/fuzz configures its
# own build folder with them and with the sanitizers; the normal build never needs clang.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "GVS_FUZZ needs clang (libFuzzer): configure with CC=clang-14 CXX=clang++-14, or use scripts/fuzz")
endif()
set(_gvs_fuzz_targets "threeds=fuzzThreeDsReader" "scene=fuzzThreeDsScene" "picture=fuzzPictureReader")
foreach(pair IN LISTS _gvs_fuzz_targets)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 function)
  add_executable(gvs-fuzz-${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_entry.cpp ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_targets.cpp)
  set_target_properties(gvs-fuzz-${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_compile_definitions(gvs-fuzz-${name} PRIVATE GVS_FUZZ_TARGET=${function})
  target_link_libraries(gvs-fuzz-${name} PRIVATE gvs_engine)
  target_link_options(gvs-fuzz-${name} PRIVATE -fsanitize=fuzzer)
endforeach()
