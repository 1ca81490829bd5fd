# SPDX-License-Identifier: MIT
# `cpack -G DEB` from the build folder: kvqplay_<version>_<arch>.deb. Its Depends are what
# dpkg-shlibdeps finds the binaries need, never typed by hand; ffmpeg is only recommended, for
# kvq encode and export.
set(CPACK_PACKAGE_NAME kvqplay)
set(CPACK_PACKAGE_VENDOR "The kvqplay developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen player and toolkit for text-mode animations")
set(CPACK_PACKAGE_DESCRIPTION "kvqplay plays animations of 80x30 character frames full screen at 24 frames per second with an MP3 soundtrack; kvq converts fonts, renders frames, encodes videos into animations, exports them as GIF or video, and reviews them in a window.")
set(CPACK_PACKAGE_CONTACT "The kvqplay developers <kvqplay@invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_STRIP_FILES ON)
include(CPack)
