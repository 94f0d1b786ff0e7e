# zr48_warnings: every target of the project links this for the same, clean warning level.
add_library(zr48_warnings INTERFACE)
target_compile_options(zr48_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
