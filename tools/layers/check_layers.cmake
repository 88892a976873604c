# Checks every #include of the program's sources against the layer table in
# docs/architecture.md: a file may include headers of its own folder and of
# the folders its row lists under "May include" (an entry `folder/name.h`
# allows that one header of a folder below), and Qt headers only where its
# row's "Qt" column is not "none".
#
#   cmake -DSOURCE_DIR=<repo> -P tools/layers/check_layers.cmake
#
# Prints each offending line and fails when there is one.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

file(STRINGS ${SOURCE_DIR}/docs/architecture.md table_lines ENCODING UTF-8 REGEX "^\\| [0-9]+ \\|")
set(layers "")
foreach(line IN LISTS table_lines)
  # | n | `folder/` | targets | may include | Qt | holds |
  string(REPLACE "|" ";" cells "${line}")
  list(GET cells 2 folder_cell)
  list(GET cells 4 allowed_cell)
  list(GET cells 5 qt_cell)
  string(REGEX MATCH "`([a-z_]+)/`" _ "${folder_cell}")
  set(folder ${CMAKE_MATCH_1})
  if(NOT folder)
    message(FATAL_ERROR "layer table: no folder in: ${line}")
  endif()
  string(REGEX MATCHALL "`[a-z_]+`" allowed "${allowed_cell}")
  string(REPLACE "`" "" allowed "${allowed}")
  list(APPEND allowed ${folder})
  set(allowed_${folder} ${allowed})
  string(REGEX MATCHALL "`[a-z_]+/[a-z_]+\\.h`" headers "${allowed_cell}")
  string(REPLACE "`" "" headers "${headers}")
  set(headers_${folder} ${headers})
  string(STRIP "${qt_cell}" qt)
  set(qt_${folder} "${qt}")
  list(APPEND layers ${folder})
endforeach()

list(LENGTH layers layer_count)
if(layer_count LESS 2)
  message(FATAL_ERROR "layer table not found in docs/architecture.md")
endif()

# The table itself must be a one-way chain: a row lists only rows above it.
set(faults 0)
foreach(folder IN LISTS layers)
  list(FIND layers ${folder} own)
  foreach(other IN LISTS allowed_${folder})
    list(FIND layers ${other} index)
    if(index EQUAL -1 OR (index GREATER own))
      message("layer table: ${folder}/ may not include ${other}/ (not a layer below it)")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
  foreach(header IN LISTS headers_${folder})
    string(REGEX MATCH "^[a-z_]+" other "${header}")
    list(FIND layers ${other} index)
    if(index EQUAL -1 OR (index GREATER own))
      message("layer table: ${folder}/ may not include ${header} (not a layer below it)")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

foreach(folder IN LISTS layers)
  file(GLOB sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp
       ${SOURCE_DIR}/${folder}/*.inc)
  if(NOT sources)
    message(SEND_ERROR "layer ${folder}/ has no sources")
  endif()
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${source})
    foreach(inc IN LISTS includes)
      if(inc MATCHES "#[ \t]*include[ \t]*\"(([^\"/]+)/[^\"]*)\"")
        set(header ${CMAKE_MATCH_1})
        set(target ${CMAKE_MATCH_2})
        list(FIND allowed_${folder} ${target} found)
        if(found EQUAL -1)
          list(FIND headers_${folder} ${header} found)
        endif()
        if(found EQUAL -1)
          set(may ${allowed_${folder}} ${headers_${folder}})
          message("${rel}: ${inc}  (${folder}/ may include only: ${may})")
          math(EXPR faults "${faults} + 1")
        endif()
      elseif(inc MATCHES "#[ \t]*include[ \t]*\"[^\"/]+\"")
        # A header of the same folder.
      elseif(inc MATCHES "#[ \t]*include[ \t]*<Q" AND qt_${folder} STREQUAL "none")
        message("${rel}: ${inc}  (${folder}/ uses no Qt)")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layering")
endif()
message("layering: ${layer_count} layers, every include allowed")
