# What keeps the build short on a small machine. Measured: parsing Qt's widget headers takes about
# two thirds of each window's compile; GoogleTest's, GoogleMock's and the standard library's headers
# a third of each test's, and optimizing the test code itself another half.

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
