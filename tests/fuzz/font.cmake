# Font loading and glyph rendering from arbitrary bytes.
qorv_add_fuzzer(font_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/FontLoadFuzz.cpp LIBS qorv_vector
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/font_load SECONDS 5)
# Text layout (drawing, measuring, line breaking, text boxes) of arbitrary bytes as UTF-8.
qorv_add_fuzzer(text_layout SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/TextLayoutFuzz.cpp LIBS qorv_vector qorv_test_vector
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/text_layout SECONDS 5)
