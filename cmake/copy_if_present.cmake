# cmake -DFROM=<folder> -DTO=<folder> -DNAMES=<a,b> -P copy_if_present.cmake
string(REPLACE "," ";" NAMES "${NAMES}")
foreach(name ${NAMES})
  if(EXISTS "${FROM}/${name}")
    file(COPY "${FROM}/${name}" DESTINATION "${TO}")
  else()
    message(STATUS "${FROM}/${name} is not there (build the win32 preset first): 32-bit plug-ins will be refused")
  endif()
endforeach()
