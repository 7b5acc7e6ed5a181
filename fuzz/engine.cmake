# The renderer drawing any preset with any settings.
opal_add_fuzzer(render_scene_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/render_scene_fuzz.cpp LIBS opal_engine)
