qorv_add_fuzzer(xml_node_tree SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/XmlNodeTreeFuzz.cpp LIBS qorv_mixer
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/xml_node_tree SECONDS 5)
