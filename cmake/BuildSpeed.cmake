# What keeps the build short on a small machine. Measured in CPU seconds: parsing Qt's widget
# headers takes up to two thirds of a window's compile, so the windows and their tests start from
# them precompiled (about 20 s per target to make, 1 to 3 s saved per source). Optimizing the test
# code takes about 40 % of a test's compile, so it is built with -Og (tests/CMakeLists.txt). The
# logic and its tests parse little beside GoogleTest and the standard library: precompiled, these
# saved under 1 s per source and cost 12 s per target, so they are not.

option(ZR48_PRECOMPILED_HEADERS "Precompile the headers that the windows and the tests share" ON)

set(ZR48_PCH_STANDARD <algorithm> <cstdint> <filesystem> <functional> <map> <memory> <optional> <set> <sstream>
    <string> <string_view> <vector>)
set(ZR48_PCH_TESTS <gtest/gtest.h> <gmock/gmock.h>)
set(ZR48_PCH_WIDGETS <QApplication> <QCheckBox> <QComboBox> <QDialog> <QGridLayout> <QHBoxLayout> <QHeaderView>
    <QImage> <QLabel> <QLineEdit> <QMessageBox> <QPainter> <QPlainTextEdit> <QPointer> <QProgressBar>
    <QPushButton> <QTimer> <QTreeWidget> <QVBoxLayout> <QWidget>)
set(ZR48_PCH_QTEST <QTest>)

# zr48_precompile_headers(TARGET SETS...): TARGET's sources start from the named sets of headers,
# compiled once for the target (its own flags and definitions).
function(zr48_precompile_headers target)
    if(NOT ZR48_PRECOMPILED_HEADERS)
        return()
    endif()
    set(headers "")
    foreach(set IN LISTS ARGN)
        list(APPEND headers ${ZR48_PCH_${set}})
    endforeach()
    target_precompile_headers(${target} PRIVATE ${headers})
    # A header that cannot be used is said, not passed over in silence.
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Winvalid-pch>)
endfunction()

# ccache caches compiles that use a precompiled header only with these allowances.
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$" AND ZR48_PRECOMPILED_HEADERS)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros
                                    ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
