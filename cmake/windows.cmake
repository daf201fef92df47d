# The Windows build (cmake/mingw-w64.cmake): which parts of the core it
# builds, the tools it runs on the build machine, and the zip a user unzips.

# Windows 10 and later: the wide-character file API with long paths,
# GetTickCount64, the folder picker's new-style dialog.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)

# Tools that run during the build are built for the build machine with its
# own compiler, not cross-compiled and run under Wine.
find_program(VK_HOST_CXX NAMES g++ c++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)

# vk_host_program(NAME OUT_VAR SOURCE...): builds NAME for the build machine
# into the current binary folder; OUT_VAR gets its path for COMMAND and
# DEPENDS of custom commands.
function(vk_host_program name out_var)
  set(program ${CMAKE_CURRENT_BINARY_DIR}/host/${name})
  add_custom_command(
    OUTPUT ${program}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/host
    COMMAND ${VK_HOST_CXX} -std=c++20 -O2 -I${PROJECT_SOURCE_DIR}/src -o ${program} ${ARGN}
    DEPENDS ${ARGN}
    COMMENT "Building ${name} for the build machine")
  set(${out_var} ${program} PARENT_SCOPE)
endfunction()

# The zip: both programs, the manual as text, and README.txt with CR LF line
# ends as Windows editors expect. Everything sits in one folder of the zip.
macro(vk_windows_package)
  set(stage ${CMAKE_BINARY_DIR}/package-files)
  file(MAKE_DIRECTORY ${stage})
  # CR LF line ends whatever the source files have.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/README.txt.in ${stage}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${stage}/README.txt DESTINATION .)
  # The manual page rendered as plain text where groff is installed.
  find_program(VK_GROFF groff)
  if(VK_GROFF)
    add_custom_command(
      OUTPUT ${stage}/vantori-manual.txt
      COMMAND ${VK_GROFF} -man -Tutf8 -P-cbou ${PROJECT_SOURCE_DIR}/doc/vantori.1 > ${stage}/vantori.txt.lf
      COMMAND ${CMAKE_COMMAND} -DIN=${stage}/vantori.txt.lf -DOUT=${stage}/vantori-manual.txt
              -P ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
      DEPENDS ${PROJECT_SOURCE_DIR}/doc/vantori.1 ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
      COMMENT "Rendering the manual page as text")
    add_custom_target(vk_manual_text ALL DEPENDS ${stage}/vantori-manual.txt)
    install(FILES ${stage}/vantori-manual.txt DESTINATION .)
  endif()
  foreach(program vantori vantori-kelmora)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
  endforeach()

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME vantori-kelmora)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR "Kelmora developers")
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_FILE_NAME vantori-kelmora-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
endmacro()
