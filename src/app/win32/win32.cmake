# The Windows desktop program, included from src/app/CMakeLists.txt so that
# its generated pictures and the art source share one folder's rules.
#
# The pictures: make_bitmaps, built for the build machine with the same
# generated art source, writes the tile sheet, the splash picture and the
# icon as the files the resource script names.
set(VK_WIN_ART ${CMAKE_CURRENT_BINARY_DIR}/win32)
vk_host_program(vk_make_bitmaps VK_MAKE_BITMAPS ${CMAKE_CURRENT_SOURCE_DIR}/win32/make_bitmaps.cpp
                ${CMAKE_CURRENT_BINARY_DIR}/art_data.cpp)
set(VK_WIN_PICTURES ${VK_WIN_ART}/tiles.bmp ${VK_WIN_ART}/splash.bmp ${VK_WIN_ART}/vantori-kelmora.ico)
add_custom_command(
  OUTPUT ${VK_WIN_PICTURES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VK_WIN_ART}
  COMMAND ${VK_MAKE_BITMAPS} ${VK_WIN_PICTURES}
  DEPENDS ${VK_MAKE_BITMAPS}
  COMMENT "Writing the pictures as bitmap and icon files")
add_custom_target(vk_win_pictures DEPENDS ${VK_WIN_PICTURES})

# The resources as an object library, so that the tests load the same
# templates as the program.
add_library(vk_win_resources OBJECT win32/vantori-kelmora.rc)
target_include_directories(vk_win_resources PRIVATE ${VK_WIN_ART} ${CMAKE_CURRENT_SOURCE_DIR}/win32)
set_source_files_properties(win32/vantori-kelmora.rc PROPERTIES
  OBJECT_DEPENDS "${VK_WIN_PICTURES};${CMAKE_CURRENT_SOURCE_DIR}/win32/vantori-kelmora.manifest;${CMAKE_CURRENT_SOURCE_DIR}/win32/resource.h")
add_dependencies(vk_win_resources vk_win_pictures)

# The shell over the dialog logic and the whole core.
add_library(vk_app_win32 STATIC win32/canvas.cpp win32/dialog_controls.cpp win32/fonts.cpp win32/main_dialog.cpp
            win32/side_dialogs.cpp)
target_link_libraries(vk_app_win32 PUBLIC vk_app vk_os comctl32 comdlg32 shell32 ole32 gdi32 uxtheme)
add_executable(vantori-kelmora WIN32 win32/main.cpp $<TARGET_OBJECTS:vk_win_resources>)
target_link_libraries(vantori-kelmora PRIVATE vk_app_win32 Threads::Threads)
set_target_properties(vantori-kelmora PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
