qorv_add_fuzzer(qorv_classinfo SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/QorvClassInfoFuzzer.cpp LIBS qorv_plugin qorv_test_plugin CORPUS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/qorv_classinfo)
