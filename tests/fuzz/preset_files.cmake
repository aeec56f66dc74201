qorv_add_fuzzer(preset_files SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PresetFilesFuzz.cpp LIBS qorv_framework
                CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/preset_files SECONDS 5)
