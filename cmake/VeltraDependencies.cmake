find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json REQUIRED)

pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET hidapi-hidraw)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
# The update download: HTTP(S) transfers, zip archives and their digests.
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(LIBCRYPTO REQUIRED IMPORTED_TARGET libcrypto)
# The desktops' pointer settings: GSettings, and D-Bus for KDE's change notice.
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)

# The window. Qt's own headers are large; the window's libraries precompile them. D-Bus carries
# the window's desktop notifications (part of Qt's base package).
find_package(Qt6 REQUIRED COMPONENTS Widgets Network DBus)

if(VELTRA_TESTS)
    find_package(GTest REQUIRED)
    find_package(Qt6 REQUIRED COMPONENTS Test)
endif()
if(VELTRA_BENCH)
    find_package(benchmark REQUIRED)
endif()
