# Shared settings for every target of the project.

function(echora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Woverloaded-virtual)
  if(ECHORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# echora_library(name SOURCES ... DEPS ...): a static library of one folder.
function(echora_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
  echora_warnings(${name})
endfunction()

# echora_test(name SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...] [OFFSCREEN]): one QtTest executable.
# Tests run with the display and sound server that scripts/test.sh provides.
function(echora_test name)
  cmake_parse_arguments(T "OFFSCREEN" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} echora_testsupport Qt6::Test)
  echora_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(T_OFFSCREEN)
    # Plain widgets render without a display; OpenGL needs the X server.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
