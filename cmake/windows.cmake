# The Windows build: the Win32 shell, the launcher, the stand-in application and the tests that
# run under Wine.
enable_language(ASM)
enable_language(RC)

configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# Everything, for the tests and the fixtures.
add_library(tarven_win INTERFACE)
target_link_libraries(tarven_win INTERFACE tarven_core tarven_launcher ws2_32 shell32 ole32 user32 gdi32 advapi32 uuid)

# --- The payload tool, built for this machine when none is given ---------------------------
if(TARVEN_PAYLOAD_TOOL)
  set(payload_tool ${TARVEN_PAYLOAD_TOOL})
  add_custom_target(host_payload_tool)
else()
  # Rebuilt when a file it may be made of changes, not on every build.
  file(GLOB_RECURSE host_tool_inputs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/* ${CMAKE_SOURCE_DIR}/tools/*
       ${CMAKE_SOURCE_DIR}/cmake/*.cmake)
  include(ExternalProject)
  ExternalProject_Add(host_payload_tool
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
    CMAKE_ARGS -DTARVEN_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target tarven-payload
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/host-tools/tools/payload-tool/tarven-payload)
  ExternalProject_Add_StepDependencies(host_payload_tool build ${CMAKE_SOURCE_DIR}/CMakeLists.txt ${host_tool_inputs})
  set(payload_tool ${CMAKE_BINARY_DIR}/host-tools/tools/payload-tool/tarven-payload)
endif()

# Packs a folder into a payload file with the payload tool.
function(tarven_pack_folder output folder)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${payload_tool} pack --output ${output} --dir ${folder}
    DEPENDS host_payload_tool ${payload_tool} ${ARGN}
    COMMENT "Packing ${folder}")
endfunction()

# The version record takes the project's version from here.
configure_file(${CMAKE_SOURCE_DIR}/resources/tarven_version.h.in ${CMAKE_BINARY_DIR}/generated/tarven_version.h @ONLY)

# A launcher executable carrying `payload` (a file made by this build or given ready). `MAIN`
# names another entry than the launcher's own, for a test's launcher.
function(tarven_launcher target output_name payload)
  cmake_parse_arguments(PARSE_ARGV 3 launcher "" "MAIN" "")
  if(NOT launcher_MAIN)
    get_property(launcher_MAIN GLOBAL PROPERTY TARVEN_ENTRY_tarven_launcher)
  endif()
  set(asm ${CMAKE_CURRENT_BINARY_DIR}/${target}_payload.S)
  set(TARVEN_PAYLOAD_PATH ${payload})
  configure_file(${CMAKE_SOURCE_DIR}/src/payload/embedded_payload.S.in ${asm} @ONLY)
  set_source_files_properties(${asm} PROPERTIES OBJECT_DEPENDS ${payload})
  # windres reads the icon and the manifest itself; make does not see them otherwise.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/tarven-help.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/resources/tarven-help.ico;${CMAKE_SOURCE_DIR}/resources/tarven-help.manifest;${CMAKE_BINARY_DIR}/generated/tarven_version.h")
  add_executable(${target} WIN32 ${launcher_MAIN} ${asm}
                           ${CMAKE_SOURCE_DIR}/resources/tarven-help.rc)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name})
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${target} PRIVATE tarven_launcher)
  target_link_options(${target} PRIVATE -municode)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${TARVEN_WARNINGS}>)
endfunction()

# --- The stand-in application and the demo payload -----------------------------------------
add_subdirectory(tests/fixtures/common)
add_subdirectory(tests/fixtures/standin)
add_subdirectory(tests/fixtures/explorer-standin)
add_subdirectory(tests/fixtures/fake-webview2)

set(demo_folder ${CMAKE_BINARY_DIR}/demo-payload)
add_custom_command(
  OUTPUT ${demo_folder}/Tarven.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${demo_folder}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/demo-payload ${demo_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tarven-standin> ${demo_folder}/Tarven.exe
  DEPENDS tarven-standin ${CMAKE_SOURCE_DIR}/demo-payload/LICENSE.txt ${CMAKE_SOURCE_DIR}/demo-payload/help-topics.json
  COMMENT "Staging the demo payload")
tarven_pack_folder(${CMAKE_BINARY_DIR}/demo-payload.bin ${demo_folder} ${demo_folder}/Tarven.exe)

if(TARVEN_PAYLOAD_FILE)
  set(launcher_payload ${TARVEN_PAYLOAD_FILE})
elseif(TARVEN_PAYLOAD_DIR)
  file(GLOB_RECURSE payload_inputs CONFIGURE_DEPENDS ${TARVEN_PAYLOAD_DIR}/*)
  tarven_pack_folder(${CMAKE_BINARY_DIR}/payload.bin ${TARVEN_PAYLOAD_DIR} ${payload_inputs})
  set(launcher_payload ${CMAKE_BINARY_DIR}/payload.bin)
else()
  set(launcher_payload ${CMAKE_BINARY_DIR}/demo-payload.bin)
endif()
tarven_launcher(tarven-help "Tarven Help" ${launcher_payload})

# --- Tests -----------------------------------------------------------------------------------
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_subdirectory(tests/runner)
add_subdirectory(tests/win)
add_subdirectory(tests/e2e)

add_subdirectory(bench/unpack)

# --- The Windows test bundle (scripts/windows-test-bundle.sh) ---------------------------------
# Beside the test programs CTest lists, the files the tests start or read, and the runner. The
# bundle keeps each at its place relative to this build folder.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-bundle-files.txt CONTENT "$<TARGET_FILE:run-tests>
$<TARGET_FILE:tarven-standin>
$<TARGET_FILE:tarven-explorer-standin>
$<TARGET_FILE:fake-webview2>
$<TARGET_FILE:fake-webview2-companion>
$<TARGET_FILE:fake-browser>
$<TARGET_FILE:tarven-help>
$<TARGET_FILE:tarven-help-no-app>
$<TARGET_FILE:tarven-help-damaged>
$<TARGET_FILE:tarven-help-held-job>
${CMAKE_BINARY_DIR}/tests/e2e/damaged.bin
")
