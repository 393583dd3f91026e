# The Windows program, its test tools and its integration tests (mingw-w64 build only).

# Everything is linked statically: the exe must run with nothing but system DLLs beside it.
# The tests find the program and the stand-in encoder beside themselves.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(MINGW)
  set(PUSHCLIENT_STATIC_LINK -static -static-libgcc -static-libstdc++)
endif()

add_library(pushclient_framework STATIC
  framework/ChildProcess.cpp
  framework/Dialog.cpp
  framework/WinApp.cpp
  framework/Wnd.cpp
)
target_include_directories(pushclient_framework PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(pushclient_framework PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

add_executable(PushClient WIN32
  framework/WinMain.cpp
  app/PushClientApp.cpp
  app/PushClientDlg.cpp
  app/TrayIcon.cpp
  log/ActivityLog.cpp
  devices/DeviceListing.cpp
  encoder/AnsiTextConversion.cpp
  settings/SettingsFile.cpp
  streaming/EncoderProcess.cpp
  res/PushClient.rc
)
target_link_libraries(PushClient PRIVATE pushclient_framework pushclient_rules comctl32 shell32)
target_link_options(PushClient PRIVATE ${PUSHCLIENT_STATIC_LINK})
configure_file(res/version.h.in ${CMAKE_BINARY_DIR}/version.h @ONLY)
set_source_files_properties(res/PushClient.rc PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/PushClient.ico;${CMAKE_SOURCE_DIR}/res/PushClient.manifest;${CMAKE_SOURCE_DIR}/res/resource.h;${CMAKE_BINARY_DIR}/version.h")

add_subdirectory(tools/fake_ffmpeg)
add_subdirectory(tools/ffmpeg_bridge)
add_subdirectory(tools/window_driver)
add_subdirectory(tests/wine)
