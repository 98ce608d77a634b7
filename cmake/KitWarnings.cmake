# Common compile settings for every target of the kit: kit_target_defaults(<target>).
add_library(kit_options INTERFACE)
target_compile_options(kit_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
  -Wno-missing-field-initializers)
if(KIT_WERROR)
  target_compile_options(kit_options INTERFACE -Werror)
endif()
if(KIT_SANITIZE)
  target_compile_options(kit_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
  target_link_options(kit_options INTERFACE -fsanitize=address,undefined)
endif()
if(KIT_FUZZ)
  # Coverage instrumentation for everything; the fuzzer main is linked into the fuzz targets only.
  target_compile_options(kit_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
target_include_directories(kit_options INTERFACE ${PROJECT_SOURCE_DIR})

function(kit_target_defaults target)
  target_link_libraries(${target} PRIVATE kit_options)
endfunction()

# kit_library(<name> SOURCES ... [DEPS ...]): a static library of one room.
# Headers are included by their path from the top of the tree: #include "platform/fs/paths.h".
function(kit_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE kit_options)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# kit_fuzzer(<name> SOURCES ... DEPS ...): a libFuzzer target, only with KIT_FUZZ (clang).
function(kit_fuzzer name)
  if(NOT KIT_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} kit_options)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
