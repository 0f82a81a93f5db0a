# Sourced by the scripts that build from Debian's own sources.
#
# debian_source FOLDER PACKAGE[=VERSION] [SUITE [FILE]]: downloads that source package from
# Debian's SUITE (bookworm unless given) into FOLDER/source; with FILE, only that file of it (its
# upstream tarball, say). apt fetches it through a sources list of its own in FOLDER/apt, so the
# system's lists stay as they are; the files' checksums come from Debian's signed index.
debian_source() {
    mkdir -p "$1/apt/lists/partial" "$1/source"
    local apt_dir sudo=""
    apt_dir=$(cd "$1/apt" && pwd)
    echo "deb-src http://deb.debian.org/debian ${3:-bookworm} main" >"$apt_dir/sources.list"
    local apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
                       -o Dir::Etc::SourceParts=/dev/null -o "Dir::State::Lists=$apt_dir/lists")
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get "${apt_options[@]}" update >&2
    if [ -z "${4:-}" ]; then
        (cd "$1/source" && apt-get "${apt_options[@]}" source --download-only "$2" >&2)
        return
    fi
    # apt prints each file as 'URI' NAME SIZE SHA256:HASH, but leaves out those in its folder.
    local uri hash
    read -r uri hash < <(cd "$apt_dir" && apt-get "${apt_options[@]}" source --print-uris "$2" |
                         awk -v file="$4" '$2 == file { gsub("\047", "", $1); print $1, $4 }') || true
    if [ -z "${hash:-}" ]; then
        echo "debian-source: $2 in ${3:-bookworm} has no $4" >&2
        return 1
    fi
    /usr/lib/apt/apt-helper download-file "$uri" "$1/source/$4" "$hash" >&2
}
