# The renderer's hot paths: the blur pass against memcpy, one sprite drawn and presented at
# 1920 x 1080, and the CPU the saver costs per second stepped once per display refresh.
opal_add_benchmark(opal_engine_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine_filters_bench.cpp ${CMAKE_CURRENT_SOURCE_DIR}/engine_renderer_bench.cpp
  LIBS opal_engine)
# The floor under the saver's drawing: the renderer's sprites for shipped presets composited,
# copied as plain painted runs, and presented, with the pixels presented against painted.
opal_add_benchmark(opal_engine_floor_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine_floor_bench.cpp
  LIBS opal_engine)
target_compile_definitions(opal_engine_floor_bench PRIVATE OPAL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
