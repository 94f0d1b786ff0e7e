if(ZR48_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
# A fuzz build instruments every library for libFuzzer's coverage and checks it with both
# sanitizers; only the fuzz programs themselves link libFuzzer's main.
if(ZR48_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ZR48_FUZZ needs clang (./build.sh fuzz uses clang++-14)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
