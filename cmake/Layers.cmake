# The layers as the compiler sees them. Every include names its header from the top of
# src/ ("render/Engine.h", "settings/Window2.h"), but src/ itself is on no include path:
# each library gets an include root of its own in the build tree,
#
#   <build>/include-roots/voleta_core/render -> <src>/render
#
# given as its PUBLIC include directory, so a target sees its own folder and, through
# what it links, the folders of the layers below it, and nothing else. An include of a
# higher layer's header finds no file and does not compile.

# The libraries are static; the mutation check configures its scratch copy with SHARED,
# so that a changed file relinks one library and no test program.
set(VOLETA_LIBRARY_TYPE STATIC CACHE STRING "Type of the program's libraries (STATIC or SHARED)")
set_property(CACHE VOLETA_LIBRARY_TYPE PROPERTY STRINGS STATIC SHARED)

# Makes `link` a symbolic link to `original`, leaving a link that is already right alone
# (so configuring again changes nothing the build depends on).
function(_voleta_link original link)
  if(IS_SYMLINK "${link}")
    file(READ_SYMLINK "${link}" current)
    if(current STREQUAL original)
      return()
    endif()
    file(REMOVE "${link}")
  elseif(EXISTS "${link}")
    message(FATAL_ERROR "${link} is in the way of an include root's link: remove it and configure again")
  endif()
  file(CREATE_LINK "${original}" "${link}" SYMBOLIC)
endfunction()

# voleta_include_root(<target> <folder> [<header>...])
# Gives <target> an include root holding src/<folder>: the whole folder, or, when
# headers are named, a folder of links to those headers only (platform/ holds two
# layers: the files below the scene, the dialogs above it).
function(voleta_include_root target folder)
  get_filename_component(sources "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src" ABSOLUTE)
  set(root "${CMAKE_BINARY_DIR}/include-roots/${target}")
  if(ARGN)
    file(MAKE_DIRECTORY "${root}/${folder}")
    foreach(header IN LISTS ARGN)
      _voleta_link("${sources}/${folder}/${header}" "${root}/${folder}/${header}")
    endforeach()
  else()
    file(MAKE_DIRECTORY "${root}")
    _voleta_link("${sources}/${folder}" "${root}/${folder}")
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

# voleta_layer(<target> <folder> [LINKS <library>...])
# One folder of src/ as one library: its sources (found again when files are added; a
# main.cpp is a program's, not the library's), its include root, and the libraries it
# may see.
function(voleta_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "LINKS")
  get_filename_component(folder_path "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/${folder}" ABSOLUTE)
  file(GLOB sources CONFIGURE_DEPENDS "${folder_path}/*.cpp" "${folder_path}/*.h")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${target} ${VOLETA_LIBRARY_TYPE} ${sources})
  voleta_library_settings(${target})
  voleta_include_root(${target} ${folder})
  target_link_libraries(${target} PUBLIC ${arg_LINKS})
endfunction()

# What every library of the program shares. No <target>_EXPORTS definition when they
# are shared, so they compile as the static ones do (and ccache serves both).
function(voleta_library_settings target)
  set_target_properties(${target} PROPERTIES DEFINE_SYMBOL "")
endfunction()
