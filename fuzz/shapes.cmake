opal_add_fuzzer(shape_block_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/shape_block_fuzz.cpp LIBS opal_shapes)
