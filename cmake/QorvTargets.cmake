# qorv_unity_in_checking_builds(target): the address, thread and fuzz builds compile the target's sources
# eight at a time as one unit, which halves their compile time (most of it goes to the headers the files
# share). Sources marked SKIP_UNITY_BUILD_INCLUSION (file-local names that meet another file's) stay on
# their own. The release build compiles every file alone, so each stays complete by itself.
function(qorv_unity_in_checking_builds target)
  if(QORV_SANITIZE OR QORV_FUZZ)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    # gcc takes a type of an anonymous namespace in an included file (a test's fixture, here every source
    # of a unit) for one in a header that many units share, and warns of the classes built on it.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
    endif()
  endif()
endfunction()

# qorv_add_library(name DIRS dir... DEPS target...)
# A static library from the .cpp files directly inside each listed folder (not its sub-folders, which
# belong to other subsystems). A folder without sources yet gives an interface library, so later work
# only adds files. Includes are written from the repository root: #include "framework/IParam.h".
function(qorv_add_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
    qorv_unity_in_checking_builds(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} Threads::Threads)
  endif()
endfunction()

# qorv_add_test_binary(subsystem LIBS target... [SHARDS n])
# One GoogleTest binary from tests/<subsystem>/*.cpp, registered with CTest as n shards so that
# `ctest -j` spreads one binary over the cores.
function(qorv_add_test_binary subsystem)
  cmake_parse_arguments(ARG "" "SHARDS" "LIBS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subsystem}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(NOT ARG_SHARDS)
    set(ARG_SHARDS 1)
  endif()
  set(exe ${subsystem}_tests)
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${ARG_LIBS} qorv_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  # Test sources are compiled unoptimised with a precompiled GoogleTest header, one for every binary
  # (qorv_test_pch in tests/CMakeLists.txt): they are many and macro-heavy, and the libraries under test
  # keep their own optimisation and checks (QORV_TEST_SOURCE_OPTIONS).
  target_compile_options(${exe} PRIVATE ${QORV_TEST_SOURCE_OPTIONS})
  target_precompile_headers(${exe} REUSE_FROM qorv_test_pch)
  # Files whose file-local names would meet another file's are kept apart (QORV_UNITY_APART in
  # tests/CMakeLists.txt).
  qorv_unity_in_checking_builds(${exe})
  math(EXPR last "${ARG_SHARDS} - 1")
  foreach(i RANGE ${last})
    add_test(NAME ${subsystem}.${i} COMMAND ${exe} --gtest_brief=1)
    set_tests_properties(${subsystem}.${i} PROPERTIES
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${i}"
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      LABELS "${subsystem};${ARG_LABELS}")
  endforeach()
endfunction()

# qorv_add_fuzzer(name SOURCES file... LIBS target... CORPUS dir [SECONDS n])
# A libFuzzer target (fuzz build only). Its CTest entry runs it for a bounded time over a copy of the
# committed seed corpus; `build/fuzz/tests/fuzz/fuzz_<name> <corpus>` runs it for as long as wanted.
function(qorv_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 5)
  endif()
  set(exe fuzz_${name})
  add_executable(${exe} ${ARG_SOURCES})
  target_link_libraries(${exe} PRIVATE ${ARG_LIBS})
  target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzzers ${exe})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/corpus_${name})
  add_test(NAME fuzz.${name}
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:${exe}> -DSEEDS=${ARG_CORPUS} -DWORK=${work}
            -DSECONDS=${ARG_SECONDS} -P ${CMAKE_SOURCE_DIR}/cmake/RunFuzzer.cmake)
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz)
endfunction()

# qorv_add_au_bundle(name SOURCES file... LIBS target... IDENTIFIER id SUBTYPE code MANUFACTURER code
#                    COMPONENT_NAME text VERSION major.minor.patch [RESOURCES source name ...])
# An Audio Unit bundle folder <name>.component/Contents/ in the build folder: Info.plist (naming
# <name>_Entry and <name>_Factory), the shared library MacOS/<name> exporting them, and Resources/
# holding each RESOURCES source file under the name that follows it. The target's property
# QORV_RESOURCES_DIR names that folder, for resources made at build time.
function(qorv_add_au_bundle name)
  cmake_parse_arguments(ARG "" "IDENTIFIER;SUBTYPE;MANUFACTURER;COMPONENT_NAME;VERSION" "SOURCES;LIBS;RESOURCES" ${ARGN})
  set(contents ${CMAKE_BINARY_DIR}/${name}.component/Contents)
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  # Every symbol resolved when the bundle is linked: a missing definition fails the build, not the host's
  # loading. Not with clang's sanitizers, whose runtimes only the executable carries.
  if(NOT ((QORV_FUZZ OR QORV_SANITIZE) AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX "" LIBRARY_OUTPUT_DIRECTORY ${contents}/MacOS)
  string(REPLACE "." ";" parts ${ARG_VERSION})
  list(GET parts 0 major)
  list(GET parts 1 minor)
  list(GET parts 2 patch)
  math(EXPR BUNDLE_VERSION_NUMBER "(${major} << 16) + (${minor} << 8) + ${patch}")
  set(BUNDLE_NAME ${name})
  set(BUNDLE_IDENTIFIER ${ARG_IDENTIFIER})
  set(BUNDLE_VERSION ${ARG_VERSION})
  set(BUNDLE_SUBTYPE ${ARG_SUBTYPE})
  set(BUNDLE_MANUFACTURER ${ARG_MANUFACTURER})
  set(BUNDLE_COMPONENT_NAME ${ARG_COMPONENT_NAME})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/AUBundleInfo.plist.in ${contents}/Info.plist @ONLY)
  file(MAKE_DIRECTORY ${contents}/Resources)
  set_target_properties(${name} PROPERTIES QORV_RESOURCES_DIR ${contents}/Resources)
  while(ARG_RESOURCES)
    list(POP_FRONT ARG_RESOURCES source resource)
    configure_file(${source} ${contents}/Resources/${resource} COPYONLY)
  endwhile()
endfunction()
