# The command-line switch of the screen-saver host.
opal_add_fuzzer(fuzz_read_switch SOURCES fuzz_read_switch.cpp LIBS opal_app_logic)

# The long options of the desktop daemon's display-mode command line.
opal_add_fuzzer(fuzz_hack_options SOURCES fuzz_hack_options.cpp LIBS opal_app_logic)
