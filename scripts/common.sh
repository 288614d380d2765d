# Shared by scripts/run and scripts/test: Debian packages and the build.
# Sourced, not run.

LEXIVAULT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LEXIVAULT_PACKAGES=(build-essential cmake qt6-base-dev libbenchmark-dev fonts-dejavu-core
    dpkg-dev lintian desktop-file-utils appstream shared-mime-info xvfb xauth x11-utils xdotool
    strace ntfs-3g)

# Installs whichever of the given Debian packages is missing; does nothing when all are there.
install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures and builds the project in the given folder with the given extra CMake arguments.
build_in() {
    local dir=$1
    shift
    cmake -S "$LEXIVAULT_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DLEXIVAULT_BUILD_BENCHMARKS=ON "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
