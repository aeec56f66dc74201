# The XML property-list reader and writer on arbitrary bytes.
qorv_add_fuzzer(property_list SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PropertyListFuzz.cpp LIBS qorv_platform
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/property_list SECONDS 5)
