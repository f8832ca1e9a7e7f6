# Warnings and sanitizers as one INTERFACE target that every target of ours links.
add_library(nivora_options INTERFACE)
target_compile_options(nivora_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
if(NIVORA_WERROR)
  target_compile_options(nivora_options INTERFACE -Werror)
endif()
if(NIVORA_SANITIZE)
  target_compile_options(nivora_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(nivora_options INTERFACE -fsanitize=address,undefined)
endif()

# ThreadSanitizer: every printer of a many-printer run has a thread of its own.
if(NIVORA_SANITIZE_THREAD)
  target_compile_options(nivora_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(nivora_options INTERFACE -fsanitize=thread)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()
