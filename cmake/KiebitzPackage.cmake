# The Debian package, built by `cpack -G DEB` in a build folder (see
# scripts/package). It holds what `cmake --install` puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiebitz)
set(CPACK_PACKAGE_VENDOR Tickwerk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# kiebitz_1.6.30_amd64.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tickwerk <kiebitz@tickwerk.de>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.tickwerk.de/")
# The libraries come from the program and its modules (Qt Multimedia and Qt
# Network only from those); Qt's German texts for its dialogs are data no
# library check can see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The desktop's own file dialog, and the metric twin of the Arial the
# windows are laid out for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-gtk-platformtheme | qt6-xdgdesktopportal-platformtheme, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-xdgdesktopportal-platformtheme")
# First line: the summary; the rest: the long description, German first
# (CPack indents it and marks the empty line as Debian wants).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Auktions-Countdown / countdown to the end of an online auction
Kiebitz übernimmt eine eBay-Auktion aus dem Browserfenster, zeigt das Ende
in Ortszeit und zählt bis dahin herunter: in der letzten Minute größer und
rot, mit Warnton. Die Uhr des Rechners lässt sich nach der eBay-Zeit stellen.

Kiebitz takes an eBay auction over from the browser window, shows its end
in local time and counts down to it: larger and red in the final minute,
with a warning sound. The computer's clock can be set from eBay's time.")

include(CPack)
