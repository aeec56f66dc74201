qorv_add_fuzzer(image_decode SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ImageDecodeFuzz.cpp LIBS qorv_vector qorv_test_vector
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/image_decode SECONDS 5)
