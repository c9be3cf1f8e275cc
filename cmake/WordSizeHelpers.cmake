# The bridge and probe for libraries of the other word size. The 32-bit Windows build names a
# copy of its own programs vexlo-bridge32.exe and vexlo-probe32.exe; the 64-bit Windows build
# takes those from the 32-bit build (VEXLO_WIN32_PROGRAMS, build/win32/bin by default) and puts
# them beside its Vexlo VM, and both install them, so that a 64-bit host's Vexlo VM hosts 32-bit
# plug-ins. Without a 32-bit build the 64-bit one still builds; Vexlo VM then says which program
# a 32-bit plug-in needs.
if(NOT WIN32)
  return()
endif()

set(word_size_helpers vexlo-bridge32.exe vexlo-probe32.exe)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_custom_target(vexlo-word-size-helpers ALL
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vexlo-bridge> ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/vexlo-bridge32.exe
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vexlo-probe> ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/vexlo-probe32.exe
    DEPENDS vexlo-bridge vexlo-probe)
else()
  set(VEXLO_WIN32_PROGRAMS "${PROJECT_SOURCE_DIR}/build/win32/bin" CACHE PATH
      "Where the 32-bit Windows build put vexlo-bridge32.exe and vexlo-probe32.exe")
  add_custom_target(vexlo-word-size-helpers ALL
    COMMAND ${CMAKE_COMMAND} -DFROM=${VEXLO_WIN32_PROGRAMS} -DTO=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
            -DNAMES=vexlo-bridge32.exe,vexlo-probe32.exe -P ${PROJECT_SOURCE_DIR}/cmake/copy_if_present.cmake
    COMMENT "Taking the 32-bit bridge and probe from ${VEXLO_WIN32_PROGRAMS}")
  add_dependencies(vexlo_vm vexlo-word-size-helpers)
endif()
foreach(program ${word_size_helpers})
  install(PROGRAMS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${program} DESTINATION . OPTIONAL)
endforeach()
