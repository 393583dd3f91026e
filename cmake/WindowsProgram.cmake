# The Windows program, its test tools and its integration tests (mingw-w64 build only).

# Everything is linked statically: the exe must run with nothing but system DLLs beside it.
# The tests find the program and the stand-in encoder beside themselves.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(MINGW)
  set(PUSHCLIENT_STATIC_LINK -static -static-libgcc -static-libstdc++)
endif()

add_subdirectory(system)
add_subdirectory(framework)
add_subdirectory(app)

add_subdirectory(tools/fake_ffmpeg)
add_subdirectory(tools/ffmpeg_bridge)
add_subdirectory(tools/window_driver)
add_subdirectory(tests/wine)
