# `cpack` (make package-check builds it): one .deb with everything
# `cmake --install` puts under the prefix, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Varnel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unit clerk's roster of soldiers and promotion points")
set(CPACK_PACKAGE_DESCRIPTION
  "Varnel keeps a unit's roster of soldiers in one SQLite file and works out\n\
each soldier's promotion points; it prints the merit list, the worksheets\n\
and the NCOES course list. varnel-roster creates and fills roster files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varnel maintainers <maintainers@varnel.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Every installed file and folder owned by root, folders 0755, as dpkg expects.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://varnel.org")
# The shared libraries the programs link come from dpkg-shlibdeps; what Qt
# loads as plugins does not show there: the SQLite and PostgreSQL drivers, and the fonts
# every window and report lays out its text with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libmdb3, fonts-dejavu-core | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-user-dirs")
set(CPACK_STRIP_FILES ON)
include(CPack)
