# The SVG parser on arbitrary bytes; the parsed model must keep the shape every reader relies on.
qorv_add_fuzzer(svg
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SVGFuzz.cpp ${CMAKE_SOURCE_DIR}/tests/svg/SVGtestSupport.cpp
  LIBS qorv_svg
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/svg)
