# Installs the build into a fresh folder and checks that it is laid out as a VST folder: the three
# plug-ins, Vexlo VM's "Default" skin, the scan's probe helper and the bridge program beside them
# (on Windows also those for 32-bit libraries), and nothing of the tests.
# cmake -DBUILD=<build folder> -DPREFIX=<folder> -DEXT=<.so|.dll> [-DWORD_SIZE_HELPERS=ON] -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
set(suffix "")
if(EXT STREQUAL ".dll")
  set(suffix ".exe")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}" RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(expected "Vexlo VM${EXT}" "Vexlo ARP MIDI${EXT}" "Vexlo Key-Switch MIDI${EXT}"
                 "Vexlo VM/Skins/Current.txt" "Vexlo VM/Skins/Default/Background.bmp"
                 "Vexlo VM/Skins/Default/Background-End.bmp" "Vexlo VM/Skins/Default/Positions.txt"
                 "Vexlo VM/Skins/Default/Colors_Fonts.txt" "Vexlo VM/Skins/Default/MinWidth.txt"
                 "Vexlo VM/Skins/Default/MidiHeight.txt" "vexlo-probe${suffix}" "vexlo-bridge${suffix}")
  if(NOT EXISTS "${PREFIX}/${expected}")
    message(FATAL_ERROR "the installed folder lacks ${expected}")
  endif()
endforeach()
set(expected_count 12)
if(WORD_SIZE_HELPERS)
  foreach(expected vexlo-bridge32.exe vexlo-probe32.exe)
    if(NOT EXISTS "${PREFIX}/${expected}")
      message(FATAL_ERROR "the installed folder lacks ${expected}")
    endif()
  endforeach()
  set(expected_count 14)
endif()
file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(LENGTH installed count)
if(NOT count EQUAL expected_count)
  message(FATAL_ERROR "the installed folder holds more than the plug-ins, the skin and the helpers: ${installed}")
endif()
message(STATUS "installed: ${installed}")
