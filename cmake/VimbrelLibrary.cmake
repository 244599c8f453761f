# Floors the build enforces. Every library and program under src/ is made with
# vimbrel_library(), which
#  - gives it an include folder of its own in the build tree, holding nothing but a link
#    to its own source folder (or to the headers it names), so "#include "x/y.h"" finds
#    only the folders of the target itself and of what it links;
#  - refuses at configure time a link to a library on the same or a higher floor;
#  - checks its floor and folder against the table in docs/layers.md, and that the table
#    names every folder under src/.
#
# vimbrel_library(NAME name FLOOR n [FOLDER path-under-src] [FROM dir] [HEADERS h...]
#                 [PROGRAM | INTERFACE] [EXCLUDE_FROM_ALL]
#                 [SOURCES ...] [LINKS ...] [PRIVATE_LINKS ...])
#   FOLDER   the folder under src/ whose headers it exposes, with the same include
#            strings as in the source tree ("protocol/messages.h").
#   FROM     the real folder behind FOLDER when it is not src/FOLDER (a generated one).
#   HEADERS  for a folder shared by several libraries: expose only these headers.
#   LINKS    public links; PRIVATE_LINKS private ones. Names with "::" (Qt, packages)
#            have no floor; every other one must be a lower floor's vimbrel_library.
#   Without FOLDER the target exposes nothing and is not in the table (test probes).
include_guard(GLOBAL)

get_filename_component(VIMBREL_FLOORS_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
if(NOT VIMBREL_LAYERS_TABLE) # a test may read another table
  set(VIMBREL_LAYERS_TABLE ${VIMBREL_FLOORS_ROOT}/docs/layers.md)
endif()

# The table's rows: | floor | `src/folder` | `target` | what lives there | may link |
function(_vimbrel_read_layers_table)
  file(STRINGS ${VIMBREL_LAYERS_TABLE} rows REGEX "^\\| *[0-9]+ *\\|")
  set(folders "")
  foreach(row IN LISTS rows)
    if(NOT row MATCHES "^\\| *([0-9]+) *\\| *`src/([^`]+)` *\\| *`([^`]+)`")
      message(FATAL_ERROR "${VIMBREL_LAYERS_TABLE}: a row the build cannot read:\n${row}")
    endif()
    set(floor ${CMAKE_MATCH_1})
    set(target ${CMAKE_MATCH_3})
    string(REGEX REPLACE "/$" "" folder "${CMAKE_MATCH_2}")
    set_property(GLOBAL PROPERTY VIMBREL_TABLE_FLOOR_${target} ${floor})
    set_property(GLOBAL PROPERTY VIMBREL_TABLE_FOLDER_${target} ${folder})
    list(APPEND folders ${folder})
  endforeach()
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${VIMBREL_FLOORS_ROOT}/src
       ${VIMBREL_FLOORS_ROOT}/src/*)
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${VIMBREL_FLOORS_ROOT}/src/${entry} AND NOT entry IN_LIST folders)
      message(FATAL_ERROR "docs/layers.md has no row for the folder src/${entry}")
    endif()
  endforeach()
endfunction()
_vimbrel_read_layers_table()

function(_vimbrel_link name)
  get_filename_component(parent ${name} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${ARGN} ${name} SYMBOLIC)
endfunction()

function(vimbrel_library)
  cmake_parse_arguments(PARSE_ARGV 0 L "PROGRAM;INTERFACE;EXCLUDE_FROM_ALL" "NAME;FLOOR;FOLDER;FROM"
                        "SOURCES;HEADERS;LINKS;PRIVATE_LINKS")
  if(NOT L_NAME OR NOT L_FLOOR MATCHES "^[0-9]+$")
    message(FATAL_ERROR "vimbrel_library needs NAME and a numeric FLOOR (${L_NAME})")
  endif()

  if(L_FOLDER)
    get_property(table_floor GLOBAL PROPERTY VIMBREL_TABLE_FLOOR_${L_NAME})
    get_property(table_folder GLOBAL PROPERTY VIMBREL_TABLE_FOLDER_${L_NAME})
    if(NOT DEFINED table_floor OR table_floor STREQUAL "")
      message(FATAL_ERROR "${L_NAME} has no row in docs/layers.md")
    endif()
    if(NOT table_floor EQUAL L_FLOOR OR NOT table_folder STREQUAL L_FOLDER)
      message(FATAL_ERROR "${L_NAME} is on floor ${L_FLOOR} in src/${L_FOLDER}, but docs/layers.md "
                          "puts it on floor ${table_floor} in src/${table_folder}")
    endif()
  endif()

  set(all "")
  if(L_EXCLUDE_FROM_ALL)
    set(all EXCLUDE_FROM_ALL)
  endif()
  if(L_PROGRAM)
    add_executable(${L_NAME} ${all} ${L_SOURCES})
    set(scope PRIVATE)
  elseif(L_INTERFACE)
    add_library(${L_NAME} INTERFACE)
    set(scope INTERFACE)
  else()
    add_library(${L_NAME} STATIC ${all} ${L_SOURCES})
    set(scope PUBLIC)
  endif()
  set_property(TARGET ${L_NAME} PROPERTY VIMBREL_FLOOR ${L_FLOOR})

  # Made afresh at each configure, so a header dropped from HEADERS is gone too.
  set(include ${CMAKE_BINARY_DIR}/floors/${L_NAME})
  file(REMOVE_RECURSE ${include} ${include}.borrowed)
  file(MAKE_DIRECTORY ${include})
  if(L_FOLDER)
    if(NOT L_FROM)
      set(L_FROM ${VIMBREL_FLOORS_ROOT}/src/${L_FOLDER})
    endif()
    if(L_HEADERS)
      foreach(header IN LISTS L_HEADERS)
        _vimbrel_link(${include}/${L_FOLDER}/${header} ${L_FROM}/${header})
      endforeach()
    else()
      _vimbrel_link(${include}/${L_FOLDER} ${L_FROM})
    endif()
  endif()
  target_include_directories(${L_NAME} ${scope} ${include})

  foreach(dep IN LISTS L_LINKS L_PRIVATE_LINKS)
    if(dep MATCHES "::")
      continue()
    endif()
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${L_NAME} links ${dep}, which is not made yet: "
                          "src/CMakeLists.txt makes the floors from the bottom up")
    endif()
    get_target_property(dep_floor ${dep} VIMBREL_FLOOR)
    if(dep_floor STREQUAL "dep_floor-NOTFOUND")
      message(FATAL_ERROR "${L_NAME} links ${dep}, which has no floor: make it with vimbrel_library")
    endif()
    if(NOT dep_floor LESS L_FLOOR)
      message(FATAL_ERROR "${L_NAME} (floor ${L_FLOOR}) may not link ${dep} (floor ${dep_floor}): "
                          "a library links only the floors below its own")
    endif()
  endforeach()
  if(L_INTERFACE)
    target_link_libraries(${L_NAME} INTERFACE ${L_LINKS})
  elseif(L_PROGRAM)
    target_link_libraries(${L_NAME} PRIVATE ${L_LINKS} ${L_PRIVATE_LINKS})
  else()
    target_link_libraries(${L_NAME} PUBLIC ${L_LINKS} PRIVATE ${L_PRIVATE_LINKS})
  endif()
endfunction()
