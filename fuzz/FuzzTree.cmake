# Included by the top-level CMakeLists.txt when PALAVO_FUZZ is ON: a clang tree that
# holds only what the fuzz targets and the sanitizer tests need, every object built with
# AddressSanitizer and UndefinedBehaviorSanitizer. A report of undefined behaviour aborts,
# so the fuzzer counts it as a finding.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "PALAVO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

# Only what an executable of fuzz/ links is built: not the call module, the loader,
# notifications or history, which nothing here runs.
add_subdirectory(platform EXCLUDE_FROM_ALL)
add_subdirectory(engine EXCLUDE_FROM_ALL)
# For asan_tests (fuzz/CMakeLists.txt): the component the host re-enters.
add_subdirectory(component EXCLUDE_FROM_ALL)

# The fuzzer's coverage goes only where the fuzz targets look for new paths: the code
# page and the engine (and the targets' own sources, fuzz/CMakeLists.txt). The component
# and the call client are run by the sanitizer tests alone and do without it.
target_compile_options(palavo_platform PRIVATE -fsanitize=fuzzer-no-link)
target_compile_options(palavo_engine PRIVATE -fsanitize=fuzzer-no-link)

add_subdirectory(fuzz)
