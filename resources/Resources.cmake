# The version record and the icon, compiled into the Windows executable. The
# icon is drawn as text; a tool built for this machine turns it into a .ico.
find_program(HOST_CXX NAMES c++ g++ REQUIRED)
set(icon ${CMAKE_CURRENT_BINARY_DIR}/resources/Kestrune.ico)
set(makeIcon ${CMAKE_CURRENT_BINARY_DIR}/resources/MakeIcon)
add_custom_command(
  OUTPUT ${makeIcon}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/resources
  COMMAND ${HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -o ${makeIcon} ${CMAKE_CURRENT_SOURCE_DIR}/resources/MakeIcon.cpp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/MakeIcon.cpp
  COMMENT "Building the icon tool for the build machine")
add_custom_command(
  OUTPUT ${icon}
  COMMAND ${makeIcon} ${CMAKE_CURRENT_SOURCE_DIR}/resources/Kestrune.icon ${icon}
  DEPENDS ${makeIcon} ${CMAKE_CURRENT_SOURCE_DIR}/resources/Kestrune.icon
  COMMENT "Drawing Kestrune.ico")

enable_language(RC)
target_sources(Kestrune PRIVATE resources/Kestrune.rc)
set_source_files_properties(resources/Kestrune.rc PROPERTIES OBJECT_DEPENDS ${icon})
target_include_directories(Kestrune PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/resources)
