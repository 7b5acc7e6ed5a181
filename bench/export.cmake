# The export codecs against ImageMagick and cjpeg; opal_export_cli gives our side a command
# line of its own for the comparison.
add_executable(opal_export_cli ${CMAKE_CURRENT_SOURCE_DIR}/export_cli.cpp)
target_link_libraries(opal_export_cli PRIVATE opal_export)
target_include_directories(opal_export_cli PRIVATE ${PROJECT_SOURCE_DIR})
opal_set_warnings(opal_export_cli)

find_package(JPEG REQUIRED)
opal_add_benchmark(opal_export_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/export_codecs_bench.cpp LIBS opal_export JPEG::JPEG)
target_compile_definitions(opal_export_bench PRIVATE OPAL_EXPORT_CLI="$<TARGET_FILE:opal_export_cli>")
add_dependencies(opal_export_bench opal_export_cli)

# The pause a GIF capture puts into the live view, against ImageMagick on the same frame.
opal_add_benchmark(opal_gif_capture_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/gif_capture_bench.cpp
                   LIBS opal_export opal_engine)

# The WebM and WebP writers against ffmpeg's libvpx-vp9 and img2webp on the same frames.
find_package(PNG REQUIRED)
opal_add_benchmark(opal_animation_encode_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/animation_encode_bench.cpp
                   LIBS opal_export PNG::PNG)

# The animation dialog's size estimate against real captures, and the ratios of its rule.
add_executable(opal_animation_estimate_figures ${CMAKE_CURRENT_SOURCE_DIR}/animation_estimate_figures.cpp)
target_link_libraries(opal_animation_estimate_figures PRIVATE opal_export opal_engine)
target_include_directories(opal_animation_estimate_figures PRIVATE ${PROJECT_SOURCE_DIR})
opal_set_warnings(opal_animation_estimate_figures)
