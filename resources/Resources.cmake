# The version record, the icon and the manifest, compiled into the Windows
# executable. The icon is drawn as text; a tool built for this machine turns
# it into a .ico.
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

# The manifest goes in without its comments and the space between elements:
# the loader reads it the same, and the executable stays within its size.
set(manifest ${CMAKE_CURRENT_BINARY_DIR}/resources/Kestrune.exe.manifest)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/Kestrune.manifest)
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/resources/Kestrune.manifest text)
string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" text "${text}")
string(REGEX REPLACE ">[ \t\r\n]+" ">" text "${text}")
string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
string(STRIP "${text}" text)
file(WRITE ${manifest}.new "${text}")
file(COPY_FILE ${manifest}.new ${manifest} ONLY_IF_DIFFERENT)
file(REMOVE ${manifest}.new)

enable_language(RC)
target_sources(Kestrune PRIVATE resources/Kestrune.rc)
set_source_files_properties(resources/Kestrune.rc PROPERTIES OBJECT_DEPENDS "${icon};${manifest}")
target_include_directories(Kestrune PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/resources)
