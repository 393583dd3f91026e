# pushclient_room(<target> ROOM <folder> [SOURCES ...] [LINKS ...])
# A library of one room. Its code includes headers as "<room>/<Header>.h"; the include folder it hands on
# holds a link to its own room alone, so a room can reach only the rooms it links (LINKS, passed on to
# whoever links it). A library without sources is an interface: headers only.
function(pushclient_room target)
  cmake_parse_arguments(ARG "" "ROOM" "SOURCES;LINKS" ${ARGN})
  set(include_dir ${CMAKE_BINARY_DIR}/rooms/${ARG_ROOM})
  if(NOT EXISTS ${include_dir}/${ARG_ROOM})
    file(MAKE_DIRECTORY ${include_dir})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_dir}/${ARG_ROOM} SYMBOLIC)
  endif()
  if(ARG_SOURCES)
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${include_dir})
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${include_dir})
    target_link_libraries(${target} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# The Windows build of a room: what the room does through the Windows API, on top of its rules.
function(pushclient_win32_room target)
  if(WIN32)
    pushclient_room(${target} ${ARGN})
  endif()
endfunction()
