# The translations, built into vimbrel_startup (included from src/startup).
# English is the source text. translations/vimbrel_<lang>.ts is the committed work;
# lrelease makes the .qm from it at every build and it is compiled in under :/i18n.
#
#   cmake --build build --target update_translations   refresh the .ts from the sources
#
# New texts then appear in the .ts unfinished; translate them (Qt Linguist or by
# hand), drop type="unfinished", rebuild. tst_german fails while any is left.
set(VIMBREL_TS_FILES ${PROJECT_SOURCE_DIR}/translations/vimbrel_de.ts)
# Only the window layers show text to the player; host, protocol and rules never
# translate (their texts go on the wire or into files).
file(GLOB_RECURSE VIMBREL_TR_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/client/*.cpp ${PROJECT_SOURCE_DIR}/src/client/*.h
     ${PROJECT_SOURCE_DIR}/src/table/*.cpp ${PROJECT_SOURCE_DIR}/src/table/*.h
     ${PROJECT_SOURCE_DIR}/src/tally/*.cpp ${PROJECT_SOURCE_DIR}/src/tally/*.h
     ${PROJECT_SOURCE_DIR}/src/lobby/*.cpp ${PROJECT_SOURCE_DIR}/src/lobby/*.h
     ${PROJECT_SOURCE_DIR}/src/widgets/*.cpp ${PROJECT_SOURCE_DIR}/src/widgets/*.h
     ${PROJECT_SOURCE_DIR}/src/startup/*.cpp ${PROJECT_SOURCE_DIR}/src/startup/*.h)
list(SORT VIMBREL_TR_SOURCES)
# No line numbers and no vanished entries, so the committed file only changes when
# a text does.
set(VIMBREL_LUPDATE_OPTIONS -silent -no-obsolete -locations none)

qt_add_lupdate(vimbrel_startup TS_FILES ${VIMBREL_TS_FILES} SOURCES ${VIMBREL_TR_SOURCES}
               INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/src
               OPTIONS ${VIMBREL_LUPDATE_OPTIONS})
qt_add_lrelease(vimbrel_startup TS_FILES ${VIMBREL_TS_FILES} QM_FILES_OUTPUT_VARIABLE vimbrel_qm_files)
qt_add_resources(vimbrel_startup vimbrel_translations PREFIX /i18n BASE ${CMAKE_CURRENT_BINARY_DIR}
                 FILES ${vimbrel_qm_files})

# Every build also runs lupdate over a copy in the build folder, never over the
# committed file; tst_german compares the two, so a text nobody translated yet fails
# a test instead of dirtying the checkout.
set(VIMBREL_TS_FRESH_DIR ${CMAKE_BINARY_DIR}/translations)
set(vimbrel_ts_list ${VIMBREL_TS_FRESH_DIR}/sources.lst)
string(REPLACE ";" "\n" vimbrel_ts_list_text "${VIMBREL_TR_SOURCES}")
file(GENERATE OUTPUT ${vimbrel_ts_list} CONTENT "${vimbrel_ts_list_text}\n")
set(vimbrel_fresh_ts "")
foreach(ts ${VIMBREL_TS_FILES})
  get_filename_component(ts_name ${ts} NAME)
  set(fresh ${VIMBREL_TS_FRESH_DIR}/${ts_name})
  add_custom_command(OUTPUT ${fresh}
                     COMMAND ${CMAKE_COMMAND} -E copy ${ts} ${fresh}
                     COMMAND Qt6::lupdate ${VIMBREL_LUPDATE_OPTIONS} -I ${PROJECT_SOURCE_DIR}/src
                             @${vimbrel_ts_list} -ts ${fresh}
                     DEPENDS ${ts} ${VIMBREL_TR_SOURCES} ${vimbrel_ts_list} Qt6::lupdate
                     COMMENT "Looking for texts ${ts_name} does not have yet"
                     VERBATIM)
  list(APPEND vimbrel_fresh_ts ${fresh})
endforeach()
add_custom_target(vimbrel_ts_fresh ALL DEPENDS ${vimbrel_fresh_ts})
