cmake_minimum_required(VERSION 3.25)
# The folders of src/ as layers: which folders each may include, and which may include Qt. Run as a
# test: cmake -DROOT=<source folder> -P CheckLayers.cmake. It names every include that breaks the
# table, so that a window's header pulled into the logic, or an arrow that runs back up, fails the
# tests instead of slipping in unseen.
#
# A row: folder | the folders its files may include ("desktop/*": every folder below desktop) |
# which Qt headers: "none", "core" (QtCore only) or "all". An include belongs to the longest folder
# of the table that holds it, so `link` does not open `link/drivers`.
set(layers
    "base|base|none"
    "base/qt|base base/qt|core"
    "base/qtgui|base base/qtgui|all"
    "project|base project|none"
    "link|base link|none"
    # The simulator is an ordinary driver: the one arrow from a lower folder to a higher one.
    "link/drivers|base link link/drivers sim|none"
    "sim|base link link/drivers sim|none"
    "tools|base project link tools|none"
    "infrared|base project link infrared|none"
    "files|base project link infrared files|none"
    "desktop/common|base base/qt project link link/drivers sim tools infrared files desktop/common|all"
    "desktop/editor|base base/qt project link link/drivers sim tools infrared files desktop/common desktop/editor|all"
    "desktop/project|base base/qt project link link/drivers sim tools infrared files desktop/common desktop/editor desktop/project|all"
    "desktop/tools|base base/qt project link link/drivers sim tools infrared files desktop/common desktop/tools|all"
    "desktop/infrared|base base/qt project link link/drivers sim tools infrared files desktop/common desktop/infrared|all"
    "desktop/main|base base/qt base/qtgui project link link/drivers sim tools infrared files desktop/*|all"
    "cli|base base/qt base/qtgui project link link/drivers sim tools infrared files cli|core"
    "manual|base project link sim tools infrared files cli desktop/* manual|core"
)

# Qt's headers that QtCore holds (the cli and base/qt may use these, and no more).
set(qt_core_headers QCoreApplication QDir QEventLoop QFile QFileInfo QList QObject QSettings QString
    QStringList QTimer QByteArray QLocale QStandardPaths QVariant QtGlobal)

if(NOT ROOT)
    message(FATAL_ERROR "usage: cmake -DROOT=<source folder> -P CheckLayers.cmake")
endif()

# The row of a file or include path: the longest folder of the table that holds it.
function(row_of file out_folder out_allowed out_qt)
    set(best "")
    set(allowed "")
    set(qt "")
    foreach(row IN LISTS layers)
        string(REPLACE "|" ";" fields "${row}")
        list(GET fields 0 folder)
        string(LENGTH "${folder}" length)
        string(LENGTH "${best}" best_length)
        if(file MATCHES "^${folder}/" AND length GREATER best_length)
            set(best "${folder}")
            list(GET fields 1 allowed)
            list(GET fields 2 qt)
        endif()
    endforeach()
    set(${out_folder} "${best}" PARENT_SCOPE)
    string(REPLACE " " ";" allowed "${allowed}")
    set(${out_allowed} "${allowed}" PARENT_SCOPE)
    set(${out_qt} "${qt}" PARENT_SCOPE)
endfunction()

# Whether `path` (as an include writes it) lies in one of the `allowed` folders.
function(include_allowed path allowed out)
    row_of("${path}" folder unused_allowed unused_qt)
    if(folder STREQUAL "")
        string(REGEX REPLACE "/.*" "" folder "${path}")
    endif()
    string(REGEX REPLACE "/[^/]*$" "/*" parent "${folder}")
    if("${folder}" IN_LIST allowed OR "${parent}" IN_LIST allowed)
        set(${out} TRUE PARENT_SCOPE)
    else()
        set(${out} FALSE PARENT_SCOPE)
    endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE "${ROOT}/src" "${ROOT}/src/*.h" "${ROOT}/src/*.cpp")
set(problems "")
foreach(file IN LISTS sources)
    row_of("${file}" folder allowed qt)
    if(folder STREQUAL "")
        continue()
    endif()
    file(STRINGS "${ROOT}/src/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
        if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
            set(path "${CMAKE_MATCH_1}")
            # A name without a folder is a file beside it (or a generated one, such as Version.h).
            if(NOT path MATCHES "/")
                continue()
            endif()
            include_allowed("${path}" "${allowed}" ok)
            if(NOT ok)
                list(JOIN allowed ", " allowed_text)
                list(APPEND problems "src/${file} includes \"${path}\": ${folder} may use only ${allowed_text}")
            endif()
        elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)")
            set(header "${CMAKE_MATCH_1}")
            if(qt STREQUAL "none")
                list(APPEND problems "src/${file} includes <${header}>: ${folder} is free of Qt")
            elseif(qt STREQUAL "core")
                list(FIND qt_core_headers "${header}" known)
                if(known EQUAL -1)
                    list(APPEND problems "src/${file} includes <${header}>: ${folder} may use Qt Core only")
                endif()
            endif()
        endif()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Includes against the layers of src/:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "The includes of ${count} files keep to the layers.")
