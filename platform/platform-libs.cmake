# The image codecs of the platform layer (platform/imaging/) read and write through the system's
# JPEG, PNG, GIF and TIFF libraries.
pkg_check_modules(ORVALIS_IMAGING_LIBS REQUIRED IMPORTED_TARGET libjpeg libpng16 libgif libtiff-4 zlib)
target_link_libraries(platform PUBLIC PkgConfig::ORVALIS_IMAGING_LIBS)
