# quillon_layer(<target> DEPS <targets...>)
# One static library per source folder, holding every .cpp in it (main.cpp
# excluded). A folder with no sources yet becomes an interface library so the
# layers above can already link against it. DEPS names exactly the layers the
# folder's files include, all of them below it (platform < common < audio <
# views < Classes < tools); tests/layers/LayeringTest.cpp holds both to that.
function(quillon_layer target)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${L_DEPS})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${L_DEPS})
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
  endif()
endfunction()
