# SPDX-License-Identifier: MIT
# `cpack -G DEB` from the build folder: kvqplay_<version>_<arch>.deb. Its Depends are what
# dpkg-shlibdeps finds the binaries need, never typed by hand; ffmpeg is only recommended, for
# kvq encode and export, and so are Debian's console fonts, which kvq draws the scene's art with
# where a piece brings no font and none is given. The package is meant to pass lintian with no error or warning.
set(CPACK_PACKAGE_NAME kvqplay)
set(CPACK_PACKAGE_VENDOR "The kvqplay developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen player and toolkit for text-mode animations")
# Lines of at most 80 columns, as Debian's control files want them.
set(CPACK_PACKAGE_DESCRIPTION
"kvqplay plays an animation of 80x30 character frames full screen at 24 frames
per second, drawn with the animation's own 8x16 font, with an MP3 soundtrack.
kvq converts fonts, renders frames exactly, encodes any video into an
animation, exports animations as GIF or video and reviews them in a window.")
# The project has no mail host of its own yet: example.org is the placeholder reserved for
# documentation (RFC 2606). Replace it in this one place when there is a real address.
set(CPACK_PACKAGE_CONTACT "The kvqplay developers <kvqplay@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ffmpeg, console-setup-linux")
set(CPACK_STRIP_FILES ON)
include(CPack)
