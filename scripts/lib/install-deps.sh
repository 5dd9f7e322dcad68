# Installs, on Debian 12 as root, what building and testing need. Quiet when
# everything is already there.
install_deps() {
    local packages=(
        cmake make g++ python3 googletest zlib1g-dev
        g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
        libz-mingw-w64-dev
        wine wine32:i386 wine64 fonts-wine xvfb x11-apps imagemagick xdotool
        p7zip-full libarchive-tools liblnk-utils clang locales libclang-rt-14-dev time
        osslsigncode openssl
    )
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}
