# Warnings for the project's own targets.
function(opal_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-align -Wnull-dereference -Wdouble-promotion
                                           -Wformat=2 -Wimplicit-fallthrough)
endfunction()
