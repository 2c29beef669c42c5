# Helpers shared by the project's CMake files.

# zentrova_library(NAME DIRS dir... DEPS target...)
# One library per subsystem, built from every .cpp below the given folders.
function(zentrova_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;PRIVATE_DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# Scene classes register their names from their own files when a program starts (class_registration.h),
# but a program links from a static library only the files it uses. A library marked with
# zentrova_registers_classes(NAME) is therefore linked whole into every program that uses it, directly or
# through other libraries: zentrova_link_registering(PROGRAM) does that and runs for the tests and the
# benchmarks; other programs that use the scene library call it themselves.
function(zentrova_registers_classes name)
  set_property(TARGET ${name} PROPERTY ZENTROVA_REGISTERS_CLASSES ON)
endfunction()

function(zentrova_collect_registering item out_var)
  set(found ${${out_var}})
  string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
  if(NOT TARGET ${item})
    set(${out_var} ${found} PARENT_SCOPE)
    return()
  endif()
  get_target_property(aliased ${item} ALIASED_TARGET)
  if(aliased)
    set(item ${aliased})
  endif()
  if(item IN_LIST ZENTROVA_WALKED)
    set(${out_var} ${found} PARENT_SCOPE)
    return()
  endif()
  list(APPEND ZENTROVA_WALKED ${item})
  set(ZENTROVA_WALKED ${ZENTROVA_WALKED} PARENT_SCOPE)
  get_target_property(registers ${item} ZENTROVA_REGISTERS_CLASSES)
  if(registers)
    list(APPEND found ${item})
  endif()
  get_target_property(deps ${item} INTERFACE_LINK_LIBRARIES)
  foreach(dep IN LISTS deps)
    if(dep)
      zentrova_collect_registering("${dep}" found)
    endif()
  endforeach()
  set(ZENTROVA_WALKED ${ZENTROVA_WALKED} PARENT_SCOPE)
  set(${out_var} ${found} PARENT_SCOPE)
endfunction()

function(zentrova_link_registering program)
  set(ZENTROVA_WALKED)
  set(found)
  get_target_property(deps ${program} LINK_LIBRARIES)
  foreach(dep IN LISTS deps)
    if(dep)
      zentrova_collect_registering("${dep}" found)
    endif()
  endforeach()
  if(found)
    set(archives)
    foreach(lib IN LISTS found)
      list(APPEND archives "$<TARGET_FILE:${lib}>")
    endforeach()
    target_link_options(${program} PRIVATE "LINKER:--whole-archive" ${archives} "LINKER:--no-whole-archive")
  endif()
endfunction()

# zentrova_tests(NAME LABEL unit|gl|gui DEPS target... [SOURCES file...] [SHARDS n])
# One GoogleTest program, run by CTest as SHARDS processes (default 1) that split its tests between them:
# one process per test would start the sanitizer runtime hundreds of times. Without SOURCES it takes
# every *_test.cpp of the calling folder.
function(zentrova_tests name)
  cmake_parse_arguments(ARG "" "LABEL;SHARDS" "DEPS;SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  endif()
  if(NOT ARG_SOURCES)
    return()
  endif()
  if(NOT ARG_SHARDS)
    set(ARG_SHARDS 1)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  zentrova_link_registering(${name})
  target_compile_definitions(${name} PRIVATE
    ZENTROVA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    ZENTROVA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ZENTROVA_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  set(env
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1")
  if(ARG_LABEL STREQUAL "gl")
    # Off-screen GL tests never see a display: EGL goes through the surfaceless platform.
    list(APPEND env "EGL_PLATFORM=surfaceless" "LIBGL_ALWAYS_SOFTWARE=1")
  endif()
  math(EXPR last "${ARG_SHARDS} - 1")
  foreach(shard RANGE ${last})
    set(test_name ${name})
    if(ARG_SHARDS GREATER 1)
      set(test_name ${name}.${shard})
    endif()
    add_test(NAME ${test_name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${test_name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 900
      ENVIRONMENT "${env};GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${shard}")
  endforeach()
endfunction()
