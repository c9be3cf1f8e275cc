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
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32/plugin_exports.def)
  else()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/posix/entry_alias.cpp)
    target_link_options(${target} PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/platform/posix/plugin_exports.map)
    if(NOT VEXLO_SANITIZE)
      # Sanitizer runtimes live in the program that loads the plug-in.
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
endfunction()
