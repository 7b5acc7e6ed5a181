opal_add_benchmark(opal_shapes_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/shapes_sprite_bench.cpp LIBS opal_shapes)
