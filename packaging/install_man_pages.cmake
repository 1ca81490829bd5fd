# SPDX-License-Identifier: MIT
# Runs at install time, when the prefix is known (`cmake --install --prefix`, or /usr inside the
# package): each page names the folders it was installed under, and is compressed as Debian
# installs pages. In: KVQ_PAGES_SOURCE, KVQ_PAGES_WORK, KVQ_GZIP, KVQ_VERSION, KVQ_DATADIR, KVQ_MANDIR.
set(PROJECT_VERSION ${KVQ_VERSION})
if(IS_ABSOLUTE "${KVQ_DATADIR}")
  set(KVQ_INSTALLED_DATADIR "${KVQ_DATADIR}")
else()
  set(KVQ_INSTALLED_DATADIR "${CMAKE_INSTALL_PREFIX}/${KVQ_DATADIR}")
endif()
file(MAKE_DIRECTORY "${KVQ_PAGES_WORK}")
foreach(page kvqplay kvq)
  configure_file("${KVQ_PAGES_SOURCE}/${page}.1.in" "${KVQ_PAGES_WORK}/${page}.1" @ONLY)
  # -n keeps the name and time out of the header, so a page always compresses to the same bytes.
  execute_process(COMMAND "${KVQ_GZIP}" -9nf "${page}.1" WORKING_DIRECTORY "${KVQ_PAGES_WORK}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(INSTALL "${KVQ_PAGES_WORK}/${page}.1.gz" DESTINATION "${CMAKE_INSTALL_PREFIX}/${KVQ_MANDIR}/man1")
endforeach()
