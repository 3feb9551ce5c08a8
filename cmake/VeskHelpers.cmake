# Small helpers shared by the layer folders.

# vesk_layer(NAME DIR DEPS...) makes a static library of every .cpp in DIR.
function(vesk_layer name dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN} PRIVATE vesk_warnings)
endfunction()
