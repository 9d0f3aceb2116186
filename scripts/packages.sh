# Sourced by the scripts: the Debian packages the project needs, and a function that installs
# those of a list that are missing (with apt-get, through sudo when not root).

velmora_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libqt6svg6 libqt6sql6-sqlite libgl-dev
    qt6-qpa-plugins libqt6multimedia6 qt6-gtk-platformtheme qt6-translations-l10n
    libsqlite3-dev mdbtools mdbtools-dev libglib2.0-dev
    libsndfile1-dev sox libsox-fmt-mp3 lame
    nodejs npm ca-certificates
    fonts-liberation2 fonts-dejavu-core fonts-hosny-amiri
    xvfb xauth x11-utils imagemagick poppler-utils
    pulseaudio pulseaudio-utils
    desktop-file-utils appstream clang-format
    dpkg-dev file lintian
)

# The compiler and runtimes of the fuzz targets (libFuzzer, the sanitizers of clang).
velmora_fuzz_packages=(clang-14 libclang-rt-14-dev)

install_missing_packages() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    # npm may come from elsewhere than Debian's package; a working npm is all we need.
    if command -v npm >/dev/null 2>&1; then
        local filtered=()
        for p in "${missing[@]}"; do [[ $p == npm || $p == nodejs ]] || filtered+=("$p"); done
        missing=("${filtered[@]}")
    fi
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo_cmd=()
        if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}
