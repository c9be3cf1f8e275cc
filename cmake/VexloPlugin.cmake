# vexlo_add_plugin(<target> OUTPUT_NAME <name> SOURCES <files...> [LIBRARIES <targets...>])
# A VST 2.4 plug-in library that exports exactly VSTPluginMain and main and links nothing but
# the platform.
function(vexlo_add_plugin target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/frame/plugin_entry.cpp)
  target_link_libraries(${target} PRIVATE vexlo_frame vexlo_platform ${ARG_LIBRARIES})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME "${ARG_OUTPUT_NAME}"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/frame/plugin_exports_win32.def)
  else()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/frame/entry_alias_posix.cpp)
    target_link_options(${target} PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/frame/plugin_exports_posix.map)
    if(NOT VEXLO_SANITIZE)
      # Sanitizer runtimes live in the program that loads the plug-in.
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
endfunction()

# vexlo_bitmaps(<target> FUNCTION <name> BITMAPS <id> <file.bmp> ...)
# Gives a target its editor bitmaps: embedded in the code, reached through <name>(), and on
# Windows also as bitmap resources of the library, compiled from a generated .rc file.
function(vexlo_bitmaps target)
  cmake_parse_arguments(ARG "" "FUNCTION;RC_TARGET" "BITMAPS" ${ARGN})
  set(entries "")
  set(files "")
  set(rc "")
  list(LENGTH ARG_BITMAPS count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET ARG_BITMAPS ${i} id)
    list(GET ARG_BITMAPS ${j} file)
    set(path ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    list(APPEND entries "${id}=${path}")
    list(APPEND files ${path})
    string(APPEND rc "${id} BITMAP \"${path}\"\n")
  endforeach()
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DFUNCTION=${ARG_FUNCTION} "-DENTRIES=${entries}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBitmaps.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedBitmaps.cmake VERBATIM)
  target_sources(${target} PRIVATE ${output})
  if(WIN32 AND ARG_RC_TARGET)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.rc "${rc}")
    target_sources(${ARG_RC_TARGET} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.rc)
  endif()
endfunction()
