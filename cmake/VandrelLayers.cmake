# One library per source folder, stacked: each sees its own headers, the public headers of its
# own and of the folders below it, and the private headers of those folders; nothing above.
# Each library compiles against an include root of its own made of links to exactly those
# folders and headers, so an #include that runs upward is a compile error ("No such file"),
# not a dependency found later by reading the code.
#
#   vandrel_layer(NAME
#     SOURCES ...          the folder's sources
#     PUBLIC_HEADERS ...   its headers under include/vandrel (file names)
#     BELOW ...            every folder below it that it may use
#     USES ...             folders below it of which it may use the public headers only
#     FOLDERS ...          the source folders it sees as its own (default: NAME)
#     LIBRARIES ...        third-party targets it compiles against
#     OBJECT|STATIC)       an object library folded into vandrel_core, or a library of its own
function(vandrel_layer name)
  cmake_parse_arguments(L "OBJECT;STATIC" "" "SOURCES;PUBLIC_HEADERS;BELOW;USES;FOLDERS;LIBRARIES" ${ARGN})
  if(NOT L_FOLDERS)
    set(L_FOLDERS ${name})
  endif()
  set_property(GLOBAL PROPERTY VANDREL_PUBLIC_HEADERS_${name} ${L_PUBLIC_HEADERS})
  set_property(GLOBAL PROPERTY VANDREL_FOLDERS_${name} ${L_FOLDERS})

  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/vandrel)
  foreach(layer ${name} ${L_BELOW})
    get_property(folders GLOBAL PROPERTY VANDREL_FOLDERS_${layer})
    get_property(headers GLOBAL PROPERTY VANDREL_PUBLIC_HEADERS_${layer})
    foreach(folder ${folders})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endforeach()
    foreach(header ${headers})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/include/vandrel/${header} ${root}/vandrel/${header}
           SYMBOLIC)
    endforeach()
  endforeach()
  foreach(layer ${L_USES})
    get_property(headers GLOBAL PROPERTY VANDREL_PUBLIC_HEADERS_${layer})
    foreach(header ${headers})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/include/vandrel/${header} ${root}/vandrel/${header}
           SYMBOLIC)
    endforeach()
  endforeach()

  if(L_STATIC)
    add_library(vandrel_${name} STATIC ${L_SOURCES})
  else()
    add_library(vandrel_${name} OBJECT ${L_SOURCES})
  endif()
  target_include_directories(vandrel_${name} PRIVATE ${root})
  set_property(GLOBAL PROPERTY VANDREL_ROOT_${name} ${root})
  target_link_libraries(vandrel_${name} PRIVATE ${L_LIBRARIES})
  set_target_properties(vandrel_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  vandrel_warnings(vandrel_${name})
endfunction()
