# Included by the top-level CMakeLists.txt when PALAVO_FUZZ is ON: a clang tree that
# holds only what the fuzz targets and the one sanitizer test need, every object built
# with the fuzzer's coverage and with AddressSanitizer and UndefinedBehaviorSanitizer.
# A report of undefined behaviour aborts, so the fuzzer counts it as a finding.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "PALAVO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

add_subdirectory(platform)
add_subdirectory(engine)
# For asan_tests (fuzz/CMakeLists.txt): the component the host re-enters.
add_subdirectory(component)
add_subdirectory(fuzz)
