# Helpers of bench/saver_figures.sh, which measures the running saver from outside under
# Xvfb: a DAMAGE watcher and the minimal Qt window program the start-up time is set against.
if(OPAL_BUILD_GUI)
  find_package(X11 COMPONENTS Xdamage)
  if(X11_Xdamage_FOUND)
    add_executable(opal_x_watch ${CMAKE_CURRENT_LIST_DIR}/x_watch.cpp)
    target_link_libraries(opal_x_watch PRIVATE X11::X11 X11::Xdamage)
    opal_set_warnings(opal_x_watch)
    # bench/desktop_figures.sh: the first lit pixel after the XScreenSaver daemon activates.
    add_executable(opal_first_drawing_watch ${CMAKE_CURRENT_LIST_DIR}/first_drawing_watch.cpp)
    target_link_libraries(opal_first_drawing_watch PRIVATE X11::X11 X11::Xdamage)
    opal_set_warnings(opal_first_drawing_watch)
  endif()
  add_executable(opal_minimal_window ${CMAKE_CURRENT_LIST_DIR}/minimal_window.cpp)
  target_link_libraries(opal_minimal_window PRIVATE Qt6::Widgets)
  opal_set_warnings(opal_minimal_window)
endif()
