# Byte-reproducible outputs: the same sources and payload give the same image whatever the build
# folder, the source folder and the clock (scripts/check-reproducible.sh proves it).

# No build or source paths in objects (__FILE__, debug info, the assembler's file names).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
  "$<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")

# Archives without owners, modes or times.
foreach(lang C CXX ASM)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

# A PE image carries a link time stamp: none (zero), or the one SOURCE_DATE_EPOCH gives, which
# the linker reads from its environment.
if(WIN32)
  set(TARVEN_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}" CACHE STRING
      "Seconds since 1970 for the images' time stamp (empty: none)")
  if(TARVEN_SOURCE_DATE_EPOCH STREQUAL "")
    add_link_options(-Wl,--no-insert-timestamp)
  else()
    add_link_options(-Wl,--insert-timestamp)
    set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TARVEN_SOURCE_DATE_EPOCH})
    set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TARVEN_SOURCE_DATE_EPOCH})
  endif()
endif()
