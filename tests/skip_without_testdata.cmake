# Runs the suites that read real-editor 3DS files with GVS_TESTDATA pointing at an
# empty folder: they must pass, and exactly the tests that need those files must
# report themselves skipped.
set(expected_skips
  ThreeDsRealFiles.CountsNamesAndCameras
  ThreeDsReaderRobustness.TruncationsAndRandomByteFlipsOfTheEditorFiles
  EngineToolsOnEditorFiles.ViewFollowsTheTargetCameraKeys
  EngineToolsOnEditorFiles.ViewFollowsTheRollKeys
  EngineToolsOnEditorFiles.ViewFramesFilesWithoutCameraAndDumps)
file(MAKE_DIRECTORY "${EMPTY}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env GVS_TESTDATA=${EMPTY} ${TESTS} --gtest_filter=ThreeDs*:EngineTools*
  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the suites failed without the real-editor files (status ${status}):\n${out}")
endif()
list(LENGTH expected_skips count)
foreach(name IN LISTS expected_skips)
  string(FIND "${out}" "[  SKIPPED ] ${name}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${name} did not skip:\n${out}")
  endif()
endforeach()
string(FIND "${out}" "[  SKIPPED ] ${count} tests" at)
if(at EQUAL -1)
  message(FATAL_ERROR "other tests than the ${count} expected skipped:\n${out}")
endif()
string(REGEX MATCHALL "needs the real-editor file [^\n]*" reasons "${out}")
list(REMOVE_DUPLICATES reasons)
foreach(reason IN LISTS reasons)
  message(STATUS "${reason}")
endforeach()
