qorv_add_fuzzer(state_chunk SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/StateChunkFuzzer.cpp LIBS qorv_mixer CORPUS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/state_chunk)
