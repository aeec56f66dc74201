# The Audio Unit binding's ClassInfo restore from arbitrary property-list bytes.
qorv_add_fuzzer(classinfo SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ClassInfoFuzz.cpp LIBS qorv_example_plugin
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/classinfo SECONDS 5)
