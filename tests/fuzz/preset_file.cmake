qorv_add_fuzzer(preset_file SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/PresetFileFuzzer.cpp LIBS qorv_mixer CORPUS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/preset_file)
