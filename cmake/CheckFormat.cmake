# Fails when any C++ source of the project differs from what clang-format makes of it.
file(GLOB_RECURSE sources RELATIVE ${ROOT}
     ${ROOT}/app/*.cpp ${ROOT}/app/*.h ${ROOT}/practice/*.cpp ${ROOT}/practice/*.h
     ${ROOT}/media/*.cpp ${ROOT}/media/*.h ${ROOT}/record/*.cpp ${ROOT}/record/*.h
     ${ROOT}/plot/*.cpp ${ROOT}/plot/*.h ${ROOT}/text/*.cpp ${ROOT}/text/*.h
     ${ROOT}/library/*.cpp ${ROOT}/library/*.h ${ROOT}/export/*.cpp ${ROOT}/export/*.h
     ${ROOT}/widgets/*.cpp ${ROOT}/widgets/*.h ${ROOT}/frames/*.cpp ${ROOT}/frames/*.h
     ${ROOT}/resources/*.cpp ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h ${ROOT}/tools/*.cpp
     ${ROOT}/tools/*.h ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h)
set(bad "")
foreach(f ${sources})
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${f}
                  WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(APPEND bad ${f})
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "Not formatted (run clang-format -i): ${bad}")
endif()
message(STATUS "All sources formatted")
