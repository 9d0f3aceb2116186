# The Debian package, made by CPack's DEB generator from the install rules:
#     cpack -G DEB --config <build>/CPackConfig.cmake
# (scripts/package.sh does it after set-up). Everything goes under /usr.

# The maintainer is the program's contact mail address, read from the one place the addresses
# are kept; whoever distributes the package sets their own there.
file(STRINGS ${contact_header} mail_line REGEX "kMailAddress\\[\\] *= *\"")
string(REGEX REPLACE ".*\"([^\"]*)\".*" "\\1" VELMORA_MAIL_ADDRESS "${mail_line}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The packed programs lose their debugging symbols (which also name the source files).
set(CPACK_STRIP_FILES ON)
# Folders made by the install get the usual mode whatever the umask of the one who packs.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velmora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora <${VELMORA_MAIL_ADDRESS}>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELMORA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The libraries the programs link are found by dpkg-shlibdeps (libsndfile among them, which
# decodes the recitation clips). What they load at run time is named here: Qt's SVG plugins
# (the window and button icons are SVG; the program links no symbol of Qt SVG, so the linker
# drops the library), Qt's Croatian translation of its own texts (the buttons of message boxes and of the print
# dialog) and the fonts the windows ask for: Times New Roman and Verdana, met by the
# metric-compatible Liberation Serif and by DejaVu Sans, and Amiri Quran for the Arabic text of
# the ayah panel (DejaVu Sans lacks letters that text uses). The platform plugin and the
# multimedia backends come with libqt6gui6 and libqt6multimedia6, which the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6svg6, qt6-translations-l10n, fonts-liberation2, fonts-dejavu-core, fonts-hosny-amiri")
# The sound server the recitation plays through (without one it runs silently).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Qur'an reader in Bosnian translation")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Velmora shows the whole Qur'an in the Bosnian translation by Besim Korkut.
It jumps to any surah and ayah by number, by name or by the surah's number of
ayahs, searches ayahs by words (also typed without diacritic marks), browses
a thematic index of topics derived by keywords, and plays the Arabic
recitation ayah by ayah from a recitation CD or from recitation sets of MP3,
Ogg, Opus, FLAC or WAV clips. A panel shows the Arabic text and a short
commentary of the ayah being read. It keeps bookmarks and the last place read,
and prints the text or saves it as PDF. The tool velmora-data converts an
Access store for the program.

Velmora prikazuje cijeli Kur'an u prijevodu Besima Korkuta na bosanski jezik.
Prelazi na bilo koju suru i ajet po broju, po nazivu ili po broju ajeta u suri,
traži ajete po riječima (i bez kvačica), prikazuje tematski indeks izveden
prema ključnim riječima i pušta arapsko učenje ajet po ajet sa CD-a učenja ili
iz zbirki učenja u MP3, Ogg, Opus, FLAC ili WAV datotekama. Panel prikazuje
arapski tekst i kratki tefsir ajeta koji se čita. Čuva zabilješke i posljednje
mjesto čitanja, a tekst štampa ili sprema kao PDF. Alat velmora-data pretvara
Access bazu za program.]])

# The Debian changelog of the package (its date that of the configure run, or
# SOURCE_DATE_EPOCH), compressed without a time stamp. It is installed into the package only,
# not by a plain `cmake --install`.
set(VELMORA_SHORT_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
string(TIMESTAMP VELMORA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(changelog.in ${out}/debian/changelog @ONLY)
add_custom_command(
    OUTPUT ${out}/debian/changelog.gz
    COMMAND gzip -9nkf ${out}/debian/changelog
    DEPENDS ${out}/debian/changelog
    VERBATIM)
add_custom_target(velmora_debian_changelog ALL DEPENDS ${out}/debian/changelog.gz)
install(FILES ${out}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS
    ${CMAKE_BINARY_DIR} ${PROJECT_NAME} ALL /
    ${CMAKE_BINARY_DIR} ${PROJECT_NAME} debian /)

include(CPack)
