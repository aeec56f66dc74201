# Font loading and glyph rendering from arbitrary bytes.
qorv_add_fuzzer(font_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/FontLoadFuzz.cpp LIBS qorv_vector
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/font_load SECONDS 5)
