# The command-line switch of the screen-saver host.
opal_add_fuzzer(fuzz_read_switch SOURCES fuzz_read_switch.cpp LIBS opal_app_logic)
