opal_add_benchmark(opal_presets_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/presets_load_bench.cpp LIBS opal_presets)
target_compile_definitions(opal_presets_bench PRIVATE "OPAL_BENCH_SOURCE_DIR=\"${PROJECT_SOURCE_DIR}\"")
