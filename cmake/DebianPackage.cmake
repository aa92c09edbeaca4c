# The Debian package, wylo_<version>_amd64.deb, made by CPack from what
# `cmake --install` puts into /usr. scripts/package makes it, and so does the
# package test, from the binaries the build has already made:
#   cpack --config <build>/CPackConfig.cmake -B <out>
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wylo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Wylo developers")
set(CPACK_PACKAGE_CONTACT "The Wylo developers <${WYLO_CONTACT}>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_THREADS 1)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE "")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${WYLO_WEBSITE})
# The libraries the binaries link, as dpkg-shlibdeps finds them; besides them
# Qt's X11 platform plugin, which Qt loads rather than links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Certificates for https channels, the browser for a channel's terms, and
# Wylo on a Wayland session without XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The summary, then paragraphs; CPack indents them as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "photographs from online channels on your desktop, on a schedule")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Wylo puts beautiful photographs on your desktop without effort. You
subscribe to a photo channel; Wylo fetches the channel's pictures into a
local cache and, on the schedule you choose, composes one wallpaper over
all your monitors (the same picture on each, a different picture on each,
or one chosen monitor) and installs it with the desktop's own setting.

It waits in the notification area, steps back and forth through the last
wallpapers, works offline from its cache and can start when you log in.

The package also holds wylo-channel, the tool that publishes a folder of
photographs as a channel.")
include(CPack)
