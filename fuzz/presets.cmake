# Readers of the preset and settings files and of the key store's text.
opal_add_fuzzer(fuzz_preset_reader SOURCES fuzz_preset_reader.cpp LIBS opal_presets)
opal_add_fuzzer(fuzz_settings_file SOURCES fuzz_settings_file.cpp LIBS opal_presets)
opal_add_fuzzer(fuzz_key_store_parser SOURCES fuzz_key_store_parser.cpp LIBS opal_platform)
