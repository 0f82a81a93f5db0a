# Sourced by the scripts that build from Debian 12's own sources.
#
# debian_source FOLDER PACKAGE=VERSION: downloads that source package into FOLDER/source. apt
# fetches it through a sources list of its own in FOLDER/apt, so the system's lists stay as they
# are; the package's checksums come from Debian's signed index.
debian_source() {
    mkdir -p "$1/apt/lists/partial" "$1/source"
    local apt_dir sudo=""
    apt_dir=$(cd "$1/apt" && pwd)
    echo "deb-src http://deb.debian.org/debian bookworm main" >"$apt_dir/sources.list"
    local apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
                       -o Dir::Etc::SourceParts=/dev/null -o "Dir::State::Lists=$apt_dir/lists")
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get "${apt_options[@]}" update >&2
    (cd "$1/source" && apt-get "${apt_options[@]}" source --download-only "$2" >&2)
}
