# The bundle images, drawn with cairo at build time at 1x and 2x (@2x), and
# the launcher icon in the icon theme's sizes (build/icons/hicolor/).
file(GLOB image_generator_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/images/*.cpp)
add_executable(quillon_images ${image_generator_sources})
target_link_libraries(quillon_images PRIVATE PkgConfig::CAIRO)

set(quillon_images_stamp ${QUILLON_RESOURCE_DIR}/.images-stamp)
add_custom_command(
  OUTPUT ${quillon_images_stamp}
  COMMAND quillon_images ${QUILLON_RESOURCE_DIR} ${QUILLON_ICON_DIR} ${QUILLON_APP_ID}
  COMMAND ${CMAKE_COMMAND} -E touch ${quillon_images_stamp}
  DEPENDS quillon_images
  COMMENT "Drawing the bundle images"
  VERBATIM)
add_custom_target(quillon_images_generate DEPENDS ${quillon_images_stamp})
add_dependencies(quillon_resources quillon_images_generate)
