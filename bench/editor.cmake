# The editor's work per slider step: the change spread by the editor's rules and the
# repaints of the seven thumbnails and the shape-stack browser at the editor's sizes.
opal_add_benchmark(opal_editor_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_slider_bench.cpp LIBS opal_editor_logic)
