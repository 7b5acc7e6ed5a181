# OPAL_SANITIZE builds every target, tests included, with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report ends the process with a failure.
if(OPAL_SANITIZE)
  set(opal_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${opal_sanitize_flags})
  add_link_options(-fsanitize=address,undefined)
endif()

# OPAL_FUZZ compiles everything with coverage for libFuzzer; fuzz targets then link the fuzzer main.
if(OPAL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "OPAL_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
